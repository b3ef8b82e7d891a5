#pragma once

#include "ResizableFormView.h"
#include "UserSettings.h"

#include <QImage>

class QScrollBar;
class TrelvoDoc;

// The image pane: decodes the selected node's value as a base64 picture and shows it at real
// size with scroll bars, fitted with its proportions kept, or stretched over the pane.
class ImageView : public ResizableFormView {
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    // The settings where the pane reads and writes ImageScale (not owned); without them (null)
    // it keeps its own.
    void SetSettings(UserSettings* shared) { settings = shared ? shared : &ownSettings; }
    UserSettings& Settings() const { return *settings; }
    int ImageScale() const { return settings->ImageScale; }

    // Null until the view is added to a document.
    TrelvoDoc* Doc() const;

    // Loads the picture of the document's selected node and redraws; a hidden pane, or one with
    // no selected node, keeps what it shows.
    void RefreshImage();
    // Replaces the picture by the one text holds as base64, or by none.
    void LoadPictureFromText(const QString& text);
    void UpdateScrollBars();

    bool HasPicture() const { return !picture.isNull(); }
    QSize PictureSize() const { return picture.size(); }
    // The rectangle the picture is drawn in, scroll positions applied; empty without a picture.
    QRect DrawnRect() const;
    // The part of the pane not covered by scroll bars.
    QRect ClientRect() const;
    QScrollBar* HorizontalBar() const { return hBar; }
    QScrollBar* VerticalBar() const { return vBar; }

    // The scale menu at globalPos, through the prompts; the chosen command runs on this pane.
    void ShowContextMenu(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetScale(int scale);
    void PlaceScrollBars();
    void OnScrollAction(QScrollBar* bar, int action, int extent);
    void Paint();

    QImage picture;
    QScrollBar* hBar = nullptr;
    QScrollBar* vBar = nullptr;
    UserSettings ownSettings;
    UserSettings* settings = &ownSettings;
};

// The one image pane of the process, set by its constructor.
extern ImageView* g_pImageView;
