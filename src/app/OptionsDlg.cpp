#include "OptionsDlg.h"

#include "Prompts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The settings this dialog shows and edits, from one set to the other.
void CopyOptions(const UserSettings& from, UserSettings& to)
{
    to.XmlSourceFormat = from.XmlSourceFormat;
    to.XmlSourceFormatSpaces = from.XmlSourceFormatSpaces;
    to.ShowAttributesInTree = from.ShowAttributesInTree;
    to.XsltOutput = from.XsltOutput;
    to.XsltPreview = from.XsltPreview;
    to.XsltPreviewProgram = from.XsltPreviewProgram;
    to.ExpandOnLoad = from.ExpandOnLoad;
    to.ImageScale = from.ImageScale;
}

} // namespace

SpacesBox::SpacesBox(QWidget* parent)
    : QSpinBox(parent)
{
    // Wide enough to take what a user may type, so that OK sees it and refuses it.
    setRange(-999, 999);
    setAlignment(Qt::AlignRight);
}

void SpacesBox::stepBy(int steps)
{
    setValue(std::clamp(value() + steps, Lowest, Highest));
    selectAll();
}

QAbstractSpinBox::StepEnabled SpacesBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (value() < Highest)
        enabled |= StepUpEnabled;
    if (value() > Lowest)
        enabled |= StepDownEnabled;
    return enabled;
}

OptionsDlg::OptionsDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options"));

    auto* sourceBox = new QGroupBox(QStringLiteral("XML Source Format "), this);
    sourceFormat = AddRadios(sourceBox,
        { QStringLiteral("Raw"), QStringLiteral("Insert Tabs"), QStringLiteral("Insert Spaces") },
        "sourceFormat", false);
    spaces = new SpacesBox(sourceBox);
    spaces->setObjectName(QStringLiteral("spaces"));
    // Fields without a label of their own: screen readers would name them after their box.
    spaces->setAccessibleName(QStringLiteral("Spaces per level"));
    auto* sourceLayout = new QGridLayout(sourceBox);
    for (int index = 0; index < 3; ++index)
        sourceLayout->addWidget(sourceFormat->button(index), index, 0);
    sourceLayout->addWidget(spaces, 2, 1);
    sourceLayout->setColumnStretch(2, 1);
    sourceLayout->setRowStretch(3, 1);

    auto* attributesBox = new QGroupBox(QStringLiteral("Attributes In Tree "), this);
    attributesInTree = AddRadios(attributesBox,
        { QStringLiteral("None"), QStringLiteral("Value Only"), QStringLiteral("Name and Value") },
        "attributesInTree");

    auto* xsltBox = new QGroupBox(QStringLiteral("XSLT Transformation "), this);
    auto* xsltLayout = new QGridLayout(xsltBox);
    output = new QButtonGroup(this);
    xsltLayout->addWidget(new QLabel(QStringLiteral("Output:"), xsltBox), 0, 0);
    const QString outputTexts[]
        = { QStringLiteral("File"), QStringLiteral("File and Preview"), QStringLiteral("Preview") };
    for (int index = 0; index < 3; ++index) {
        auto* radio = new QRadioButton(outputTexts[index], xsltBox);
        radio->setObjectName(QStringLiteral("output%1").arg(index));
        output->addButton(radio, index);
        xsltLayout->addWidget(radio, 0, index + 1);
    }
    previewWith = new QButtonGroup(this);
    xsltLayout->addWidget(new QLabel(QStringLiteral("Preview With:"), xsltBox), 1, 0);
    auto* defaultPreview = new QRadioButton(QStringLiteral("Default"), xsltBox);
    defaultPreview->setObjectName(QStringLiteral("previewWith0"));
    auto* programPreview = new QRadioButton(xsltBox);
    programPreview->setObjectName(QStringLiteral("previewWith1"));
    previewWith->addButton(defaultPreview, 0);
    previewWith->addButton(programPreview, 1);
    program = new QLineEdit(xsltBox);
    program->setObjectName(QStringLiteral("program"));
    programPreview->setAccessibleName(QStringLiteral("Preview with a program"));
    program->setAccessibleName(QStringLiteral("Preview program"));
    program->setMinimumWidth(220);
    browse = new QPushButton(QStringLiteral("..."), xsltBox);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setAccessibleName(QStringLiteral("Browse for the preview program"));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    auto* programRow = new QHBoxLayout;
    programRow->addWidget(programPreview);
    programRow->addWidget(program, 1);
    programRow->addWidget(browse);
    xsltLayout->addWidget(defaultPreview, 1, 1);
    xsltLayout->addLayout(programRow, 2, 1, 1, 3);

    auto* miscBox = new QGroupBox(QStringLiteral("Miscellaneous "), this);
    expandOnLoad = new QCheckBox(QStringLiteral("Expand On Load"), miscBox);
    expandOnLoad->setObjectName(QStringLiteral("expandOnLoad"));
    auto* miscLayout = new QVBoxLayout(miscBox);
    miscLayout->addWidget(expandOnLoad);
    miscLayout->addStretch();

    auto* imageBox = new QGroupBox(QStringLiteral("Image Scale "), this);
    imageScale = AddRadios(imageBox,
        { QStringLiteral("Real Size"), QStringLiteral("Fit"), QStringLiteral("Stretch") },
        "imageScale");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(sourceBox, 0, 0);
    layout->addWidget(attributesBox, 0, 1);
    layout->addWidget(xsltBox, 1, 0, 1, 2);
    layout->addWidget(miscBox, 2, 0);
    layout->addWidget(imageBox, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A click reads the controls, then enables what the choice allows.
    for (QButtonGroup* group : { sourceFormat, previewWith }) {
        connect(group, &QButtonGroup::idClicked, this, [this] {
            ReadControls();
            UpdateEnabling();
        });
    }
    connect(browse, &QPushButton::clicked, this, &OptionsDlg::OnBrowse);
    ShowValues();
}

