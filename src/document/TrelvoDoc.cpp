#include "TrelvoDoc.h"

#include "BusyCursor.h"
#include "Prompts.h"
#include "SourceFormatter.h"
#include "TickCount.h"
#include "View.h"
#include "dom/DomNamedNodeMap.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <exception>

namespace {

// A whole line of a one-line file can be hundreds of megabytes; the message box shows a window
// of it around the error instead.
constexpr qsizetype MaxExcerpt = 200;

QString UnknownErrorText()
{
    return QStringLiteral("Unknown error occured while processing the XML document!");
}

void ShowUnknownError()
{
    Prompts::Instance().MessageBox(
        UnknownErrorText(), QString(), Prompts::Buttons::Ok, Prompts::Icon::Error);
}

QString LineExcerpt(const QString& line, int linepos)
{
    if (line.size() <= MaxExcerpt)
        return line;
    const qsizetype errorAt = qBound<qsizetype>(0, qsizetype(linepos) - 1, line.size() - 1);
    qsizetype start = qBound<qsizetype>(0, errorAt - MaxExcerpt / 2, line.size() - MaxExcerpt);
    qsizetype end = start + MaxExcerpt;
    // Never cut a character in two.
    if (start > 0 && line.at(start).isLowSurrogate())
        ++start;
    if (end < line.size() && line.at(end).isLowSurrogate())
        --end;
    QString excerpt = line.mid(start, end - start);
    if (start > 0)
        excerpt.prepend(QChar(0x2026));
    if (end < line.size())
        excerpt.append(QChar(0x2026));
    return excerpt;
}

void ShowParseError(const DomParseError& error)
{
    QString reason = error.reason;
    if (!reason.endsWith(u'\n'))
        reason += u'\n';
    const QString text
        = QStringLiteral("%1Error processing resource '%2'. Line %3. Position %4\n\n%5")
              .arg(reason, error.url, QString::number(error.line), QString::number(error.linepos),
                  LineExcerpt(error.srcText, error.linepos));
    Prompts::Instance().MessageBox(text, QString(), Prompts::Buttons::Ok, Prompts::Icon::None);
}

bool IsSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'=' || c == u'"'
        || c == u'\'';
}

QStringList Tokens(const QString& data)
{
    QStringList tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= data.size(); ++i) {
        const bool separator = i == data.size() || IsSeparator(data.at(i));
        if (separator && start >= 0) {
            tokens.append(data.mid(start, i - start));
            start = -1;
        } else if (!separator && start < 0) {
            start = i;
        }
    }
    return tokens;
}

// The href of an xml-stylesheet instruction of type text/xsl, else empty.
QString XslHref(const QString& data)
{
    QString type;
    QString href;
    QString previous;
    for (const QString& token : Tokens(data)) {
        if (previous == u"type")
            type = token;
        else if (previous == u"href")
            href = token;
        previous = token;
    }
    return type == u"text/xsl" ? href : QString();
}

// A path from the root, a drive path, or a URL with a scheme of two letters or more (one letter
// is a drive).
bool IsAbsoluteHref(const QString& href)
{
    static const QRegularExpression absolute(
        QStringLiteral("^(/|[A-Za-z]:[\\\\/]|[A-Za-z][A-Za-z0-9+.\\-]+:)"));
#ifdef Q_OS_WIN
    if (href.startsWith(u'\\'))
        return true;
#endif
    return absolute.match(href).hasMatch();
}

QString FolderOf(const QString& path)
{
    qsizetype last = path.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    last = std::max(last, path.lastIndexOf(u'\\'));
#endif
    return path.left(last + 1);
}

} // namespace

TrelvoDoc::TrelvoDoc() { SetFileType(FileFilter(), DefaultExtension()); }

bool TrelvoDoc::OnNewDocument()
{
    if (!Document::OnNewDocument())
        return false;
    ReleaseDom();
    try {
        dom = DomDocument::Create();
    } catch (const std::exception&) {
        // An empty document without a DOM is still usable: the views show nothing.
        dom = DomDocument();
    }
    LoadTime = 0;
    return true;
}

