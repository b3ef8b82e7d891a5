#include "PlainView.h"

#include "AppCommands.h"
#include "FrameWindow.h"
#include "TrelvoDoc.h"
#include "dom/DomNodeList.h"

#include <QDir>
#include <QFontDatabase>
#include <QStringList>

PlainView::PlainView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void PlainView::OnInitialUpdate()
{
    setPlainText(Summary());
    const auto* document = dynamic_cast<const TrelvoDoc*>(GetDocument());
    if (auto* frame = dynamic_cast<FrameWindow*>(window()); frame && document) {
        frame->SetPaneText(
            AppCommands::LoadTimePane, AppCommands::LoadTimeText(document->LoadTime));
    }
}

void PlainView::OnUpdate(View*, long hint)
{
    // The nodes are about to go; nothing of them may be shown after that.
    setPlainText(hint == TrelvoDoc::HintClear ? QString() : Summary());
}

QString PlainView::Summary() const
{
    const auto* document = dynamic_cast<const TrelvoDoc*>(GetDocument());
    if (!document || document->dom.isNull())
        return QStringLiteral("No document is open.");
    QStringList lines;
    if (!document->GetPathName().isEmpty())
        lines << QStringLiteral("File: ") + QDir::toNativeSeparators(document->GetPathName());
    if (const QString styleSheet = document->GetLinkedStylesheet(); !styleSheet.isEmpty())
        lines << QStringLiteral("Linked style sheet: ") + QDir::toNativeSeparators(styleSheet);
    const DomElement root = document->dom.documentElement();
    if (root.isNull()) {
        lines << QStringLiteral("The document has no root element.");
    } else {
        lines << QStringLiteral("Root element: ") + root.nodeName();
        lines << QStringLiteral("Child nodes: %1").arg(root.childNodes().length());
    }
    return lines.join(u'\n');
}
