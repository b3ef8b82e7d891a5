#include "SmartList.h"

#include "ColumnRatios.h"
#include "LabelEdit.h"
#include "SmartListHeader.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace {

// Draws a cell as usual, but the cell under the in-place editor without its text, which would
// show in the margin the editor leaves at its left.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(SmartList* owner)
        : QStyledItemDelegate(owner)
        , list(owner)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        if (!list->GetEditor()->isVisible() || index.row() != list->GetEditItem()
            || index.column() != list->GetEditSubItem() || index.parent().isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        cell.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    }

    // A cell whose text is cut short (elided, or a value of several lines in a one-line row)
    // shows all of it in a tooltip; a cell that shows its whole text has none.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        if (!IsCutShort(cell)) {
            QToolTip::hideText();
            return true;
        }
        // Rich text wraps a long value at the tooltip's width and shows markup in a value as
        // typed; a huge value is shown in part.
        constexpr int shownLength = 2000;
        QString text = cell.text.left(shownLength).toHtmlEscaped();
        if (cell.text.size() > shownLength)
            text += QChar(0x2026);
        QToolTip::showText(event->globalPos(),
            QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text), view->viewport(),
            option.rect);
        return true;
    }

private:
    static bool IsCutShort(const QStyleOptionViewItem& cell)
    {
        if (cell.text.contains(QLatin1Char('\n')) || cell.text.contains(QChar::LineSeparator))
            return true;
        const QWidget* widget = cell.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget);
        // The style keeps this margin on either side of the text (QCommonStyle).
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        return QFontMetrics(cell.font).horizontalAdvance(cell.text) > textRect.width() - 2 * margin;
    }

    SmartList* list;
};

} // namespace

SmartList::SmartList(QWidget* parent)
    : QTreeWidget(parent)
{
    setItemDelegate(new CellDelegate(this));
    listHeader = new SmartListHeader(this);
    setHeader(listHeader);
    listHeader->setStretchLastSection(false);
    listHeader->setSectionsClickable(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Cells are edited only through BeginEdit.
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    editor = new LabelEdit(viewport());
    editor->hide();
    connect(editor, &LabelEdit::EditCommit, this, &SmartList::EndEdit);
    connect(editor, &LabelEdit::EditCancel, this, &SmartList::CancelEdit);
    connect(listHeader, &SmartListHeader::DividerDragEnded, this, &SmartList::RecordColumnRatios);
}

void SmartList::SetEditValidator(EditValidator newValidator)
{
    validator = std::move(newValidator);
}

void SmartList::BeginEdit(int item, int column, const QString& text, bool selectAll)
{
    editItem = item;
    editSubItem = column;
    const QRect row = visualRect(model()->index(item, 0));
    const int left = listHeader->sectionViewportPosition(column);
    const int width = listHeader->sectionSize(column);
    editor->setGeometry(left + 6, row.top() + 2, width - 6, row.height() - 3);
    editor->setText(text);
    // A hidden widget cannot take the focus in Qt, so it is shown first.
    editor->show();
    viewport()->update();
    editor->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        editor->selectAll();
    else
        editor->end(false);
}

int SmartList::RecordColumnRatios()
{
    const int count = listHeader->count();
    QList<int> widths;
    for (int i = 0; i < count; ++i)
        widths.append(listHeader->sectionSize(i));
    const int clientWidth = viewport()->width();
    if (clientWidth != 0)
        columnRatios = ColumnRatios::FromWidths(widths, clientWidth);
    return count;
}

void SmartList::MakeHeaderOwnerDrawn()
{
    RecordColumnRatios();
    listHeader->SetOwnerDrawn(true);
}

QString SmartList::GetItemText(int item, int subItem) const
{
    const QTreeWidgetItem* row = topLevelItem(item);
    return row ? row->text(subItem) : QString();
}

void SmartList::SetItemText(int item, int subItem, const QString& text)
{
    if (QTreeWidgetItem* row = topLevelItem(item))
        row->setText(subItem, text);
}

int SmartList::GetFirstSelectedRow() const
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected())
            return row;
    }
    return -1;
}

void SmartList::keyboardSearch(const QString& search)
{
    // Typed characters start an edit on the selected row; only with no row selected do they
    // jump to a matching row, and never in a list without an edit column.
    if (editColumn != -1 && GetFirstSelectedRow() == -1)
        QTreeWidget::keyboardSearch(search);
}