bool TrelvoDoc::OnOpenDocument(const QString& path)
{
    LoadTime = TickCount();
    // The file is read into a DOM of its own, so that a file that does not parse leaves the
    // open document as it was instead of an empty one that a save would write over the file.
    DomDocument loaded;
    DomResult result = DomFail;
    try {
        loaded = DomDocument::Create();
        result = loaded.load(path);
    } catch (const std::exception&) {
        loaded = DomDocument();
    }
    if (Succeeded(result)) {
        ReleaseDom();
        dom = loaded;
        Document::OnOpenDocument(path);
    }
    LoadTime = TickCount() - LoadTime;
    if (Succeeded(result))
        return true;

    const DomParseError error = loaded.parseError();
    if (loaded.isNull() || (error.errorCode == 0 && error.reason.isEmpty()))
        ShowUnknownError();
    else
        ShowParseError(error);
    return false;
}

bool TrelvoDoc::OnSaveDocument(const QString& path)
{
    if (!Save(path))
        return false;
    SetModifiedFlag(false);
    return true;
}

bool TrelvoDoc::Save(const QString& path)
{
    if (dom.isNull())
        return true;
    if (!HasRootElement()) {
        Prompts::Instance().MessageBox(
            QStringLiteral("The document does not contain top-level element and is unlikely to "
                           "open subsequently. Make sure the document has root."),
            QString(), Prompts::Buttons::Ok, Prompts::Icon::None);
    }

    QString reason;
    DomResult result = DomFail;
    try {
        BusyCursor busy;
        SourceFormatter formatter;
        formatter.preserveText = true;
        formatter.indentSpaces = 0;
        const QString text = formatter.Format(dom.documentNode(), 0);
        DomDocument formatted = DomDocument::Create();
        // The DOM drops indentation on load and never re-creates it, so without this the
        // formatted text would lose its line breaks and tabs again.
        formatted.setPreserveWhiteSpace(true);
        // Text that does not parse (a document without a root) is saved as the DOM holds it,
        // never as an empty document.
        const bool useFormatted
            = Succeeded(formatted.loadXML(text)) && formatted.documentNode().hasChildNodes();
        result = (useFormatted ? formatted : dom).save(path, &reason);
    } catch (const std::exception&) {
        ShowUnknownError();
        return false;
    }
    if (Succeeded(result))
        return true;
    Prompts::Instance().MessageBox(QStringLiteral("The document could not be saved to %1.\n\n%2")
                                       .arg(QDir::toNativeSeparators(path), reason),
        QString(), Prompts::Buttons::Ok, Prompts::Icon::Error);
    return false;
}

void TrelvoDoc::OnCloseDocument()
{
    ReleaseDom();
    Document::OnCloseDocument();
}

void TrelvoDoc::ReleaseDom()
{
    if (dom.isNull())
        return;
    SelectedNode = DomNode();
    UpdateAllViews(nullptr, HintClear);
    dom = DomDocument();
}

bool TrelvoDoc::HasRootElement() const
{
    if (dom.isNull())
        return false;
    for (DomNode child = dom.documentNode().firstChild(); child; child = child.nextSibling()) {
        if (child.nodeType() == NodeType::Element)
            return true;
    }
    return false;
}

bool TrelvoDoc::IsRootElement(const DomNode& node)
{
    if (node.nodeType() != NodeType::Element)
        return false;
    const DomNode parent = node.parentNode();
    return !parent.isNull() && parent.parentNode().isNull();
}

bool TrelvoDoc::IsFirstSibling(const DomNode& node) { return node.previousSibling().isNull(); }

bool TrelvoDoc::IsLastSibling(const DomNode& node) { return node.nextSibling().isNull(); }

QString TrelvoDoc::GetLinkedStylesheet() const
{
    if (dom.isNull())
        return QString();
    QString href;
    for (DomNode child = dom.documentNode().firstChild(); child && href.isEmpty();
         child = child.nextSibling()) {
        if (child.nodeType() == NodeType::ProcessingInstruction
            && child.nodeName().contains(QStringLiteral("xml-stylesheet")))
            href = XslHref(child.nodeValue().value_or(QString()));
    }
    if (href.isEmpty() || IsAbsoluteHref(href))
        return href;
    // A relative href means nothing without the folder of a saved document.
    const QString path = GetPathName();
    return path.isEmpty() ? QString() : FolderOf(path) + href;
}

