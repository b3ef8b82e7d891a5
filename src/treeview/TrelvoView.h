#pragma once

#include "BranchMimeData.h"
#include "DragCursors.h"
#include "FindRequest.h"
#include "TreeEditor.h"
#include "TreeModel.h"
#include "UserSettings.h"
#include "View.h"
#include "dom/DomBindings.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FrameWindow;
class NodeCommands;
class QTimer;
class TrelvoDoc;
class XsltCommands;

// The main view: shows the open document's DOM as a tree, makes the selected item's node the
// document's current node, and offers the nodes' context menus.
class TrelvoView : public QTreeView, public View {
    Q_OBJECT

public:
    // The status bar pane that shows the load time.
    static constexpr int LoadTimePane = 1;

    explicit TrelvoView(QWidget* parent = nullptr);
    ~TrelvoView() override;

    // The settings the view reads each time it needs them and changes (the insert dialog's
    // rectangle), not owned; the application keeps them. Without them (null) the view keeps its
    // own.
    void SetSettings(UserSettings* shared) { settings = shared ? shared : &ownSettings; }
    UserSettings& Settings() const { return *settings; }
    // Makes the temporary file a transformation shown only as a preview is written to and gives
    // its path (the application keeps the files until it exits). Without it no preview file can
    // be made.
    void SetPreviewPaths(std::function<QString()> make) { previewPaths = std::move(make); }
    QString MakePreviewPath() const { return previewPaths ? previewPaths() : QString(); }
    // The path every change of the document from this view and from the attribute pane takes.
    TreeEditor& Editor() { return editor; }
    TreeModel* GetModel() const { return treeModel; }
    // Null until the view is added to a document.
    TrelvoDoc* Doc() const;

    void OnInitialUpdate() override;
    void OnUpdate(View* sender, long hint) override;

    // Items for node and its branch under parent at position; see TreeModel::BuildBranch.
    QModelIndex BuildBranch(
        const DomNode& node, const QModelIndex& parent, const TreeModel::Position& position);
    QString MakeElementLabel(const DomNode& node) const;
    // Labels are made from the nodes whenever they are drawn, so refreshing them is a repaint
    // (the column follows the new widths).
    void RefreshElementLabels(const QModelIndex& item);
    void ReleaseBranchNodes(const QModelIndex& item);
    // Deletes the item and its branch, and the Copy or Cut mark on it; a selected item in the
    // branch selects its next sibling, else the previous one, else its parent.
    void RemoveItem(const QModelIndex& item);
    // Moves the item with its branch under parent at position (see TreeModel::MoveItem) and
    // collapses it.
    void MoveItem(
        const QModelIndex& item, const QModelIndex& parent, const TreeModel::Position& position);
    // Drops the Copy and Cut marks on the item or inside its branch.
    void ClearMarksIn(const QModelIndex& branch);
    // While held, a selection change makes its node the document's SelectedNode without
    // updating the views: an edit sends its one update once its items are in place. Returns
    // whether it was held before.
    bool HoldSelectionUpdates(bool hold);
    void ClearTree();
    // Expands the item and everything below it (an invalid item: the whole tree) with the wait
    // cursor and without drawing in between, then scrolls it (the first item) to the top and
    // selects it.
    void ExpandAll(const QModelIndex& item = QModelIndex());
    // Collapses the item and everything below it (an invalid item: the whole tree); the
    // selection stays.
    void CollapseBranch(const QModelIndex& item = QModelIndex());

    // The selected item, invalid when there is none.
    QModelIndex SelectedItem() const;
    // Selects the item, which makes its node the document's SelectedNode and updates the views.
    void SelectItem(const QModelIndex& item);
    DomNode NodeOf(const QModelIndex& item) const;

    bool CanMoveUp(const QModelIndex& item) const;
    bool CanMoveDown(const QModelIndex& item) const;
    // The context menu of the selected item at point (viewport coordinates); the chosen command
    // goes to this view first.
    void ShowContextMenu(const QPoint& point);

