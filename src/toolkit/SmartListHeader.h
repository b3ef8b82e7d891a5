#pragma once

#include <QHeaderView>

class SmartList;

// The header of a SmartList: draws its sections itself, with the list's sort arrow, once the
// list has made it owner-drawn, and reports the end of a divider drag.
class SmartListHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit SmartListHeader(SmartList* list);

    void SetOwnerDrawn(bool on);
    bool IsOwnerDrawn() const { return ownerDrawn; }

    // Top-left corner of the 10 × 12 sort arrow in a section; the section rectangle is the one
    // already shifted while the section is pressed.
    static QPoint SortArrowPosition(const QRect& section, bool rightJustified);

signals:
    void DividerDragEnded();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DrawSortArrow(QPainter& painter, const QPoint& topLeft) const;

    SmartList* list;
    bool ownerDrawn = false;
    bool buttonDown = false;
    bool resizedWhileDown = false;
    int pressedSection = -1;
};
