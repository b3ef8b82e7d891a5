#pragma once

#include "TreeItems.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QIcon>

#include <array>
#include <functional>
#include <utility>
#include <vector>

// The tree view's model: one item per shown DOM node in a compact store, changed item by item
// or branch by branch without a rebuild, and labelled from the nodes whenever asked.
class TreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Role {
        // The whole label, line breaks included, as search sees it (DisplayRole is one line).
        LabelRole = Qt::UserRole + 1,
        // The item's image and selected image, as Image numbers.
        ImageRole,
        SelectedImageRole,
    };

    // The item images, numbered in the order of the image list.
    enum Image {
        OpenFolderImage = 0,
        FolderImage = 1,
        TextImage = 2,
        CommentImage = 3,
        InstructionImage = 4,
        CDataImage = 5,
    };

    // Where an item goes among its parent's children: first, last, or after a sibling item.
    class Position {
    public:
        static Position First() { return Position(Kind::First, QModelIndex()); }
        static Position Last() { return Position(Kind::Last, QModelIndex()); }
        // A sibling that is not a child of the parent stands for Last.
        static Position After(const QModelIndex& sibling) { return Position(Kind::After, sibling); }

    private:
        friend class TreeModel;
        enum class Kind { First, Last, After };
        Position(Kind kind, const QModelIndex& sibling)
            : kind(kind)
            , sibling(sibling)
        {
        }
        Kind kind;
        QModelIndex sibling;
    };

    explicit TreeModel(QObject* parent = nullptr);

    // The ShowAttributesInTree mode of element labels. Changing it changes every element's label
    // at once; views repaint to show it.
    int AttributeMode() const { return showAttributes; }
    void SetAttributeMode(int mode) { showAttributes = mode; }

    // Items for node and every node below it that gets one, under parent at position, each
    // holding its own reference; attributes, entity references and what lies below them,
    // entities, fragments and notations get none. Nothing is expanded or selected. An invalid
    // index when node gets no item. pause, when given, is called with the items made so far
    // every few thousand items, while the branch is not yet part of the model.
    QModelIndex BuildBranch(const DomNode& node, const QModelIndex& parent,
        const Position& position, const std::function<void(int)>& pause = {});
    // Deletes the item and its branch. Announced, like MoveItem, as a change of layout.
    void RemoveItem(const QModelIndex& item);
    // Moves the item with its branch under parent at position. False when the parent lies in
    // the item's own branch.
    bool MoveItem(const QModelIndex& item, const QModelIndex& parent, const Position& position);
    // Deletes every item.
    void Clear();

    // Null for an invalid index or an item whose reference was released.
    DomNode Node(const QModelIndex& item) const;
    void SetNode(const QModelIndex& item, const DomNode& node);
    // Tells the views that the item's label changed with its node (a new name or value).
    void Relabel(const QModelIndex& item);
    // Drops the node references of the item and its branch; the items stay.
    void ReleaseBranchNodes(const QModelIndex& item);
    QString Label(const QModelIndex& item) const;
    // True when item is branch or lies below it.
    bool IsInBranch(const QModelIndex& item, const QModelIndex& branch) const;
    // Every item, the invisible root not counted.
    int ItemCount() const { return items.Count(); }

    QModelIndex index(
        int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The item store, for walks that need no model indexes (the search), and the ways between
    // its item numbers and indexes; the invisible root is TreeItems::Root and an invalid index.
    const TreeItems& Items() const { return items; }
    int IdOf(const QModelIndex& index) const;
    QModelIndex IndexOf(int id) const;

private:
    // Invalidates the persistent indexes of the item and its branch.
    void ForgetBranch(int top);
    // The item first and the siblings after it, each with its row.
    std::vector<std::pair<int, int>> RowsFrom(int first) const;
    // Moves the persistent indexes of the items to their rows now.
    void UpdateRows(const std::vector<std::pair<int, int>>& rows);
    // The sibling a new child of parent goes after; TreeItems::None for the first place.
    int AfterFor(int parent, const Position& position) const;
    QVariant Decoration(Image image) const;

    TreeItems items;
    int showAttributes = 0;
    mutable QFont boldFont;
    mutable std::array<QIcon, 6> icons;
    mutable bool iconsLoaded = false;
};
