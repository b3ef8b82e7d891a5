#pragma once

#include "ResizableFormView.h"
#include "UserSettings.h"

class TextPane;
class TrelvoDoc;

// The source pane: shows the XML text of the selected branch, raw or re-indented, read-only.
class SourceView : public ResizableFormView {
    Q_OBJECT

public:
    static constexpr QRgb BackgroundColor = 0xFFFFFFDC; // RGB(255, 255, 220)

    explicit SourceView(QWidget* parent = nullptr);
    ~SourceView() override;

    // The settings the pane reads at each refresh (not owned); without them (null) it keeps its
    // own.
    void SetSettings(UserSettings* shared) { settings = shared ? shared : &ownSettings; }
    UserSettings& Settings() const { return *settings; }
    // Null until the view is added to a document.
    TrelvoDoc* Doc() const;

    // Gives the text its background and its fixed-pitch font; called once after creation.
    void SetupSourceEdit();
    // Shows the text of the document's selected node; a hidden pane keeps its stale text.
    void RefreshSource();

    TextPane* Edit() const { return edit; }
    const QString& Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString MakeText() const;

    TextPane* edit = nullptr;
    // Compared with, never used: it may be on its way out when the last events arrive.
    QObject* editViewport = nullptr;
    UserSettings ownSettings;
    UserSettings* settings = &ownSettings;
    bool clickSelectsAll = false;
};

// The one source pane of the process, set by its constructor.
extern SourceView* g_pSourceView;
