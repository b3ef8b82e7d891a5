#pragma once

#include "UserSettings.h"

#include <QDialog>
#include <QSpinBox>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The number of spaces per level: typed freely, so that OK can refuse a number outside 1 to 8
// with the warning, while the arrows and arrow keys step only within 1 to 8.
class SpacesBox : public QSpinBox {
    Q_OBJECT

public:
    static constexpr int Lowest = 1;
    static constexpr int Highest = 8;

    explicit SpacesBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
};

// The modal options dialog: eight of the settings, with the spaces field and the preview program
// enabled only when their radio buttons are chosen.
class OptionsDlg : public QDialog {
    Q_OBJECT

public:
    explicit OptionsDlg(QWidget* parent = nullptr);

    // Copies the eight settings into the dialog and its controls.
    void SetValues(const UserSettings& settings);
    // Copies the eight back, in the order the dialog shows them; call after OK.
    void ApplyTo(UserSettings& settings) const;

    void accept() override;

    SpacesBox* Spaces() const { return spaces; }
    QLineEdit* Program() const { return program; }
    QPushButton* Browse() const { return browse; }

    static QString RangeWarning();

private:
    // Radio buttons numbered from 0 in box, one below the other unless column is false.
    QButtonGroup* AddRadios(
        QGroupBox* box, const QList<QString>& texts, const char* name, bool column = true);
    // Reads every control but the spaces field into the values; that one only when its number
    // is within 1 to 8.
    void ReadControls();
    void ShowValues();
    void UpdateEnabling();
    void OnBrowse();

    UserSettings values;
    QButtonGroup* sourceFormat = nullptr;
    SpacesBox* spaces = nullptr;
    QButtonGroup* attributesInTree = nullptr;
    QButtonGroup* output = nullptr;
    QButtonGroup* previewWith = nullptr;
    QLineEdit* program = nullptr;
    QPushButton* browse = nullptr;
    QCheckBox* expandOnLoad = nullptr;
    QButtonGroup* imageScale = nullptr;
};
