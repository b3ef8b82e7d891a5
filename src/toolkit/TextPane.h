#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

// A read-only view of a large plain text: holds the text once with an index of line starts and
// lays out only the lines on screen, in the widget's font taken as fixed pitch, without
// wrapping, coloured by an optional function of the line. Offers selection by mouse and
// keyboard, copy and select-all. A line feed, or a carriage return followed by a line feed, ends
// a line.
class QPainter;

class TextPane : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Characters of a line, from start (counted from the line's start), in colour.
    struct ColourRun {
        qsizetype start;
        qsizetype length;
        QColor colour;
    };
    // Appends the runs of line's first length characters, in order and apart; the characters
    // of no run are drawn in the palette's text colour.
    using LineColours
        = std::function<void(qsizetype line, qsizetype length, std::vector<ColourRun>& runs)>;

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
    // Only the lines on screen are asked for, at each paint.
    void SetLineColours(LineColours colours);

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
    void DrawLine(QPainter& painter, qsizetype line, int top, qsizetype firstColumn,
        qsizetype columns, const QString& segment);
    void MoveCaret(qsizetype offset, bool extend);
    int VisibleLineCount() const;
    int VisibleColumnCount() const;

    QString text;
    std::vector<qsizetype> lineStarts { 0 };
    qsizetype maxColumns = 0;
    int tabWidth = 8;
    LineColours lineColours;
    std::vector<ColourRun> runs;
    qsizetype anchor = 0;
    qsizetype caret = 0;
    // The column Up and Down keep while moving across shorter lines.
    qsizetype wantedColumn = -1;
    qreal charWidth = 1;
    int lineHeight = 1;
    int ascent = 0;
    mutable qsizetype linesLaidOut = 0;
};
