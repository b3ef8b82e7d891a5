// TrelvoView: Cut, Copy and Paste, and dragging branches with the mouse.
#include "TrelvoView.h"

#include "FrameworkIds.h"
#include "Prompts.h"
#include "TrelvoDoc.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

// The document node and document types have no branch that could be placed elsewhere.
bool CanBeMarked(const DomNode& node)
{
    const NodeType type = node.nodeType();
    return node && type != NodeType::Document && type != NodeType::DocumentType;
}

void ShowFailure(const QString& text)
{
    Prompts::Instance().MessageBox(text, QString(), Prompts::Buttons::Ok, Prompts::Icon::None);
}

QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }

// Looks at the formats only: Paste's update runs after every key press, and the text may be large.
bool HasXmlText(const QMimeData* data)
{
    return data && (data->hasText() || data->hasFormat(QStringLiteral("application/xml")));
}

QString XmlTextOf(const QMimeData* data)
{
    if (data->hasText())
        return data->text();
    return QString::fromUtf8(data->data(QStringLiteral("application/xml")));
}

// Text may go below an element; at the top of the document, only comments fit.
bool IsTextTarget(const DomNode& node)
{
    const NodeType type = node.nodeType();
    return type == NodeType::Element || type == NodeType::Document;
}

} // namespace

