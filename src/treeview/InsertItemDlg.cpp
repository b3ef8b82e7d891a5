#include "InsertItemDlg.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>

namespace {
// The template: controls placed in a client area of this size, then anchored.
constexpr int TemplateWidth = 360;
constexpr int TemplateHeight = 220;
constexpr int Margin = 7;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 23;
} // namespace

InsertItemDlg::InsertItemDlg(const QString& title, const QString& value, QWidget* parent)
    : ResizableDialog(parent)
{
    setWindowTitle(title);
    setMinimumSize(MinimumWidth, MinimumHeight);
    resize(TemplateWidth, TemplateHeight);

    auto* label = new QLabel(QStringLiteral("Value:"), this);
    label->setGeometry(Margin, Margin, TemplateWidth - 2 * Margin, 16);
    edit = new QPlainTextEdit(this);
    edit->setObjectName(QStringLiteral("value"));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(true);
    edit->setPlainText(value);
    const int buttonsTop = TemplateHeight - Margin - ButtonHeight;
    const int separatorTop = buttonsTop - Margin - 2;
    edit->setGeometry(
        Margin, Margin + 20, TemplateWidth - 2 * Margin, separatorTop - Margin - (Margin + 20));
    label->setBuddy(edit);

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(Margin, separatorTop, TemplateWidth - 2 * Margin, 2);

    // Plain Enter belongs to the edit: neither button is the default.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setAutoDefault(false);
    ok->setGeometry(
        TemplateWidth / 2 - Margin / 2 - ButtonWidth, buttonsTop, ButtonWidth, ButtonHeight);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    cancel->setGeometry(TemplateWidth / 2 + Margin / 2 + 1, buttonsTop, ButtonWidth, ButtonHeight);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* control :
        { static_cast<QWidget*>(edit), static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel) })
        control->installEventFilter(this);
    edit->setFocus();
}

bool InsertItemDlg::OnInitDialog()
{
    ResizableDialog::OnInitDialog();
    AnchorControl(edit, AnchorTopLeft, AnchorBottomRight);
    AnchorControl(
        findChild<QFrame*>(QStringLiteral("separator")), AnchorBottomLeft, AnchorBottomRight);
    AnchorControl(
        findChild<QPushButton*>(QStringLiteral("ok")), AnchorBottomCenter, AnchorBottomCenter);
    AnchorControl(
        findChild<QPushButton*>(QStringLiteral("cancel")), AnchorBottomCenter, AnchorBottomCenter);
    if (remembered.x() >= 0 && remembered.y() >= 0 && remembered.width() > 0
        && remembered.height() > 0) {
        // The settings file may hold any size: keep it on the screen and above the minimum.
        const QScreen* current = screen();
        const QSize available = current ? current->availableGeometry().size()
                                        : QSize(remembered.width(), remembered.height());
        const int width = std::clamp(
            remembered.width(), MinimumWidth, std::max(MinimumWidth, available.width()));
        const int height = std::clamp(
            remembered.height(), MinimumHeight, std::max(MinimumHeight, available.height()));
        resize(width, height);
    }
    return true;
}

void InsertItemDlg::done(int result)
{
    // Stored as it is restored: the client area's size, so the dialog does not grow by its
    // frame at each opening.
    if (IsLayoutReady())
        remembered = geometry();
    ResizableDialog::done(result);
}

QString InsertItemDlg::GetValue() const
{
    // The plain text would turn a no-break space into a blank and a line separator into a line
    // feed; the raw text keeps them and separates the lines with paragraph separators.
    QString text = edit->document()->toRawText();
    return text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
}

bool InsertItemDlg::IsValueModified() const { return edit->document()->isModified(); }

bool InsertItemDlg::IsCtrlEnter(const QEvent* event) const
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & Qt::ControlModifier);
}

bool InsertItemDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (IsCtrlEnter(event)) {
        accept();
        return true;
    }
    return ResizableDialog::eventFilter(watched, event);
}

void InsertItemDlg::keyPressEvent(QKeyEvent* event)
{
    if (IsCtrlEnter(event)) {
        accept();
        return;
    }
    ResizableDialog::keyPressEvent(event);
}