    // Cut, Copy and Paste mark an item inside the view and copy or move its node's branch; Copy
    // and Cut also put the branch on the system clipboard as XML text. At most one of the two
    // marks is set, and neither once something else is put on the clipboard: Paste then inserts
    // the clipboard's text.
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    // Parses text in target's place and appends what it makes to target's node as one step named
    // step (Paste, Drop); text that is not well-formed, or holds what may not go there, is shown
    // and changes nothing.
    void InsertXmlText(const QModelIndex& target, const QString& text, const QString& step);
    // Whether source's branch may go below target: copied (copy) or moved under an element, or,
    // for a comment, under the document; never into its own branch, a move never to the parent
    // it already has. Instructions and document types are never sources.
    bool CanDrop(const QModelIndex& target, const QModelIndex& source, bool copy) const;
    // True when item is branch or lies below it; walks up from item.
    bool IsInBranch(const QModelIndex& item, const QModelIndex& branch) const;
    // The item on the row under point (viewport coordinates) when the dragged item may be
    // dropped on it; invalid otherwise.
    QModelIndex DropTargetAt(const QPoint& point) const;
    // Ends a drag without dropping.
    void CancelDrag();
    // Appends a copy of source's branch to target's node and its items to target's, then
    // updates the views; a refusal is shown, and false leaves tree and document unchanged.
    // step: the name of the undo step (Paste, Drop).
    bool CopyBranchTo(const QModelIndex& source, const QModelIndex& target, const QString& step);
    // Moves source's node to the end of target's children and its item with it, collapsed,
    // then updates the views; as CopyBranchTo for a refusal.
    bool MoveBranchTo(const QModelIndex& source, const QModelIndex& target, const QString& step);
    bool Dragging() const { return dragging; }
    // The item shown as the drop target, invalid when there is none.
    QModelIndex DropHighlight() const { return dropHighlight; }
    // The rectangle of the item's label text, in viewport coordinates.
    QRect LabelRect(const QModelIndex& item) const;

    // The Ctrl key is down: a drop copies instead of moving.
    bool DragCopy() const { return dragCopy; }

    // Searches from the selected item in the request's direction (see TreeSearcher) under the
    // wait cursor and selects the hit, scrolled into view, or says "Text not found!" and keeps
    // the selection. The request is kept for FindNext and FindPrevious.
    void Find(const FindRequest& request);
    // The last search again, down or up; the direction stays in it. Nothing before a search.
    void FindNext();
    void FindPrevious();
    bool HasLastFind() const { return hasLastFind; }
    const FindRequest& LastFind() const { return lastFind; }

