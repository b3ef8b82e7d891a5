#pragma once

#include "Document.h"
#include "dom/DomDocument.h"

#include <QString>
#include <QtGlobal>

// The application's one document: owns the DOM of the open file, loads and saves it, and makes
// the tree changes the views ask for.
class TrelvoDoc : public Document {
public:
    // Hints of UpdateAllViews.
    static constexpr long HintRefresh = 0;
    // Sent before the DOM is dropped, while its nodes still exist.
    static constexpr long HintClear = 1;

    // The file type of the document template: the dialogs' filter and the default extension.
    static QString FileFilter() { return QStringLiteral("*.xml (*.xml)"); }
    static QString DefaultExtension() { return QStringLiteral(".xml"); }

    TrelvoDoc();

    // Null before the first New or Open and after close.
    DomDocument dom;
    // The node of the selected tree item, written by the tree view; cleared with the DOM.
    DomNode SelectedNode;
    // Milliseconds spent by the last open, 0 after New.
    quint32 LoadTime = 0;

    bool OnNewDocument() override;
    // False when the file could not be loaded; the message has been shown and the previous
    // document is still open, unchanged.
    bool OnOpenDocument(const QString& path) override;
    // False when nothing was written; the message has been shown and the document stays
    // modified.
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

    // Tree changes: each marks the document modified and leaves telling the views to the caller.
    // A null result means nothing changed.
    void DeleteNode(const DomNode& node);
    // Appends node to newParent's children; false, with nothing changed, when the DOM refuses
    // (a document type, or a prefix not declared where the node would go).
    [[nodiscard]] bool MoveNodeTo(const DomNode& node, const DomNode& newParent);
    DomNode CopyNodeTo(const DomNode& node, const DomNode& newParent);
    bool MoveNodeUp(const DomNode& node);
    bool MoveNodeDown(const DomNode& node);
    // before: the child to insert in front of, or null to append.
    DomElement InsertElement(const DomNode& parent, const QString& name, const DomNode& before);
    DomNode AppendText(const DomNode& parent, const QString& text);
    DomNode AppendComment(const DomNode& parent, const QString& text);
    DomNode AppendCDATASection(const DomNode& parent, const QString& text);
    // An "xml" declaration goes first and only once; other instructions go after the leading
    // instructions.
    DomNode InsertProcessingInstruction(
        const DomNode& parent, const QString& target, const QString& data);
    DomAttribute AddAttribute(const DomNode& element, const QString& name, const QString& value);
    void RemoveAttribute(const DomNode& node, const DomNode& attribute);

private:
    DomNode AppendNew(const DomNode& parent, const DomNode& child);
    bool Save(const QString& path);
};
