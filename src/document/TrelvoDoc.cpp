#include "TrelvoDoc.h"

#include "AvailableMemory.h"
#include "BusyCursor.h"
#include "FreedMemory.h"
#include "Progress.h"
#include "Prompts.h"
#include "SourceFormatter.h"
#include "TickCount.h"
#include "View.h"
#include "dom/DomNamedNodeMap.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <exception>
#include <utility>

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

// An open document takes about eleven times its file's size or more: libxml2's nodes, the
// tree's items and their handles (the peak was 13 times for a generated 200 MB file).
constexpr qint64 MemoryPerFileByte = 11;

QString SizeText(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 0);
}

// True when there is memory enough for the file's document or the user opens it anyway.
bool MemoryAllowsOpening(const QString& path)
{
    const qint64 needed = QFileInfo(path).size() * MemoryPerFileByte;
    const qint64 available = AvailableMemory::Bytes();
    if (available < 0 || needed <= available)
        return true;
    return Prompts::Instance().MessageBox(
               QStringLiteral("Opening %1 needs about %2 of memory, but only %3 is available. "
                              "The computer may become very slow, or the program may run out "
                              "of memory and close.\n\nOpen the file anyway?")
                   .arg(QDir::toNativeSeparators(path), SizeText(needed), SizeText(available)),
               QString(), Prompts::Buttons::YesNo, Prompts::Icon::Warning)
        == Prompts::Button::Yes;
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
    if (!MemoryAllowsOpening(path))
        return false;
    const quint32 previousLoadTime = LoadTime;
    LoadTime = TickCount();
    // The file is read into a DOM of its own, so that a file that does not parse leaves the
    // open document as it was instead of an empty one that a save would write over the file.
    DomDocument loaded;
    DomResult result = DomFail;
    try {
        Progress progress(QStringLiteral("Opening %1").arg(QFileInfo(path).fileName()));
        loaded = DomDocument::Create();
        result = loaded.load(
            path, [&progress](qint64 done, qint64 total) { return progress.Step(done, total); });
    } catch (const std::exception&) {
        loaded = DomDocument();
    }
    if (result == DomCancelled) {
        LoadTime = previousLoadTime;
        return false;
    }
    if (Succeeded(result)) {
        ReleaseDom();
        dom = loaded;
        Document::OnOpenDocument(path);
        stampedPath = path;
        stamp = StampOf(path);
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
    stampedPath = path;
    stamp = StampOf(path);
    SetModifiedFlag(false);
    UpdateAllViews(nullptr, HintSaved);
    return true;
}

TrelvoDoc::FileStamp TrelvoDoc::StampOf(const QString& path, std::optional<bool> withContent)
{
    const QFileInfo info(path);
    if (!info.exists())
        return FileStamp();
    FileStamp stamp { info.size(), info.fileTime(QFileDevice::FileModificationTime),
        info.fileTime(QFileDevice::FileMetadataChangeTime), std::nullopt };
    // File times are coarse (Linux takes them from a clock that ticks every few milliseconds,
    // FAT keeps two seconds), so a file changed that recently may change again without its
    // times moving: then the bytes decide. Mapping and hashing costs little next to a save.
    if (!withContent)
        withContent = stamp.changed.msecsTo(QDateTime::currentDateTimeUtc()) < 3000;
    if (*withContent) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const uchar* bytes = file.size() > 0 ? file.map(0, file.size()) : nullptr;
            stamp.content = bytes
                ? qHash(QByteArrayView(reinterpret_cast<const char*>(bytes), file.size()))
                : qHash(file.readAll());
        }
    }
    return stamp;
}

bool TrelvoDoc::ChangedOnDisk(const QString& path) const
{
    if (stampedPath.isEmpty() || QFileInfo(path) != QFileInfo(stampedPath))
        return false;
    const FileStamp now = StampOf(path, stamp.content.has_value());
    // A file deleted meanwhile is not overwritten: there is nothing to ask about.
    return now.size >= 0 && !(now == stamp);
}