void SmartList::keyPressEvent(QKeyEvent* event)
{
    const int row = GetFirstSelectedRow();
    if (event->key() == Qt::Key_F2) {
        if (editColumn != -1 && row != -1)
            BeginEdit(row, editColumn, GetItemText(row, editColumn), true);
        QTreeWidget::keyPressEvent(event);
        return;
    }
    // On X11 the Delete key carries the text "\x7f", which must not start an edit: the owner
    // deletes rows with it.
    // Ctrl+Alt is how Windows reports AltGr, which types characters such as "@" and "{".
    const QString text = event->text();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool altGr = (modifiers & Qt::ControlModifier) && (modifiers & Qt::AltModifier)
        && !text.isEmpty() && text.front().isPrint();
    if (event->key() == Qt::Key_Delete || text.isEmpty()
        || (!altGr && (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    if (editColumn == -1) {
        event->accept();
        return;
    }
    const QChar first = text.front();
    if (first == QLatin1Char('\r') || first == QLatin1Char('\x1b') || row == -1) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    BeginEdit(row, editColumn, text, false);
    event->accept();
}

void SmartList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QTreeWidget::mouseDoubleClickEvent(event);
    const QPoint pos = event->position().toPoint();
    const QModelIndex hit = indexAt(pos);
    const int column = editColumn != -1 ? editColumn : listHeader->logicalIndexAt(pos.x());
    if (hit.isValid() && column >= 0 && column < columnCount())
        BeginEdit(hit.row(), column, GetItemText(hit.row(), column), true);
    QTreeWidget::mouseDoubleClickEvent(event);
}

void SmartList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    // The hit row becomes the only selected row and the current one; empty space clears the
    // selection.
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid()) {
        selectionModel()->setCurrentIndex(
            hit, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selectionModel()->clearSelection();
    }
    event->accept();
}

void SmartList::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton) {
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    emit ListContextMenu(event->position().toPoint());
}

void SmartList::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // A mouse click has already asked for its menu on the button's release.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    QPoint pos(0, 0);
    const int row = GetFirstSelectedRow();
    if (row != -1) {
        const QRect rect = visualRect(model()->index(row, 0));
        pos = QPoint(rect.left(), rect.top() + rect.height());
    }
    emit ListContextMenu(pos);
}

void SmartList::SetColumnWidthsWhenShown(const QList<int>& widths)
{
    if (shown) {
        ApplyColumnWidths(widths);
        return;
    }
    pendingWidths.clear();
    for (int width : widths)
        pendingWidths.append(std::clamp(width, 0, ColumnRatios::maxWidth));
}

QList<int> SmartList::GetColumnWidths() const
{
    // A list never shown has only the widths it was given.
    if (!shown)
        return pendingWidths;
    QList<int> widths;
    for (int i = 0; i < listHeader->count(); ++i)
        widths.append(listHeader->sectionSize(i));
    return widths;
}

void SmartList::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    if (shown)
        return;
    shown = true;
    if (pendingWidths.isEmpty())
        return;
    ApplyColumnWidths(pendingWidths);
    pendingWidths.clear();
    RecordColumnRatios();
}

void SmartList::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    FitColumnsToWidth();
}

void SmartList::FitColumnsToWidth()
{
    if (inResize)
        return;
    inResize = true;
    const int clientWidth = viewport()->width();
    const int count = listHeader->count();
    if (ColumnRatios::AnyRecorded(columnRatios)) {
        ApplyColumnWidths(ColumnRatios::ProportionalWidths(columnRatios, clientWidth, count));
        inResize = false;
        return;
    }
    if (count > 0)
        ApplyColumnWidths(ColumnRatios::EqualWidths(clientWidth, count));
    RecordColumnRatios();
    inResize = false;
}

void SmartList::ApplyColumnWidths(const QList<int>& widths)
{
    for (int j = 0; j < widths.size(); ++j)
        listHeader->resizeSection(j, std::clamp(widths[j], 0, ColumnRatios::maxWidth));
}

void SmartList::EndEdit()
{
    const QString text = editor->text();
    // Ended by Enter, or by the window losing the focus: the list has it next. Ended by a
    // click or Tab elsewhere: the focus stays where the user put it.
    if (editor->hasFocus() || !QApplication::focusWidget())
        setFocus(Qt::OtherFocusReason);
    editor->hide();
    viewport()->update();
    if (validator && validator(editItem, editSubItem, text)) {
        SetItemText(editItem, editSubItem, text);
        emit ListEditDone(editItem, editSubItem, text);
    }
}

void SmartList::CancelEdit()
{
    // Hiding the focused editor would pass the focus along the tab chain; it stays in the list.
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    viewport()->update();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}
