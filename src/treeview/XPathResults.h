#pragma once

#include "dom/DomBindings.h"
#include "dom/DomNode.h"

#include <QAbstractTableModel>

#include <vector>

// The nodes an XPath expression selected, as rows of their path and a short label. Paths and
// labels are made when a row is drawn, so that listing a hundred thousand nodes costs no more
// than holding them.
class XPathResults : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PathColumn, LabelColumn, ColumnCount };

    explicit XPathResults(QObject* parent = nullptr);

    void SetNodes(std::vector<DomNode> nodes, const DomBindings& bindings);
    // Drops the nodes (and the hold they keep on the document).
    void Clear() { SetNodes({}, DomBindings()); }
    // The document changed: paths are made again (a node may have moved or gone).
    void Refresh(const DomBindings& bindings);
    DomNode Node(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<DomNode> nodes;
    DomBindings bindings;
    // Made on first drawing; null until then.
    mutable std::vector<QString> paths;
};