QButtonGroup* OptionsDlg::AddRadios(
    QGroupBox* box, const QList<QString>& texts, const char* name, bool column)
{
    auto* group = new QButtonGroup(this);
    for (int index = 0; index < texts.size(); ++index) {
        auto* radio = new QRadioButton(texts[index], box);
        radio->setObjectName(QString::fromLatin1(name) + QString::number(index));
        group->addButton(radio, index);
    }
    if (column) {
        auto* layout = new QVBoxLayout(box);
        for (QAbstractButton* radio : group->buttons())
            layout->addWidget(radio);
        layout->addStretch();
    }
    return group;
}

QString OptionsDlg::RangeWarning()
{
    return QStringLiteral("Please enter an integer between %1 and %2.")
        .arg(SpacesBox::Lowest)
        .arg(SpacesBox::Highest);
}

void OptionsDlg::SetValues(const UserSettings& settings)
{
    CopyOptions(settings, values);
    ShowValues();
}

void OptionsDlg::ApplyTo(UserSettings& settings) const { CopyOptions(values, settings); }

void OptionsDlg::ShowValues()
{
    const std::pair<QButtonGroup*, int> radios[] = { { sourceFormat, values.XmlSourceFormat },
        { attributesInTree, values.ShowAttributesInTree }, { output, values.XsltOutput },
        { previewWith, values.XsltPreview }, { imageScale, values.ImageScale } };
    for (const auto& [group, index] : radios) {
        if (QAbstractButton* button = group->button(index))
            button->setChecked(true);
    }
    spaces->setValue(values.XmlSourceFormatSpaces);
    program->setText(values.XsltPreviewProgram);
    expandOnLoad->setChecked(values.ExpandOnLoad);
    UpdateEnabling();
}

void OptionsDlg::ReadControls()
{
    values.XmlSourceFormat = sourceFormat->checkedId();
    if (spaces->value() >= SpacesBox::Lowest && spaces->value() <= SpacesBox::Highest)
        values.XmlSourceFormatSpaces = spaces->value();
    values.ShowAttributesInTree = attributesInTree->checkedId();
    values.XsltOutput = output->checkedId();
    values.XsltPreview = previewWith->checkedId();
    values.XsltPreviewProgram = program->text();
    values.ExpandOnLoad = expandOnLoad->isChecked();
    values.ImageScale = imageScale->checkedId();
}

void OptionsDlg::UpdateEnabling()
{
    spaces->setEnabled(sourceFormat->checkedId() == 2);
    const bool withProgram = previewWith->checkedId() == 1;
    program->setEnabled(withProgram);
    browse->setEnabled(withProgram);
}

void OptionsDlg::accept()
{
    // A number outside the range only matters while spaces are chosen; otherwise the setting
    // keeps the last good number.
    const int number = spaces->value();
    if (sourceFormat->checkedId() == 2
        && (number < SpacesBox::Lowest || number > SpacesBox::Highest)) {
        Prompts::Instance().MessageBox(
            RangeWarning(), QString(), Prompts::Buttons::Ok, Prompts::Icon::Warning);
        spaces->setFocus();
        spaces->selectAll();
        return;
    }
    ReadControls();
    QDialog::accept();
}

void OptionsDlg::OnBrowse()
{
    ReadControls();
    const QString path = Prompts::Instance().GetOpenFileName(
        QString(), QStringLiteral("All files (*)"), values.XsltPreviewProgram);
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable()) {
        Prompts::Instance().MessageBox(QStringLiteral("%1 is not an executable program.").arg(path),
            QString(), Prompts::Buttons::Ok, Prompts::Icon::Warning);
    }
    values.XsltPreviewProgram = path;
    ShowValues();
}
