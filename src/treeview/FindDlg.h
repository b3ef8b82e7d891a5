#pragma once

#include "FindRequest.h"

#include <QDialog>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The modeless find dialog: the text and options of a search. Find copies the controls into its
// values and asks for the search; Close and Escape only hide it, so it keeps what it shows.
class FindDlg : public QDialog {
    Q_OBJECT

public:
    explicit FindDlg(QWidget* parent = nullptr);

    // The text, direction (-1: neither button checked) and flags, as last confirmed with Find.
    const FindRequest& Values() const { return values; }
    // Sets the values and shows them in the controls.
    void SetValues(const FindRequest& newValues);

    // Shows the dialog in front with the text selected for typing over.
    void Activate();

    QLineEdit* TextEdit() const { return textEdit; }
    QPushButton* FindButton() const { return findButton; }

signals:
    // Find was pressed; request holds the values it confirmed.
    void FindRequested(const FindRequest& request);

private:
    void OnFind();
    QCheckBox* AddCheck(const QString& text, const char* name);

    FindRequest values;
    QLineEdit* textEdit = nullptr;
    QButtonGroup* direction = nullptr;
    QCheckBox* names = nullptr;
    QCheckBox* elementValues = nullptr;
    QCheckBox* attributes = nullptr;
    QCheckBox* wholeWords = nullptr;
    QCheckBox* matchCase = nullptr;
    QPushButton* findButton = nullptr;
};