void TrelvoView::AddClipboardCommands()
{
    AddCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    AddCommand(ID_EDIT_CUT, [this] { OnEditCut(); });
    AddCommand(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    const auto updateMark
        = [this](CommandState& state) { state.enabled = CanBeMarked(NodeOf(SelectedItem())); };
    AddUpdateCommand(ID_EDIT_COPY, updateMark);
    AddUpdateCommand(ID_EDIT_CUT, updateMark);
    AddUpdateCommand(ID_EDIT_PASTE, [this](CommandState& state) {
        const bool copy = copySource.isValid();
        if (copy || cutSource.isValid())
            state.enabled = CanDrop(SelectedItem(), copy ? copySource : cutSource, copy);
        else
            state.enabled
                = IsTextTarget(NodeOf(SelectedItem())) && HasXmlText(Clipboard().mimeData());
    });
    // Whatever replaces the branch on the clipboard (another program, Copy Path, the source
    // pane's Copy) is what Paste inserts from then on.
    connect(&Clipboard(), &QClipboard::dataChanged, this, [this] {
        if ((copySource.isValid() || cutSource.isValid()) && !ClipboardIsOwn()) {
            copySource = QPersistentModelIndex();
            cutSource = QPersistentModelIndex();
        }
    });
    viewport()->setAcceptDrops(true);
}

void TrelvoView::PutOnClipboard(const QModelIndex& item)
{
    if (!CanBeMarked(NodeOf(item)))
        return;
    auto* data = new BranchMimeData(NodeOf(item));
    clipboardData = data;
    Clipboard().setMimeData(data);
}

bool TrelvoView::ClipboardIsOwn() const
{
    const QMimeData* now = Clipboard().mimeData();
    if (!now || !clipboardData)
        return false;
    return now == clipboardData
        || (now->hasFormat(BranchMimeData::OwnFormat())
            && now->data(BranchMimeData::OwnFormat()) == clipboardData->Token());
}

void TrelvoView::OnEditCopy()
{
    PutOnClipboard(SelectedItem());
    copySource = SelectedItem();
    cutSource = QPersistentModelIndex();
}

void TrelvoView::OnEditCut()
{
    PutOnClipboard(SelectedItem());
    copySource = QPersistentModelIndex();
    cutSource = SelectedItem();
}

void TrelvoView::OnEditPaste()
{
    const QModelIndex target = SelectedItem();
    if (!copySource.isValid() && !cutSource.isValid()) {
        const QMimeData* data = Clipboard().mimeData();
        if (IsTextTarget(NodeOf(target)) && HasXmlText(data))
            InsertXmlText(target, XmlTextOf(data), QStringLiteral("Paste"));
        return;
    }
    // A copy stays marked, so it can be pasted again; a cut is pasted once, or not at all.
    if (copySource.isValid() && CanDrop(target, copySource, true))
        CopyBranchTo(copySource, target, QStringLiteral("Paste"));
    if (cutSource.isValid()) {
        const QPersistentModelIndex source = cutSource;
        cutSource = QPersistentModelIndex();
        if (CanDrop(target, source, false))
            MoveBranchTo(source, target, QStringLiteral("Paste"));
    }
}

void TrelvoView::InsertXmlText(const QModelIndex& target, const QString& text, const QString& step)
{
    if (!Doc() || !target.isValid())
        return;
    QString reason;
    const DomResult result = Editor().AppendParsed(target, text, step, reason);
    if (result != DomFail && result != DomInvalidArgument)
        return;
    const bool paste = step == u"Paste";
    QString message;
    if (result == DomFail) {
        message = paste ? QStringLiteral("The clipboard does not hold well-formed XML.\n\n%1")
                        : QStringLiteral("The dropped text is not well-formed XML.\n\n%1");
    } else {
        message = paste ? QStringLiteral("The clipboard's XML cannot be pasted here.\n\n%1")
                        : QStringLiteral("The dropped XML cannot go here.\n\n%1");
    }
    Prompts::Instance().MessageBox(
        message.arg(reason), step, Prompts::Buttons::Ok, Prompts::Icon::Warning);
}

bool TrelvoView::CanDrop(const QModelIndex& target, const QModelIndex& source, bool copy) const
{
    if (!target.isValid() || !source.isValid())
        return false;
    const NodeType sourceType = NodeOf(source).nodeType();
    // The DOM moves no document type, and instructions stay where the document's prologue has
    // them.
    if (sourceType == NodeType::ProcessingInstruction || sourceType == NodeType::DocumentType)
        return false;
    const NodeType targetType = NodeOf(target).nodeType();
    if (targetType != NodeType::Element
        && !(targetType == NodeType::Document && sourceType == NodeType::Comment))
        return false;
    if (IsInBranch(target, source))
        return false;
    // A move must give the branch another parent.
    return copy || target != source.parent();
}

bool TrelvoView::IsInBranch(const QModelIndex& item, const QModelIndex& branch) const
{
    return treeModel->IsInBranch(item, branch);
}

QModelIndex TrelvoView::DropTargetAt(const QPoint& point) const
{
    const QModelIndex item = ItemOnRow(point);
    return CanDrop(item, dragItem, dragCopy) ? item : QModelIndex();
}

void TrelvoView::CancelDrag()
{
    dragCopy = false;
    dragging = false;
    dragItem = QPersistentModelIndex();
    dragArmed = false;
    SetDropHighlight(QModelIndex());
    if (scrollTimer)
        scrollTimer->stop();
}

bool TrelvoView::CopyBranchTo(
    const QModelIndex& source, const QModelIndex& target, const QString& step)
{
    if (!Doc() || !source.isValid() || !target.isValid())
        return false;
    if (!Editor().CopyBranch(source, target, step).isValid()) {
        ShowFailure(QStringLiteral("Failed to copy XML element!"));
        return false;
    }
    return true;
}

bool TrelvoView::MoveBranchTo(
    const QModelIndex& source, const QModelIndex& target, const QString& step)
{
    if (!Doc() || !source.isValid() || !target.isValid())
        return false;
    // The DOM refuses, among others, an element whose prefix is declared by the parent it
    // leaves (XSLT, SVG and SOAP documents are full of them); the items then stay as they are.
    if (!Editor().MoveBranch(source, target, step)) {
        ShowFailure(QStringLiteral("Failed to move XML element!"));
        return false;
    }
    return true;
}

void TrelvoView::DragMouseMove(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    if (!dragging) {
        if (!dragArmed || (pos - dragStart).manhattanLength() < QApplication::startDragDistance())
            return;
        // The press has selected the item under it already.
        CancelDrag();
        dragItem = SelectedItem();
        dragging = dragItem.isValid();
        if (!dragging)
            return;
    }
    // Beyond the window the branch goes to whatever program is under the pointer.
    if (!window()->rect().contains(viewport()->mapTo(window(), pos))) {
        StartSystemDrag();
        return;
    }
    // Ctrl is read as it is now, from each event: it may have been held since before the drag
    // began, and a held key sends no further key events.
    dragCopy = modifiers.testFlag(Qt::ControlModifier);
    dragPos = pos;
    UpdateDragCursor();
    AutoScroll(pos);
}

void TrelvoView::DragMouseRelease(const QPoint& pos, Qt::KeyboardModifiers modifiers)
{
    dragArmed = false;
    if (!dragging)
        return;
    dragCopy = modifiers.testFlag(Qt::ControlModifier);
    const QPersistentModelIndex target = DropTargetAt(pos);
    const QPersistentModelIndex source = dragItem;
    const bool copy = dragCopy;
    // Ended before the branch goes, so a failure message is not shown over a drag cursor.
    CancelDrag();
    UpdateDragCursor();
    if (!target.isValid())
        return;
    if (copy)
        CopyBranchTo(source, target, QStringLiteral("Drop"));
    else
        MoveBranchTo(source, target, QStringLiteral("Drop"));
}

void TrelvoView::StartSystemDrag()
{
    const QPersistentModelIndex item = dragItem;
    CancelDrag();
    UpdateDragCursor();
    if (!CanBeMarked(NodeOf(item)))
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new BranchMimeData(NodeOf(item)));
    // Other programs only ever get a copy; brought back into the tree it moves as any drag.
    systemDragItem = item;
    drag->exec(Qt::CopyAction);
    systemDragItem = QPersistentModelIndex();
}

