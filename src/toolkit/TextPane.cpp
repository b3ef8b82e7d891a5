#include "TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>

namespace {

bool IsWordChar(QChar ch) { return ch.isLetterOrNumber() || ch == u'_'; }

} // namespace

TextPane::TextPane(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateMetrics();
}

void TextPane::SetText(QString newText)
{
    text = std::move(newText);
    anchor = caret = 0;
    wantedColumn = -1;
    BuildLineIndex();
    UpdateScrollRanges();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void TextPane::BuildLineIndex()
{
    lineStarts.clear();
    lineStarts.push_back(0);
    maxColumns = 0;
    qsizetype column = 0;
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t ch = data[i].unicode();
        if (ch == u'\n') {
            // A carriage return before the line feed belongs to the break, not to the line.
            if (i > 0 && data[i - 1].unicode() == u'\r')
                --column;
            maxColumns = std::max(maxColumns, column);
            column = 0;
            lineStarts.push_back(i + 1);
        } else if (ch == u'\t') {
            column += tabWidth - column % tabWidth;
        } else {
            ++column;
        }
    }
    maxColumns = std::max(maxColumns, column);
}

qsizetype TextPane::LineEnd(qsizetype line) const
{
    if (line + 1 >= LineCount())
        return text.size();
    qsizetype end = lineStarts[line + 1] - 1;
    if (end > lineStarts[line] && text.at(end - 1) == u'\r')
        --end;
    return end;
}

QString TextPane::LineText(qsizetype line) const
{
    return text.mid(LineStart(line), LineEnd(line) - LineStart(line));
}

qsizetype TextPane::LineOfOffset(qsizetype offset) const
{
    const auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return std::max<qsizetype>(0, (it - lineStarts.begin()) - 1);
}

void TextPane::SetTabWidth(int columns)
{
    tabWidth = std::max(1, columns);
    BuildLineIndex();
    UpdateScrollRanges();
    viewport()->update();
}

void TextPane::SetLineColours(LineColours colours)
{
    lineColours = std::move(colours);
    viewport()->update();
}

void TextPane::SetSelection(qsizetype newAnchor, qsizetype newCaret)
{
    anchor = std::clamp<qsizetype>(newAnchor, 0, text.size());
    caret = std::clamp<qsizetype>(newCaret, 0, text.size());
    viewport()->update();
}

void TextPane::SelectAll() { SetSelection(0, text.size()); }

QString TextPane::SelectedText() const
{
    return text.mid(SelectionStart(), SelectionEnd() - SelectionStart());
}

void TextPane::Copy() const
{
    if (SelectionStart() == SelectionEnd())
        return;
    QApplication::clipboard()->setText(SelectedText());
}

qsizetype TextPane::FirstVisibleLine() const { return verticalScrollBar()->value(); }

int TextPane::VisibleLineCount() const { return std::max(1, viewport()->height() / lineHeight); }

int TextPane::VisibleColumnCount() const
{
    return std::max(1, static_cast<int>(viewport()->width() / charWidth));
}

void TextPane::UpdateMetrics()
{
    // The advance is fractional (7.2 pixels for a 9-point DejaVu Sans Mono): rounded, a piece of
    // line drawn at its column would not meet the text drawn before it.
    charWidth = std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(u'M'));
    const QFontMetrics metrics(font());
    lineHeight = std::max(1, metrics.lineSpacing());
    ascent = metrics.ascent();
}

void TextPane::UpdateScrollRanges()
{
    const int lines = VisibleLineCount();
    const int columns = VisibleColumnCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, static_cast<int>(std::max<qsizetype>(0, LineCount() - lines)));
    vertical->setPageStep(lines);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, static_cast<int>(std::max<qsizetype>(0, maxColumns + 1 - columns)));
    horizontal->setPageStep(columns);
    horizontal->setSingleStep(1);
}

qsizetype TextPane::ColumnOf(qsizetype line, qsizetype offset) const
{
    qsizetype column = 0;
    for (qsizetype i = LineStart(line); i < offset; ++i)
        column += text.at(i) == u'\t' ? tabWidth - column % tabWidth : 1;
    return column;
}

