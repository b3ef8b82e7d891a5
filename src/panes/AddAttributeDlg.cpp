#include "AddAttributeDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

AddAttributeDlg::AddAttributeDlg(QWidget* parent)
    : ResizableDialog(parent)
{
    setWindowTitle(QStringLiteral("Add Attribute"));

    auto* group = new QGroupBox(QStringLiteral("Attribute"), this);
    nameEdit = new QLineEdit(group);
    valueEdit = new QLineEdit(group);
    // A value may be far longer than QLineEdit's default limit of 32,767 characters.
    nameEdit->setMaxLength(std::numeric_limits<int>::max());
    valueEdit->setMaxLength(std::numeric_limits<int>::max());
    auto* fields = new QFormLayout(group);
    fields->addRow(QStringLiteral("Name:"), nameEdit);
    fields->addRow(QStringLiteral("Value:"), valueEdit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    resize(320, sizeHint().height());
}

QString AddAttributeDlg::GetName() const { return nameEdit->text(); }

QString AddAttributeDlg::GetValue() const { return valueEdit->text(); }
