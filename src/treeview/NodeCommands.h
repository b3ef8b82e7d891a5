#pragma once

#include <QString>

#include <functional>
#include <utility>
#include <vector>

class InsertItemDlg;
class QModelIndex;
class TrelvoView;

// The tree view's node editing commands: each checks its requirement on the selected node and
// ends silently when it is not met (their keys reach them whatever is selected), asks with its
// dialog, changes the document through the view's editor and tells the user of a failure.
class NodeCommands {
public:
    explicit NodeCommands(TrelvoView& view);

    // The command identifiers with their handlers, for the view's command table.
    std::vector<std::pair<int, std::function<void()>>> Handlers();

    void OnInsertChildElement();
    void OnInsertText();
    void OnInsertComment();
    void OnInsertCDATA();
    void OnInsertProcessingInstruction();
    void OnInsertRootElement();
    void OnInsertAttribute();
    void OnDeleteItem();
    void OnEditItem();
    void OnMoveUp();
    void OnMoveDown();

private:
    // The selected item when its node may have children, else an invalid index.
    QModelIndex ParentForInsert() const;
    // Runs the multi-line dialog with its remembered size; false on Cancel.
    bool AskValue(InsertItemDlg& dialog);
    // Runs the one-line dialog; false on Cancel.
    bool AskName(const QString& title, QString& name);
    // A multi-line value for a new child of the selected node (text, comment, CDATA).
    void InsertValue(int type, const QString& title, const QString& failure);
    void ShowInsertFailure(const QString& text);

    TrelvoView& view;
};