qsizetype TextPane::OffsetAtColumn(qsizetype line, qsizetype column) const
{
    const qsizetype end = LineEnd(line);
    qsizetype at = 0;
    qsizetype i = LineStart(line);
    for (; i < end; ++i) {
        const qsizetype width = text.at(i) == u'\t' ? tabWidth - at % tabWidth : 1;
        // The nearer edge of the character wins.
        if (column < at + (width + 1) / 2)
            return i;
        at += width;
    }
    return end;
}

QString TextPane::VisibleSegment(qsizetype line, qsizetype first, qsizetype count) const
{
    QString segment;
    const qsizetype end = LineEnd(line);
    qsizetype column = 0;
    for (qsizetype i = LineStart(line); i < end && column < first + count; ++i) {
        const QChar ch = text.at(i);
        const qsizetype width = ch == u'\t' ? tabWidth - column % tabWidth : 1;
        for (qsizetype c = column; c < column + width; ++c) {
            if (c >= first && c < first + count)
                segment += ch == u'\t' ? QChar(u' ') : ch;
        }
        column += width;
    }
    return segment;
}

void TextPane::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    painter.setFont(font());
    const qsizetype firstLine = FirstVisibleLine();
    const qsizetype firstColumn = horizontalScrollBar()->value();
    const qsizetype columns = VisibleColumnCount() + 1;
    const qsizetype lastLine = std::min(LineCount(), firstLine + VisibleLineCount() + 1);
    const qsizetype selStart = SelectionStart();
    const qsizetype selEnd = SelectionEnd();
    linesLaidOut = 0;
    for (qsizetype line = firstLine; line < lastLine; ++line) {
        const int top = static_cast<int>((line - firstLine) * lineHeight);
        const QString segment = VisibleSegment(line, firstColumn, columns);
        DrawLine(painter, line, top, firstColumn, columns, segment);
        ++linesLaidOut;
        const qsizetype start = LineStart(line);
        const qsizetype end = LineEnd(line);
        if (selStart >= selEnd || selEnd < start || selStart > end)
            continue;
        const qsizetype from = ColumnOf(line, std::max(selStart, start));
        // A selection that goes on past the line break shows one column for the break.
        const qsizetype to = ColumnOf(line, std::min(selEnd, end)) + (selEnd > end ? 1 : 0);
        const qsizetype visibleFrom = std::max(from, firstColumn);
        const qsizetype visibleTo = std::min(to, firstColumn + columns);
        if (visibleFrom >= visibleTo)
            continue;
        const QRectF band((visibleFrom - firstColumn) * charWidth, top,
            (visibleTo - visibleFrom) * charWidth, lineHeight);
        painter.fillRect(band, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(QPointF(band.left(), top + ascent),
            segment.mid(visibleFrom - firstColumn, visibleTo - visibleFrom));
    }
    if (hasFocus()) {
        const qsizetype caretLine = LineOfOffset(caret);
        const qsizetype x = qRound((ColumnOf(caretLine, caret) - firstColumn) * charWidth);
        const qsizetype y = (caretLine - firstLine) * lineHeight;
        if (x >= 0 && x <= viewport()->width() && y >= 0 && y < viewport()->height())
            painter.fillRect(QRect(static_cast<int>(x), static_cast<int>(y), 1, lineHeight),
                palette().color(QPalette::Text));
    }
}

void TextPane::DrawLine(QPainter& painter, qsizetype line, int top, qsizetype firstColumn,
    qsizetype columns, const QString& segment)
{
    const qsizetype start = LineStart(line);
    const qsizetype end = LineEnd(line);
    runs.clear();
    if (lineColours) {
        // The characters right of the pane need no colour, so a long line is lexed only as far
        // as it shows.
        const qsizetype shown = OffsetAtColumn(line, firstColumn + columns) + 1 - start;
        lineColours(line, std::min(shown, end - start), runs);
    }
    const qsizetype lastColumn = firstColumn + segment.size();
    // Draws the columns from..to that are on screen.
    auto draw = [&](qsizetype from, qsizetype to, const QColor& colour) {
        from = std::max(from, firstColumn);
        to = std::min(to, lastColumn);
        if (from >= to)
            return;
        painter.setPen(colour);
        painter.drawText(QPointF((from - firstColumn) * charWidth, top + ascent),
            segment.mid(from - firstColumn, to - from));
    };
    // Runs come in order, so one walk along the line gives the columns of their edges.
    qsizetype offset = start;
    qsizetype column = 0;
    auto columnAt = [&](qsizetype target) {
        for (target = std::min(target, end); offset < target; ++offset)
            column += text.at(offset) == u'\t' ? tabWidth - column % tabWidth : 1;
        return column;
    };
    const QColor plain = palette().color(QPalette::Text);
    qsizetype drawn = firstColumn;
    for (const ColourRun& run : runs) {
        const qsizetype from = columnAt(start + run.start);
        const qsizetype to = columnAt(start + run.start + run.length);
        draw(drawn, from, plain);
        draw(from, to, run.colour);
        drawn = std::max(drawn, to);
        if (drawn >= lastColumn)
            return;
    }
    draw(drawn, lastColumn, plain);
}

void TextPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void TextPane::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        UpdateScrollRanges();
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void TextPane::scrollContentsBy(int, int) { viewport()->update(); }

qsizetype TextPane::OffsetAt(const QPoint& point) const
{
    const qsizetype line = std::clamp<qsizetype>(
        FirstVisibleLine() + (point.y() < 0 ? -1 : point.y() / lineHeight), 0, LineCount() - 1);
    const qsizetype column = std::max<qsizetype>(
        0, horizontalScrollBar()->value() + qFloor((point.x() + charWidth / 2) / charWidth));
    return OffsetAtColumn(line, column);
}

void TextPane::EnsureCaretVisible()
{
    const qsizetype line = LineOfOffset(caret);
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(static_cast<int>(line));
    else if (line >= vertical->value() + VisibleLineCount())
        vertical->setValue(static_cast<int>(line - VisibleLineCount() + 1));
    const qsizetype column = ColumnOf(line, caret);
    QScrollBar* horizontal = horizontalScrollBar();
    if (column < horizontal->value())
        horizontal->setValue(static_cast<int>(column));
    else if (column >= horizontal->value() + VisibleColumnCount())
        horizontal->setValue(static_cast<int>(column - VisibleColumnCount() + 1));
}

void TextPane::MoveCaret(qsizetype offset, bool extend)
{
    caret = std::clamp<qsizetype>(offset, 0, text.size());
    if (!extend)
        anchor = caret;
    EnsureCaretVisible();
    viewport()->update();
}

bool TextPane::event(QEvent* event)
{
    // The pane's own copy and select-all keys win over window-wide shortcuts on the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextPane::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const qsizetype line = LineOfOffset(caret);
    auto moveToLine = [&](qsizetype target) {
        target = std::clamp<qsizetype>(target, 0, LineCount() - 1);
        if (wantedColumn < 0)
            wantedColumn = ColumnOf(line, caret);
        const qsizetype column = wantedColumn;
        MoveCaret(OffsetAtColumn(target, column), extend);
        wantedColumn = column;
    };
    switch (event->key()) {
    case Qt::Key_Left:
        wantedColumn = -1;
        MoveCaret(caret == LineStart(line) && line > 0 ? LineEnd(line - 1) : caret - 1, extend);
        break;
    case Qt::Key_Right:
        wantedColumn = -1;
        MoveCaret(
            caret == LineEnd(line) && line + 1 < LineCount() ? LineStart(line + 1) : caret + 1,
            extend);
        break;
    case Qt::Key_Up:
        moveToLine(line - 1);
        break;
    case Qt::Key_Down:
        moveToLine(line + 1);
        break;
    case Qt::Key_PageUp:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - VisibleLineCount());
        moveToLine(line - VisibleLineCount());
        break;
    case Qt::Key_PageDown:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + VisibleLineCount());
        moveToLine(line + VisibleLineCount());
        break;
    case Qt::Key_Home:
        wantedColumn = -1;
        MoveCaret(control ? 0 : LineStart(line), extend);
        break;
    case Qt::Key_End:
        wantedColumn = -1;
        MoveCaret(control ? text.size() : LineEnd(line), extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TextPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    wantedColumn = -1;
    MoveCaret(OffsetAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TextPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    // Dragging past an edge scrolls towards it, one step per move.
    MoveCaret(OffsetAt(event->position().toPoint()), true);
}

void TextPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    event->accept();
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype offset = OffsetAt(event->position().toPoint());
    const qsizetype line = LineOfOffset(offset);
    qsizetype start = offset;
    qsizetype end = offset;
    while (start > LineStart(line) && IsWordChar(text.at(start - 1)))
        --start;
    while (end < LineEnd(line) && IsWordChar(text.at(end)))
        ++end;
    SetSelection(start, end);
}