    // The prefixes of the node paths and of XPath expressions: made from the document's
    // declarations when first needed after a load, or as the XPath dialog changed them.
    const DomBindings& PathBindings();
    void SetPathBindings(const DomBindings& bindings);
    // The node's XPath location path with those prefixes; empty when XPath does not see it.
    QString NodePath(const DomNode& node);
    // The item of node, or of the nearest node above it that has one (an attribute's element);
    // invalid when node is no longer in the document.
    QModelIndex ItemOfNode(const DomNode& node) const;
    // Selects the item ItemOfNode gives, scrolled into view with its ancestors expanded; false
    // when node is no longer in the document.
    bool SelectNode(const DomNode& node);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(
        const QItemSelection& selected, const QItemSelection& deselected) override;
    void doItemsLayout() override;
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawBranches(
        QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // True when the item's children are laid out as rows: it and every item above it are
    // expanded.
    bool LaysOutChildrenOf(const QModelIndex& item) const;
    // True when few items below item are expanded, so that expanding it again is quick.
    bool FewExpandedIn(const QModelIndex& item) const;
    // The item to close around a change of parent's child count by change.
    QModelIndex ClosedAround(const QModelIndex& parent, int change) const;
    // Runs change, a removal or move of items, with the items around closed, so that the view
    // keeps its laid-out rows when none of them changed; then opens them again.
    void ChangeOutOfSight(
        const std::vector<QPersistentModelIndex>& around, const std::function<void()>& change);
    // The layout that the change under way asks for is not needed.
    bool keepLayout = false;

    // Makes the item's node the document's selected node and tells the views.
    void TellDocument(const QModelIndex& item);
    // The item on the row under the point, wherever on the row it is.
    QModelIndex ItemOnRow(const QPoint& pos) const;
    // The last pixel column of the labels' column, in viewport coordinates.
    int LabelColumnRight() const;
    // Where the left button went down, moved onto the label column.
    QPoint pressPos;
    FrameWindow* Frame() const;
    // The context menu under the selected item's label.
    void ShowKeyboardMenu();
    void AddClipboardCommands();
    // Puts the item's branch on the system clipboard, written when asked for.
    void PutOnClipboard(const QModelIndex& item);
    // The clipboard still holds what this view put there last (perhaps through a clipboard
    // manager that took it over).
    bool ClipboardIsOwn() const;
    // The item a drag from another program (or from this view through the system) would drop
    // its text or branch on at the event's position; invalid when none.
    QModelIndex SystemDropTarget(const QDropEvent* event) const;
    // Hands the dragged branch to the system's drag and drop, as XML text; returns when it ends.
    void StartSystemDrag();
    // Undo and Redo of the document, or of the text field that has the focus.
    void AddUndoCommands();
    // Validate Schema: asks for a schema file, validates the document against it and reports
    // the outcome, selecting the first element in error.
    void AddSchemaCommand();
    // Copy Path, and the selected node's path in the status bar's message pane.
    void AddPathCommand();
    void ShowSelectedPath();
    void OnValidateSchema();
    // The drag follows the mouse through the view's own mouse handling (no system drag
    // session), so that the whole of it works on any platform and in tests; it is handed to the
    // system, as XML text, only where the pointer leaves the window.
    // The left button moved while down at pos: starts a drag once it has gone far enough from
    // the press, and follows it.
    void DragMouseMove(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    // The left button came up at pos: drops the dragged branch there when that is a target.
    void DragMouseRelease(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    // Highlights the drop target under the pointer and sets the cursor for it; the normal
    // cursor outside a drag.
    void UpdateDragCursor();
    void SetDropHighlight(const QModelIndex& item);
    // Scrolls the tree while the pointer is near its top or bottom edge during a drag.
    void AutoScroll(const QPoint& pos);
    // Makes the column as wide as the labels in view, or wider when it was already and
    // mayShrink is false.
    void FitColumn(bool mayShrink);
    void ScheduleFitColumn(bool mayShrink = false);
    bool fitPending = false;
    bool fitMayShrink = false;

    TreeModel* treeModel = nullptr;
    UserSettings ownSettings;
    UserSettings* settings = &ownSettings;
    TreeEditor editor { *this };
    std::unique_ptr<NodeCommands> nodeCommands;
    std::unique_ptr<XsltCommands> xsltCommands;
    std::function<QString()> previewPaths;
    bool selectionHeld = false;

    QPersistentModelIndex dragItem;
    bool dragging = false;
    bool dragCopy = false;
    QPersistentModelIndex copySource;
    QPersistentModelIndex cutSource;
    // What Copy or Cut put on the clipboard last; Qt deletes it once something replaces it.
    QPointer<BranchMimeData> clipboardData;
    // The branch dragged through the system, while that drag lasts.
    QPersistentModelIndex systemDragItem;
    // A left press on an item that may still become a drag, and where it was.
    bool dragArmed = false;
    QPoint dragStart;
    // Where the pointer was last seen during the drag, in viewport coordinates.
    QPoint dragPos;
    QPersistentModelIndex dropHighlight;
    QTimer* scrollTimer = nullptr;
    QTimer* pathTimer = nullptr;
    // Rows per step of the scrolling while dragging, negative upwards.
    int scrollStep = 0;
    std::optional<DragCursors> cursors;

    FindRequest lastFind;
    bool hasLastFind = false;
    std::optional<DomBindings> pathBindings;
};
