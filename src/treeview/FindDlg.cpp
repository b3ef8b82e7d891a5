#include "FindDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

int Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

} // namespace

FindDlg::FindDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Find"));
    values.direction = -1;

    auto* label = new QLabel(QStringLiteral("String to find:"), this);
    textEdit = new QLineEdit(this);
    textEdit->setObjectName(QStringLiteral("findText"));
    textEdit->setMinimumWidth(260);
    label->setBuddy(textEdit);

    auto* searchIn = new QGroupBox(QStringLiteral("Search in "), this);
    auto* checks = new QVBoxLayout(searchIn);
    names = AddCheck(QStringLiteral("Element &names"), "names");
    elementValues = AddCheck(QStringLiteral("Element &values"), "values");
    attributes = AddCheck(QStringLiteral("A&ttributes"), "attributes");
    wholeWords = AddCheck(QStringLiteral("Match &whole words only"), "wholeWords");
    matchCase = AddCheck(QStringLiteral("Match &case"), "matchCase");
    for (QCheckBox* box : { names, elementValues, attributes, wholeWords, matchCase })
        checks->addWidget(box);

    auto* directionBox = new QGroupBox(QStringLiteral("Direction "), this);
    auto* radios = new QVBoxLayout(directionBox);
    direction = new QButtonGroup(this);
    const QString radioTexts[] = { QStringLiteral("&Up"), QStringLiteral("&Down") };
    for (int index = 0; index < 2; ++index) {
        auto* radio = new QRadioButton(radioTexts[index], directionBox);
        radio->setObjectName(index == 0 ? QStringLiteral("up") : QStringLiteral("down"));
        direction->addButton(radio, index);
        radios->addWidget(radio);
    }
    radios->addStretch();

    findButton = new QPushButton(QStringLiteral("&Find"), this);
    findButton->setObjectName(QStringLiteral("find"));
    findButton->setDefault(true);
    findButton->setEnabled(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    connect(findButton, &QPushButton::clicked, this, &FindDlg::OnFind);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(textEdit, &QLineEdit::textChanged, this,
        [this](const QString& text) { findButton->setEnabled(!text.isEmpty()); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findButton);
    buttons->addWidget(close);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(textEdit, 1, 0, 1, 2);
    layout->addWidget(searchIn, 2, 0);
    layout->addWidget(directionBox, 2, 1);
    layout->addLayout(buttons, 1, 2, 2, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QCheckBox* FindDlg::AddCheck(const QString& text, const char* name)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

void FindDlg::Activate()
{
    show();
    raise();
    activateWindow();
    textEdit->setFocus();
    textEdit->selectAll();
}

void FindDlg::SetValues(const FindRequest& newValues)
{
    values = newValues;
    textEdit->setText(values.text);
    // With -1 neither radio button is checked, which only an exclusive group without a checked
    // button allows.
    direction->setExclusive(false);
    for (QAbstractButton* button : direction->buttons())
        button->setChecked(direction->id(button) == values.direction);
    direction->setExclusive(true);
    names->setChecked(values.searchNames != 0);
    elementValues->setChecked(values.searchValues != 0);
    attributes->setChecked(values.searchAttributes != 0);
    wholeWords->setChecked(values.wholeWords != 0);
    matchCase->setChecked(values.matchCase != 0);
}

void FindDlg::OnFind()
{
    values.text = textEdit->text();
    values.direction = direction->checkedId();
    values.searchNames = Flag(names);
    values.searchValues = Flag(elementValues);
    values.searchAttributes = Flag(attributes);
    values.wholeWords = Flag(wholeWords);
    values.matchCase = Flag(matchCase);
    emit FindRequested(values);
}
