#pragma once

#include <QList>
#include <QTreeWidget>

#include <functional>

class LabelEdit;
class SmartListHeader;

// A report list that edits its cells in place, asking a validator before it stores a new text,
// keeps its columns in proportion to its width, draws its header with a sort arrow and hands
// right-clicks to its owner as context-menu requests.
class SmartList : public QTreeWidget {
    Q_OBJECT

public:
    // Answers whether text may be stored in cell (item, subItem); the owner does the real work.
    using EditValidator = std::function<bool(int item, int subItem, const QString& text)>;

    explicit SmartList(QWidget* parent = nullptr);

    // Without a validator every edit is refused. An owner that goes away before the list clears
    // it: destroying a window takes the focus from an open editor, which commits.
    void SetEditValidator(EditValidator validator);
    // Opens the editor over cell (item, column) with text, all selected or the caret at its end.
    void BeginEdit(int item, int column, const QString& text, bool selectAll);
    // Stores each column's width as a fraction of the client width; returns the column count.
    // Nothing is recorded while the client width is 0.
    int RecordColumnRatios();
    void MakeHeaderOwnerDrawn();
    // Column widths saved from an earlier run are pixels of the list as it was shown. A list
    // not yet shown has no real width, so they are applied (and the ratios taken) when it first
    // is; until then GetColumnWidths gives them back (none when none were given). Widths are
    // kept within [0, ColumnRatios::maxWidth].
    void SetColumnWidthsWhenShown(const QList<int>& widths);
    QList<int> GetColumnWidths() const;

    QString GetItemText(int item, int subItem) const;
    void SetItemText(int item, int subItem, const QString& text);
    // The first selected row in row order, or -1.
    int GetFirstSelectedRow() const;

    LabelEdit* GetEditor() const { return editor; }
    SmartListHeader* GetHeader() const { return listHeader; }
    const QList<double>& GetColumnRatios() const { return columnRatios; }
    int GetEditItem() const { return editItem; }
    int GetEditSubItem() const { return editSubItem; }

    // The column every edit uses; -1 edits the column under the mouse and ignores typing.
    int editColumn = -1;
    // The header shows the arrow here (-1: none); repaint the header after changing these.
    int sortColumn = -1;
    bool sortAscending = true;

signals:
    // A validated text has been stored in cell (item, subItem).
    void ListEditDone(int item, int subItem, const QString& text);
    // The owner should open a context menu at pos, in the coordinates of viewport().
    void ListContextMenu(const QPoint& pos);

protected:
    void keyboardSearch(const QString& search) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void EndEdit();
    void CancelEdit();
    void ApplyColumnWidths(const QList<int>& widths);

    QList<double> columnRatios;
    int editItem = -1;
    int editSubItem = -1;
    LabelEdit* editor = nullptr;
    SmartListHeader* listHeader = nullptr;
    EditValidator validator;
    bool inResize = false;
    // Shares the client width out by the recorded ratios, or equally when there are none.
    void FitColumnsToWidth();
    // Widths given before the list was first shown, in pixels of the width it will have then.
    QList<int> pendingWidths;
    bool shown = false;
};
