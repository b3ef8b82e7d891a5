#include "SInsertItemDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

SInsertItemDlg::SInsertItemDlg(const QString& title, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("value"));
    edit->setMaxLength(std::numeric_limits<int>::max());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Value:"), this);
    // The label names the field for screen readers.
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edit->setMinimumWidth(280);
}

QString SInsertItemDlg::GetValue() const { return edit->text(); }