bool TrelvoDoc::Save(const QString& path)
{
    if (dom.isNull())
        return true;
    if (ChangedOnDisk(path)
        && Prompts::Instance().MessageBox(
               QStringLiteral("%1 has been changed by another program since it was opened.\n"
                              "Do you want to overwrite it?")
                   .arg(QDir::toNativeSeparators(path)),
               QString(), Prompts::Buttons::YesNo, Prompts::Icon::Warning)
            != Prompts::Button::Yes)
        return false;
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
        // The markup is made and checked before the file is written, which alone reports how
        // far it got; before that the bar only shows that the work goes on.
        Progress progress(QStringLiteral("Saving %1").arg(QFileInfo(path).fileName()));
        const auto writing
            = [&progress](qint64 done, qint64 total) { return progress.Step(done, total); };
        SourceFormatter formatter;
        formatter.preserveText = true;
        formatter.indentSpaces = 0;
        formatter.pause = [&progress](qint64 made) { progress.Step(made, 0); };
        DomDocument formatted = DomDocument::Create();
        // The DOM drops indentation on load and never re-creates it, so without this the
        // formatted text would lose its line breaks and tabs again.
        formatted.setPreserveWhiteSpace(true);
        {
            // Parsed as UTF-8 and dropped once parsed: the UTF-16 text takes twice the memory,
            // and at hundreds of megabytes neither should outlive its use.
            const QByteArray text = formatter.Format(dom.documentNode(), 0).toUtf8();
            if (progress.Cancelled())
                result = DomCancelled;
            else
                result = formatted.loadXML(
                    text, [&progress](qint64 parsed, qint64) { return progress.Step(parsed, 0); });
        }
        if (Succeeded(result) && formatted.documentNode().hasChildNodes())
            result = formatted.save(path, &reason, writing);
        else if (result != DomCancelled)
            result = DomUnreadable;
        // Text that does not parse (a document without a root), or whose encoded bytes would
        // not, is saved as the DOM holds it, never as an empty document; those bytes are
        // checked the same way, and when they do not load either nothing is written.
        if (result == DomUnreadable)
            result = dom.save(path, &reason, writing);
    } catch (const std::exception&) {
        ShowUnknownError();
        return false;
    }
    // The formatted DOM is gone: without this a 200 MB document stayed 2.9 GB larger after
    // its save than after its open.
    ReturnFreedMemory();
    if (Succeeded(result) || result == DomCancelled)
        return Succeeded(result);
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
    // The views have dropped their items and node references, so the DOM is gone now.
    ReturnFreedMemory();
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

