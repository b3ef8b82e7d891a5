#pragma once

#include <QDialog>

class QLabel;

// The products dialog: a word on the maker's products for developers and a picture that opens
// the maker's web site when clicked.
class InfoDlg : public QDialog {
    Q_OBJECT

public:
    explicit InfoDlg(QWidget* parent = nullptr);

    static QString ProductsAddress();
    // The clickable picture, in the dialog's coordinates.
    QRect PictureRect() const;

protected:
    // Only where the button comes up counts: a press elsewhere followed by a release over the
    // picture opens the site too.
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* picture = nullptr;
};