void TrelvoDoc::DeleteNode(const DomNode& node)
{
    node.parentNode().removeChild(node);
    SetModifiedFlag(true);
}

bool TrelvoDoc::MoveNodeTo(const DomNode& node, const DomNode& newParent)
{
    if (Failed(DomNode(newParent).appendChild(node)))
        return false;
    SetModifiedFlag(true);
    return true;
}

DomNode TrelvoDoc::CopyNodeTo(const DomNode& node, const DomNode& newParent)
{
    const DomNode clone = node.cloneNode(true);
    return clone.isNull() ? DomNode() : AppendNew(newParent, clone);
}

bool TrelvoDoc::MoveNodeUp(const DomNode& node)
{
    DomNode parent = node.parentNode();
    const DomNode previous = node.previousSibling();
    if (parent.isNull() || previous.isNull() || Failed(parent.insertBefore(node, previous)))
        return false;
    SetModifiedFlag(true);
    return true;
}

bool TrelvoDoc::MoveNodeDown(const DomNode& node)
{
    DomNode parent = node.parentNode();
    const DomNode next = node.nextSibling();
    // Inserting before the node after next; a null reference appends when next is the last.
    if (parent.isNull() || next.isNull() || Failed(parent.insertBefore(node, next.nextSibling())))
        return false;
    SetModifiedFlag(true);
    return true;
}

DomElement TrelvoDoc::InsertElement(
    const DomNode& parent, const QString& name, const DomNode& before)
{
    const DomElement element = dom.createElement(name);
    if (element.isNull() || Failed(DomNode(parent).insertBefore(element, before)))
        return DomElement();
    SetModifiedFlag(true);
    return element;
}

DomNode TrelvoDoc::AppendText(const DomNode& parent, const QString& text)
{
    return AppendNew(parent, dom.createTextNode(text));
}

DomNode TrelvoDoc::AppendComment(const DomNode& parent, const QString& text)
{
    return AppendNew(parent, dom.createComment(text));
}

DomNode TrelvoDoc::AppendCDATASection(const DomNode& parent, const QString& text)
{
    return AppendNew(parent, dom.createCDATASection(text));
}

DomNode TrelvoDoc::InsertProcessingInstruction(
    const DomNode& parent, const QString& target, const QString& data)
{
    const bool declaration = target == u"xml";
    DomNode before = parent.firstChild();
    if (declaration) {
        for (DomNode child = before; child; child = child.nextSibling()) {
            if (child.nodeName() == u"xml")
                return DomNode();
        }
    } else {
        while (before && before.nodeType() == NodeType::ProcessingInstruction)
            before = before.nextSibling();
    }
    const DomNode instruction = dom.createProcessingInstruction(target, data);
    if (instruction.isNull() || Failed(DomNode(parent).insertBefore(instruction, before)))
        return DomNode();
    SetModifiedFlag(true);
    return instruction;
}

DomAttribute TrelvoDoc::AddAttribute(
    const DomNode& element, const QString& name, const QString& value)
{
    DomAttribute attribute = dom.createAttribute(name);
    DomElement owner = element.toElement();
    if (attribute.isNull() || owner.isNull() || Failed(attribute.setValue(value))
        || Failed(owner.setAttributeNode(attribute)))
        return DomAttribute();
    SetModifiedFlag(true);
    return attribute;
}

void TrelvoDoc::RemoveAttribute(const DomNode& node, const DomNode& attribute)
{
    DomNamedNodeMap map = node.attributes();
    if (map.isNull())
        return;
    map.removeNamedItem(attribute.nodeName());
    SetModifiedFlag(true);
}

DomNode TrelvoDoc::AppendNew(const DomNode& parent, const DomNode& child)
{
    if (child.isNull() || Failed(DomNode(parent).appendChild(child)))
        return DomNode();
    SetModifiedFlag(true);
    return child;
}
