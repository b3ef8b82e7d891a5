#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <algorithm>
#include <vector>

// A read-only view of a large plain text: holds the text once with an index of line starts and
// lays out only the lines on screen, in the widget's font taken as fixed pitch, without
// wrapping. Offers selection by mouse and keyboard, copy and select-all. A line feed, or a
// carriage return followed by a line feed, ends a line.
class TextPane : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextPane(QWidget* parent = nullptr);

    void SetText(QString newText);
    const QString& Text() const { return text; }

    qsizetype LineCount() const { return static_cast<qsizetype>(lineStarts.size()); }
    qsizetype LineStart(qsizetype line) const { return lineStarts[line]; }
    // The offset just past the line's last character, before its line break.
    qsizetype LineEnd(qsizetype line) const;
    QString LineText(qsizetype line) const;
    qsizetype LineOfOffset(qsizetype offset) const;
    // The widest line in columns, tabs expanded.
    qsizetype MaxColumns() const { return maxColumns; }
    int TabWidth() const { return tabWidth; }
    void SetTabWidth(int columns);

    // The selection runs from the anchor to the caret, which may come first.
    void SetSelection(qsizetype anchor, qsizetype caret);
    void SelectAll();
    qsizetype SelectionStart() const { return std::min(anchor, caret); }
    qsizetype SelectionEnd() const { return std::max(anchor, caret); }
    qsizetype Caret() const { return caret; }
    QString SelectedText() const;
    // Puts the selection on the clipboard; nothing happens without a selection.
    void Copy() const;

    qsizetype FirstVisibleLine() const;
    // The lines the last paint laid out.
    qsizetype LinesLaidOut() const { return linesLaidOut; }
    // The text offset nearest to point, in viewport coordinates.
    qsizetype OffsetAt(const QPoint& point) const;
    // Scrolls so that the caret is on screen.
    void EnsureCaretVisible();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void BuildLineIndex();
    void UpdateMetrics();
    void UpdateScrollRanges();
    // The column of offset in its line, and the offset in line at column.
    qsizetype ColumnOf(qsizetype line, qsizetype offset) const;
    qsizetype OffsetAtColumn(qsizetype line, qsizetype column) const;
    // The characters of line that cover the columns from first on, count columns wide, with tabs
    // expanded; firstColumn receives the column where the result starts.
    QString VisibleSegment(qsizetype line, qsizetype first, qsizetype count) const;
    void MoveCaret(qsizetype offset, bool extend);
    int VisibleLineCount() const;
    int VisibleColumnCount() const;

    QString text;
    std::vector<qsizetype> lineStarts { 0 };
    qsizetype maxColumns = 0;
    int tabWidth = 8;
    qsizetype anchor = 0;
    qsizetype caret = 0;
    // The column Up and Down keep while moving across shorter lines.
    qsizetype wantedColumn = -1;
    int charWidth = 1;
    int lineHeight = 1;
    int ascent = 0;
    mutable qsizetype linesLaidOut = 0;
};
