#pragma once

#include "ResizableFormView.h"
#include "UserSettings.h"
#include "XmlLineStates.h"

#include "TextPane.h"

#include <array>

class TrelvoDoc;

// The source pane: shows the XML text of the selected branch, raw or re-indented, read-only,
// with its markup coloured.
class SourceView : public ResizableFormView {
    Q_OBJECT

public:
    static constexpr QRgb BackgroundColor = 0xFFFFFFDC; // RGB(255, 255, 220)
    // Character data, and the colour of each kind of markup, indexed by XmlLexer::Kind. Each
    // reads on the background at a contrast of 4.5:1 at least, whatever the desktop's palette.
    static constexpr QRgb TextColor = 0xFF000000;
    static constexpr std::array<QRgb, XmlLexer::KindCount> KindColors {
        0xFF000080, // markup: navy
        0xFF800000, // element name: maroon
        0xFFB00000, // attribute name: red
        0xFF0040C0, // attribute value: blue
        0xFF007000, // comment: green
        0xFF606060, // CDATA: grey
        0xFF800080, // processing instruction: purple
        0xFFA04000, // reference: brown
        0xFF006070, // document type: teal
    };

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
    void ColourLine(qsizetype line, qsizetype length, std::vector<TextPane::ColourRun>& runs);

    TextPane* edit = nullptr;
    XmlLineStates lineStates;
    // Compared with, never used: it may be on its way out when the last events arrive.
    QObject* editViewport = nullptr;
    UserSettings ownSettings;
    UserSettings* settings = &ownSettings;
    bool clickSelectsAll = false;
};

// The one source pane of the process, set by its constructor.
extern SourceView* g_pSourceView;