QModelIndex TrelvoView::SystemDropTarget(const QDropEvent* event) const
{
    const QModelIndex item = ItemOnRow(event->position().toPoint());
    if (event->source() == this) {
        const bool copy = event->modifiers().testFlag(Qt::ControlModifier);
        return CanDrop(item, systemDragItem, copy) ? item : QModelIndex();
    }
    // A file goes on to the window, which opens it.
    const QMimeData* data = event->mimeData();
    if (!Doc() || !data || data->hasUrls() || !HasXmlText(data))
        return QModelIndex();
    return IsTextTarget(NodeOf(item)) ? item : QModelIndex();
}

void TrelvoView::dragEnterEvent(QDragEnterEvent* event)
{
    // Taken wherever it enters, so that the moves that follow come here too.
    const QMimeData* data = event->mimeData();
    if (event->source() != this && (!Doc() || !data || data->hasUrls() || !HasXmlText(data))) {
        event->ignore();
        return;
    }
    SetDropHighlight(SystemDropTarget(event));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TrelvoView::dragMoveEvent(QDragMoveEvent* event)
{
    const QModelIndex target = SystemDropTarget(event);
    SetDropHighlight(target);
    event->setDropAction(Qt::CopyAction);
    event->setAccepted(target.isValid());
}

void TrelvoView::dragLeaveEvent(QDragLeaveEvent*) { SetDropHighlight(QModelIndex()); }

void TrelvoView::dropEvent(QDropEvent* event)
{
    const QPersistentModelIndex target = SystemDropTarget(event);
    SetDropHighlight(QModelIndex());
    if (!target.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Done once the drop is over: a refusal is shown, and the program the drag came from should
    // not wait for it to be answered.
    if (event->source() == this) {
        const QPersistentModelIndex source = systemDragItem;
        const bool copy = event->modifiers().testFlag(Qt::ControlModifier);
        QTimer::singleShot(0, this, [this, source, target, copy] {
            if (copy)
                CopyBranchTo(source, target, QStringLiteral("Drop"));
            else
                MoveBranchTo(source, target, QStringLiteral("Drop"));
        });
        return;
    }
    const QString text = XmlTextOf(event->mimeData());
    QTimer::singleShot(
        0, this, [this, target, text] { InsertXmlText(target, text, QStringLiteral("Drop")); });
}

void TrelvoView::UpdateDragCursor()
{
    if (!dragging) {
        viewport()->unsetCursor();
        return;
    }
    const QModelIndex target = DropTargetAt(dragPos);
    SetDropHighlight(target);
    if (!cursors)
        cursors.emplace();
    viewport()->setCursor(cursors->Cursor(!target.isValid() ? DragCursors::NoDrop
            : dragCopy                                      ? DragCursors::Copy
                                                            : DragCursors::Move));
}

void TrelvoView::SetDropHighlight(const QModelIndex& item)
{
    if (item == dropHighlight)
        return;
    // The old and the new target's rows, and the selected one, which is shown plain meanwhile.
    viewport()->update();
    dropHighlight = item;
}

void TrelvoView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!dropHighlight.isValid()) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    // One highlighted row, as in a tree control: the drop target, while the selected item is
    // drawn in the colours of an unselected one.
    QStyleOptionViewItem row = option;
    if (index == dropHighlight) {
        row.state |= QStyle::State_Selected;
    } else if (selectionModel()->isSelected(index)) {
        row.palette.setBrush(QPalette::Highlight, row.palette.brush(QPalette::Base));
        row.palette.setBrush(QPalette::HighlightedText, row.palette.brush(QPalette::Text));
    }
    QTreeView::drawRow(painter, row, index);
}

void TrelvoView::AutoScroll(const QPoint& pos)
{
    // Within a row of an edge, one row per step; beyond the edge, faster the farther out.
    const int row = std::max(1, rowHeight(treeModel->index(0, 0)));
    const int margin = std::max(autoScrollMargin(), row);
    if (pos.y() < margin)
        scrollStep = -(1 + std::max(0, -pos.y()) / row);
    else if (pos.y() >= viewport()->height() - margin)
        scrollStep = 1 + std::max(0, pos.y() - viewport()->height()) / row;
    else
        scrollStep = 0;
    if (scrollStep == 0) {
        if (scrollTimer)
            scrollTimer->stop();
        return;
    }
    if (!scrollTimer) {
        scrollTimer = new QTimer(this);
        scrollTimer->setInterval(50);
        connect(scrollTimer, &QTimer::timeout, this, [this] {
            QScrollBar* bar = verticalScrollBar();
            const int before = bar->value();
            bar->setValue(before + scrollStep * bar->singleStep());
            if (!dragging || bar->value() == before) {
                scrollTimer->stop();
                return;
            }
            // Other rows are under the pointer now.
            UpdateDragCursor();
        });
    }
    if (!scrollTimer->isActive())
        scrollTimer->start();
}
