#pragma once

#include "Document.h"
#include "TreeChange.h"
#include "dom/DomDocument.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// The application's one document: owns the DOM of the open file, loads and saves it, and makes
// the tree changes the views ask for.
class TrelvoDoc : public Document {
public:
    // Hints of UpdateAllViews.
    static constexpr long HintRefresh = 0;
    // Sent before the DOM is dropped, while its nodes still exist.
    static constexpr long HintClear = 1;
    // Sent after the document was written to its file: what it holds now is what was saved.
    // Nothing changed, so views need not refresh.
    static constexpr long HintSaved = 2;

    // The file type of the document template: the dialogs' filter and the default extension.
    // Besides "*.xml" the dialogs offer the kinds of files that are XML under other extensions
    // (style sheets, schemas, drawings, feeds, property lists, configuration).
    static QString FileFilter()
    {
        return QStringLiteral("*.xml (*.xml);;XML files (*.xml *.xsl *.xslt *.xsd *.svg *.xhtml "
                              "*.html *.htm *.rss *.atom *.rdf *.policy *.conf *.plist *.wsdl "
                              "*.kml *.gpx *.xaml *.xlf *.xliff *.ui *.qrc *.xul *.opf)");
    }
    static QString DefaultExtension() { return QStringLiteral(".xml"); }

    TrelvoDoc();

    // Null before the first New or Open and after close.
    DomDocument dom;
    // The node of the selected tree item, written by the tree view; cleared with the DOM.
    DomNode SelectedNode;
    // Milliseconds spent by the last open, 0 after New.
    quint32 LoadTime = 0;

    bool OnNewDocument() override;
    // False when the file could not be loaded (the message has been shown), when the user
    // cancelled the load or declined to open a file larger than the memory allows; the previous
    // document is then still open, unchanged. The load shows its progress.
    bool OnOpenDocument(const QString& path) override;
    // False when nothing was written: the message has been shown, or the user cancelled the
    // save (the file is then as it was); the document stays modified. The save shows its
    // progress.
    bool OnSaveDocument(const QString& path) override;
    void OnCloseDocument() override;
    // Tells the views with HintClear and drops the DOM and the selection.
    void ReleaseDom();

    bool HasRootElement() const;
    static bool IsRootElement(const DomNode& node);
    static bool IsFirstSibling(const DomNode& node);
    static bool IsLastSibling(const DomNode& node);
    // The style sheet the first usable xml-stylesheet instruction of type text/xsl names, with
    // the document's folder in front of a relative href; empty when there is none or the
    // document has never been saved.
    QString GetLinkedStylesheet() const;

    // Tree changes. Each reports its outcome, marks the document modified only when the DOM
    // changed, shows no message and leaves telling the views to the caller. A null node or a
    // false change means the DOM refused and nothing changed. Anything that would nest elements
    // deeper than the loader reads is refused.
    [[nodiscard]] TreeChange DeleteNode(const DomNode& node);
    // Appends node to newParent, moving it with its branch.
    [[nodiscard]] TreeChange MoveNodeTo(const DomNode& node, const DomNode& newParent);
    // Appends a deep copy of node to newParent; returns the copy.
    [[nodiscard]] DomNode CopyNodeTo(const DomNode& node, const DomNode& newParent);
    // Parses text as content in parent's place and appends what it makes to parent, all or
    // nothing: elements, text and CDATA sections under an element, comments under an element or
    // the document. nodes: those appended, in order. DomFail with reason when the text is not
    // well-formed there, DomInvalidArgument with reason when it holds a node that may not go
    // under parent, DomNoValue when it makes nothing.
    [[nodiscard]] DomResult AppendParsed(
        const DomNode& parent, const QString& text, std::vector<DomNode>& nodes, QString& reason);
    [[nodiscard]] TreeChange MoveNodeUp(const DomNode& node);
    [[nodiscard]] TreeChange MoveNodeDown(const DomNode& node);
    // before: the child to insert in front of, or null to append.
    [[nodiscard]] DomElement InsertElement(
        const DomNode& parent, const QString& name, const DomNode& before);
    [[nodiscard]] DomNode AppendText(const DomNode& parent, const QString& text);
    [[nodiscard]] DomNode AppendComment(const DomNode& parent, const QString& text);
    [[nodiscard]] DomNode AppendCDATASection(const DomNode& parent, const QString& text);
    // An "xml" declaration goes first and only once; other instructions go after the leading
    // instructions.
    [[nodiscard]] DomNode InsertProcessingInstruction(
        const DomNode& parent, const QString& target, const QString& data);
    // node: the new attribute; replaced: the attribute of the same name it took the place of,
    // and oldText its value (a namespace declaration takes the new value in place: then
    // replaced is still the element's).
    [[nodiscard]] TreeChange AddAttribute(
        const DomNode& element, const QString& name, const QString& value);
    // Removes node's attribute of attribute's name; node: the attribute removed.
    [[nodiscard]] TreeChange RemoveAttribute(const DomNode& node, const DomNode& attribute);
    [[nodiscard]] TreeChange RenameElement(const DomNode& element, const QString& name);
    // The value of a text, CDATA section, comment, processing instruction or attribute.
    [[nodiscard]] TreeChange SetNodeValue(const DomNode& node, const QString& value);
    // The XML declaration's value cannot be set: a new declaration with data takes its place.
    // node: the new declaration; replaced: the old one.
    [[nodiscard]] TreeChange ReplaceDeclaration(const DomNode& declaration, const QString& data);

    // Undo and redo: each puts back a state the document had, so nothing is checked for depth.
    // Puts node (new, removed, or attached elsewhere) under parent in front of before (null:
    // last); oldParent and oldNext say where it stood.
    [[nodiscard]] TreeChange PutNode(
        const DomNode& node, const DomNode& parent, const DomNode& before);
    // Puts replacement where node stands and takes node out; replaced: node.
    [[nodiscard]] TreeChange ReplaceNode(const DomNode& node, const DomNode& replacement);
    // Sets attribute, one that AddAttribute made or replaced, on element in place of the
    // attribute of the same name (or last).
    [[nodiscard]] TreeChange PutAttribute(const DomNode& element, const DomNode& attribute);
    // Puts a removed attribute back into element's attribute map at index.
    [[nodiscard]] TreeChange InsertAttribute(
        const DomNode& element, const DomNode& attribute, int index);

private:
    // What the file looked like when this document last read or wrote it. Size and times to
    // the millisecond; the status-change time also moves when a program keeps the modification
    // time (cp -p, touch -r) or replaces the file by renaming another over it.
    struct FileStamp {
        qint64 size = -1;
        QDateTime modified;
        QDateTime changed;
        std::optional<size_t> content;
        bool operator==(const FileStamp&) const = default;
    };
    // withContent: also a hash of the bytes; nullopt decides by the file's age.
    static FileStamp StampOf(const QString& path, std::optional<bool> withContent = {});

    DomNode AppendNew(const DomNode& parent, const DomNode& child);
    // An edit that took place: marks change as changed and the document as modified.
    TreeChange Changed(TreeChange change);
    // True when path is the file this document last read or wrote and another program has
    // changed it since.
    bool ChangedOnDisk(const QString& path) const;
    // False when node's branch would nest elements too deeply under parent.
    static bool FitsUnder(const DomNode& node, const DomNode& parent);
    bool Save(const QString& path);

    QString stampedPath;
    FileStamp stamp;
};