TreeChange TrelvoDoc::DeleteNode(const DomNode& node)
{
    DomNode parent = node.parentNode();
    TreeChange change(node, parent, node.nextSibling());
    // The DOM refuses, for one, to remove a document type: entity references depend on it.
    if (parent.isNull() || Failed(parent.removeChild(node)))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::MoveNodeTo(const DomNode& node, const DomNode& newParent)
{
    const DomNode parent = node.parentNode();
    TreeChange change(node, parent, node.nextSibling());
    if (parent == newParent && change.oldNext.isNull() && !parent.isNull())
        return change; // already the last child there
    // A parent no deeper than the old one cannot make the branch deeper than it already was.
    const bool deeper = parent.isNull() || newParent.elementDepth() > parent.elementDepth();
    if (deeper && !FitsUnder(node, newParent))
        return TreeChange();
    if (Failed(DomNode(newParent).appendChild(node)))
        return TreeChange();
    return Changed(std::move(change));
}

DomNode TrelvoDoc::CopyNodeTo(const DomNode& node, const DomNode& newParent)
{
    if (!FitsUnder(node, newParent))
        return DomNode();
    const DomNode clone = node.cloneNode(true);
    return clone.isNull() ? DomNode() : AppendNew(newParent, clone);
}

DomResult TrelvoDoc::AppendParsed(
    const DomNode& parent, const QString& text, std::vector<DomNode>& nodes, QString& reason)
{
    std::vector<DomNode> parsed;
    const DomResult result = dom.parseContent(parent, text, parsed, reason);
    if (result != DomOk)
        return result;
    const bool underElement = parent.nodeType() == NodeType::Element;
    for (const DomNode& node : parsed) {
        const NodeType type = node.nodeType();
        // What a paste within the tree may bring: instructions keep to the document's prologue,
        // and entity references get no item of their own.
        const bool fits = type == NodeType::Comment
            || (underElement
                && (type == NodeType::Element || type == NodeType::Text
                    || type == NodeType::CDataSection));
        if (!fits) {
            reason = underElement
                ? QStringLiteral(
                    "Only elements, text, CDATA sections and comments can be pasted.\n")
                : QStringLiteral("Only comments can be pasted at the top of the document.\n");
            return DomInvalidArgument;
        }
        if (!FitsUnder(node, parent)) {
            reason = QStringLiteral("The elements would nest too deeply.\n");
            return DomInvalidArgument;
        }
    }
    for (const DomNode& node : parsed) {
        if (Failed(DomNode(parent).appendChild(node))) {
            for (const DomNode& added : nodes)
                (void)DomNode(parent).removeChild(added);
            nodes.clear();
            reason = QStringLiteral("The document refused the nodes.\n");
            return DomInvalidArgument;
        }
        nodes.push_back(node);
    }
    SetModifiedFlag(true);
    return DomOk;
}

TreeChange TrelvoDoc::MoveNodeUp(const DomNode& node)
{
    DomNode parent = node.parentNode();
    const DomNode previous = node.previousSibling();
    TreeChange change(node, parent, node.nextSibling());
    if (parent.isNull() || previous.isNull() || Failed(parent.insertBefore(node, previous)))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::MoveNodeDown(const DomNode& node)
{
    DomNode parent = node.parentNode();
    const DomNode next = node.nextSibling();
    TreeChange change(node, parent, next);
    // Inserting before the node after next; a null reference appends when next is the last.
    if (parent.isNull() || next.isNull() || Failed(parent.insertBefore(node, next.nextSibling())))
        return TreeChange();
    return Changed(std::move(change));
}

DomElement TrelvoDoc::InsertElement(
    const DomNode& parent, const QString& name, const DomNode& before)
{
    if (parent.elementDepth() >= DomMaxElementDepth)
        return DomElement();
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

TreeChange TrelvoDoc::AddAttribute(
    const DomNode& element, const QString& name, const QString& value)
{
    DomAttribute attribute = dom.createAttribute(name);
    DomElement owner = element.toElement();
    if (attribute.isNull() || owner.isNull() || Failed(attribute.setValue(value)))
        return TreeChange();
    const DomAttribute replaced = owner.getAttributeNode(name);
    const QString oldValue = replaced.value();
    if (Failed(owner.setAttributeNode(attribute)))
        return TreeChange();
    SetModifiedFlag(true);
    TreeChange change(attribute);
    change.replaced = replaced;
    change.oldText = oldValue;
    change.changed = true;
    return change;
}

TreeChange TrelvoDoc::RemoveAttribute(const DomNode& node, const DomNode& attribute)
{
    DomNamedNodeMap map = node.attributes();
    if (map.isNull())
        return TreeChange();
    const QString name = attribute.nodeName();
    TreeChange change(map.getNamedItem(name));
    for (int i = 0; i < map.length() && change.oldIndex < 0; ++i) {
        if (map.item(i) == change.node)
            change.oldIndex = i;
    }
    // A name the node lacks changes nothing.
    if (change.node.isNull() || map.removeNamedItem(name) != DomOk)
        return TreeChange();
    change.oldParent = node;
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::RenameElement(const DomNode& element, const QString& name)
{
    DomElement target = element.toElement();
    TreeChange change(target);
    change.oldText = target.nodeName();
    if (target.isNull() || name == change.oldText)
        return change;
    if (Failed(target.rename(name)))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::SetNodeValue(const DomNode& node, const QString& value)
{
    TreeChange change(node);
    change.oldText = node.nodeValue().value_or(QString());
    if (node.isNull() || value == change.oldText)
        return change;
    if (Failed(DomNode(node).setNodeValue(value)))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::ReplaceDeclaration(const DomNode& declaration, const QString& data)
{
    DomNode parent = declaration.parentNode();
    const DomNode next = declaration.nextSibling();
    const QString old = declaration.nodeValue().value_or(QString());
    if (parent.isNull())
        return TreeChange();
    if (data == old) {
        TreeChange same(declaration);
        same.oldText = old;
        return same;
    }
    // Created first, so that data the DOM refuses leaves the old declaration where it is.
    const DomNode made = dom.createProcessingInstruction(QStringLiteral("xml"), data);
    if (made.isNull() || Failed(parent.removeChild(declaration)))
        return TreeChange();
    if (Failed(parent.insertBefore(made, parent.firstChild()))) {
        if (Failed(parent.insertBefore(declaration, next)))
            qWarning("the XML declaration could not be put back");
        return TreeChange();
    }
    TreeChange change(made, parent, next);
    change.replaced = declaration;
    change.oldText = old;
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::PutNode(const DomNode& node, const DomNode& parent, const DomNode& before)
{
    TreeChange change(node, node.parentNode(), node.nextSibling());
    if (Failed(DomNode(parent).insertBefore(node, before)))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::ReplaceNode(const DomNode& node, const DomNode& replacement)
{
    DomNode parent = node.parentNode();
    const DomNode next = node.nextSibling();
    if (parent.isNull() || Failed(parent.removeChild(node)))
        return TreeChange();
    if (Failed(parent.insertBefore(replacement, next))) {
        if (Failed(parent.insertBefore(node, next)))
            qWarning("a replaced node could not be put back");
        return TreeChange();
    }
    TreeChange change(replacement, parent, next);
    change.replaced = node;
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::PutAttribute(const DomNode& element, const DomNode& attribute)
{
    DomElement owner = element.toElement();
    TreeChange change(attribute);
    if (owner.isNull() || Failed(owner.setAttributeNode(attribute.toAttribute())))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::InsertAttribute(const DomNode& element, const DomNode& attribute, int index)
{
    DomElement owner = element.toElement();
    TreeChange change(attribute);
    if (owner.isNull()
        || Failed(
            owner.insertAttributeBefore(attribute.toAttribute(), owner.attributes().item(index))))
        return TreeChange();
    return Changed(std::move(change));
}

TreeChange TrelvoDoc::Changed(TreeChange change)
{
    change.changed = true;
    SetModifiedFlag(true);
    return change;
}

DomNode TrelvoDoc::AppendNew(const DomNode& parent, const DomNode& child)
{
    if (child.isNull() || Failed(DomNode(parent).appendChild(child)))
        return DomNode();
    SetModifiedFlag(true);
    return child;
}

bool TrelvoDoc::FitsUnder(const DomNode& node, const DomNode& parent)
{
    const int height = node.elementHeight();
    return height == 0 || parent.elementDepth() + height <= DomMaxElementDepth;
}
