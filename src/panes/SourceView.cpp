#include "SourceView.h"

#include "SourceFormatter.h"
#include "TextPane.h"
#include "TrelvoDoc.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>

SourceView* g_pSourceView = nullptr;

SourceView::SourceView(QWidget* parent)
    : ResizableFormView(parent)
    , edit(new TextPane(GetForm()))
{
    SetDesignSize(QSize(0, 0));
    edit->installEventFilter(this);
    editViewport = edit->viewport();
    editViewport->installEventFilter(this);
    g_pSourceView = this;
}

SourceView::~SourceView()
{
    if (g_pSourceView == this)
        g_pSourceView = nullptr;
}

TrelvoDoc* SourceView::Doc() const { return dynamic_cast<TrelvoDoc*>(GetDocument()); }

const QString& SourceView::Text() const { return edit->Text(); }

void SourceView::SetupSourceEdit()
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(BackgroundColor));
    // The background stays light in a dark desktop palette, so the text must stay dark.
    palette.setColor(QPalette::Text, Qt::black);
    edit->setPalette(palette);
    const QString family = QStringLiteral("Courier New");
    QFont font = QFontDatabase::families().contains(family)
        ? QFont(family)
        : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    font.setFixedPitch(true);
    edit->setFont(font);
}

void SourceView::RefreshSource()
{
    if (!isVisible())
        return;
    edit->SetText(MakeText());
}

QString SourceView::MakeText() const
{
    const TrelvoDoc* doc = Doc();
    if (!doc || !doc->SelectedNode)
        return QString();
    const UserSettings& values = Settings();
    if (values.XmlSourceFormat == 0)
        return doc->SelectedNode.xml();
    SourceFormatter formatter;
    formatter.preserveText = false;
    formatter.indentSpaces = values.XmlSourceFormat == 1 ? 0 : values.XmlSourceFormatSpaces;
    return formatter.Format(doc->SelectedNode, 0);
}

bool SourceView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit && event->type() == QEvent::FocusIn) {
        edit->SelectAll();
        // The click that brings the focus comes next and must not undo the selection.
        clickSelectsAll = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
    }
    if (watched == edit && event->type() == QEvent::FocusOut)
        clickSelectsAll = false;
    if (watched == editViewport && clickSelectsAll) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
            return true;
        case QEvent::MouseButtonRelease:
            clickSelectsAll = false;
            return true;
        default:
            break;
        }
    }
    if (watched == GetForm() && event->type() == QEvent::Resize)
        edit->setGeometry(GetForm()->rect());
    return ResizableFormView::eventFilter(watched, event);
}
