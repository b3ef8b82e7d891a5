#include "NodeCommands.h"

#include "AddAttributeDlg.h"
#include "InsertItemDlg.h"
#include "Newlines.h"
#include "NodeRules.h"
#include "Prompts.h"
#include "SInsertItemDlg.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QPointer>

namespace {

const QString EditCaption = QStringLiteral("Edit item");

bool IsEditable(NodeType type)
{
    switch (type) {
    case NodeType::Element:
    case NodeType::Text:
    case NodeType::CDataSection:
    case NodeType::Comment:
    case NodeType::ProcessingInstruction:
        return true;
    default:
        return false;
    }
}

// Target and data of an instruction typed as one text: split at the first blank or line feed,
// which is dropped.
std::pair<QString, QString> SplitInstruction(const QString& text)
{
    qsizetype split = -1;
    for (qsizetype i = 0; i < text.size() && split < 0; ++i) {
        if (text.at(i) == u' ' || text.at(i) == u'\n')
            split = i;
    }
    if (split < 0)
        return { text, QString() };
    return { text.left(split), text.mid(split + 1) };
}

} // namespace

NodeCommands::NodeCommands(TrelvoView& view)
    : view(view)
{
}

std::vector<std::pair<int, std::function<void()>>> NodeCommands::Handlers()
{
    return {
        { ID_ADD_CHILD_ELEMENT, [this] { OnInsertChildElement(); } },
        { ID_ADD_TEXT, [this] { OnInsertText(); } },
        { ID_ADD_COMMENT, [this] { OnInsertComment(); } },
        { ID_ADD_CDATA_SECTION, [this] { OnInsertCDATA(); } },
        { ID_ADD_PROCESSING_INSTRUCTION, [this] { OnInsertProcessingInstruction(); } },
        { ID_ADD_ROOT_ELEMENT, [this] { OnInsertRootElement(); } },
        { ID_ADD_ATTRIBUTE, [this] { OnInsertAttribute(); } },
        { ID_EDIT_DELETE_ITEM, [this] { OnDeleteItem(); } },
        { ID_EDIT_ITEM, [this] { OnEditItem(); } },
        { ID_EDIT_MOVE_UP, [this] { OnMoveUp(); } },
        { ID_EDIT_MOVE_DOWN, [this] { OnMoveDown(); } },
    };
}

QModelIndex NodeCommands::ParentForInsert() const
{
    const QModelIndex item = view.SelectedItem();
    return item.isValid() && NodeRules::CanHaveChildren(view.NodeOf(item)) ? item : QModelIndex();
}

bool NodeCommands::AskValue(InsertItemDlg& dialog)
{
    UserSettings& settings = view.Settings();
    dialog.SetRememberedRect(QRect(settings.InsertItemDlgPosX, settings.InsertItemDlgPosY,
        settings.InsertItemDlgWidth, settings.InsertItemDlgHeight));
    const int result = Prompts::Instance().ExecDialog(dialog);
    const QRect closed = dialog.RememberedRect();
    settings.InsertItemDlgPosX = closed.x();
    settings.InsertItemDlgPosY = closed.y();
    settings.InsertItemDlgWidth = closed.width();
    settings.InsertItemDlgHeight = closed.height();
    return result == QDialog::Accepted;
}

bool NodeCommands::AskName(const QString& title, QString& name)
{
    SInsertItemDlg dialog(title, &view);
    if (Prompts::Instance().ExecDialog(dialog) != QDialog::Accepted)
        return false;
    name = dialog.GetValue();
    return true;
}

void NodeCommands::ShowInsertFailure(const QString& text)
{
    Prompts::Instance().MessageBox(text, QString(), Prompts::Buttons::Ok, Prompts::Icon::None);
}

void NodeCommands::OnInsertChildElement()
{
    const QModelIndex parent = ParentForInsert();
    QString name;
    if (!parent.isValid() || !AskName(QStringLiteral("Append child element"), name))
        return;
    if (!view.Editor().InsertElement(parent, name).isValid())
        ShowInsertFailure(QStringLiteral("Failed to create child element!"));
}

void NodeCommands::InsertValue(int type, const QString& title, const QString& failure)
{
    const QModelIndex parent = ParentForInsert();
    if (!parent.isValid())
        return;
    InsertItemDlg dialog(title, QString(), &view);
    if (!AskValue(dialog))
        return;
    const QString text = NewlinesForDom(dialog.GetValue());
    if (!view.Editor().AppendChild(NodeType(type), parent, text).isValid())
        ShowInsertFailure(failure);
}

void NodeCommands::OnInsertText()
{
    InsertValue(int(NodeType::Text), QStringLiteral("Append text"),
        QStringLiteral("Failed to create text node!"));
}

void NodeCommands::OnInsertComment()
{
    InsertValue(int(NodeType::Comment), QStringLiteral("Append comment"),
        QStringLiteral("Failed to create comment!"));
}

void NodeCommands::OnInsertCDATA()
{
    InsertValue(int(NodeType::CDataSection), QStringLiteral("Append CDATA section"),
        QStringLiteral("Failed to create CDATA section!"));
}

void NodeCommands::OnInsertProcessingInstruction()
{
    const QModelIndex parent = ParentForInsert();
    if (!parent.isValid())
        return;
    InsertItemDlg dialog(QStringLiteral("Append processing instruction"), QString(), &view);
    if (!AskValue(dialog))
        return;
    const auto [target, data] = SplitInstruction(NewlinesForDom(dialog.GetValue()));
    if (!view.Editor().InsertProcessingInstruction(parent, target, data).isValid())
        ShowInsertFailure(QStringLiteral("Failed to create processing instruction!"));
}

void NodeCommands::OnInsertRootElement()
{
    // The new element's item goes under the "Document" item whatever is selected.
    const QModelIndex document = view.GetModel()->index(0, 0);
    QString name;
    if (!document.isValid() || !AskName(QStringLiteral("Insert root element"), name))
        return;
    if (!view.Editor().InsertElement(document, name).isValid())
        ShowInsertFailure(QStringLiteral("Failed to create root element!"));
}

void NodeCommands::OnInsertAttribute()
{
    const QModelIndex item = view.SelectedItem();
    if (!item.isValid() || !NodeRules::CanAddAttribute(view.NodeOf(item)))
        return;
    const QPointer<QWidget> focus = QApplication::focusWidget();
    AddAttributeDlg dialog(&view);
    if (Prompts::Instance().ExecDialog(dialog) == QDialog::Accepted
        && !view.Editor().AddAttribute(
            view.NodeOf(item), dialog.GetName(), dialog.GetValue(), nullptr)) {
        ShowInsertFailure(QStringLiteral("Failed to create attribute!"));
    }
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void NodeCommands::OnDeleteItem()
{
    const QModelIndex item = view.SelectedItem();
    if (!item.isValid() || view.NodeOf(item).nodeType() == NodeType::Document)
        return;
    const Prompts::Button answer = Prompts::Instance().MessageBox(
        QStringLiteral("Are you sure you want to delete this element and all of its children?"),
        QString(), Prompts::Buttons::YesNo, Prompts::Icon::Question);
    if (answer != Prompts::Button::Yes)
        return;
    if (!view.Editor().DeleteItem(item))
        ShowInsertFailure(QStringLiteral("Failed to delete the node!"));
}

void NodeCommands::OnEditItem()
{
    const QModelIndex item = view.SelectedItem();
    const DomNode node = view.NodeOf(item);
    const NodeType type = node.nodeType();
    if (!item.isValid() || !IsEditable(type))
        return;
    const QString initial = type == NodeType::Element
        ? node.nodeName()
        : NewlinesForDisplay(node.nodeValue().value_or(QString()));
    InsertItemDlg dialog(EditCaption, initial, &view);
    // Text the user did not touch is not written back: the edit may have shown some characters
    // differently from how they are stored.
    if (!AskValue(dialog) || !dialog.IsValueModified())
        return;
    const QString text = NewlinesForDom(dialog.GetValue());
    const bool declaration = type == NodeType::ProcessingInstruction && node.nodeName() == u"xml";
    TreeEditor& editor = view.Editor();
    const TreeChange change = type == NodeType::Element ? editor.RenameItem(item, text)
                                                        : editor.SetItemValue(item, text);
    if (change)
        return;
    const bool replaced = type == NodeType::Element || declaration;
    Prompts::Instance().MessageBox(replaced ? QStringLiteral("Failed to apply change.")
                                            : QStringLiteral("Failed to apply the change."),
        EditCaption, Prompts::Buttons::Ok, Prompts::Icon::None);
}

void NodeCommands::OnMoveUp()
{
    const QModelIndex item = view.SelectedItem();
    if (view.CanMoveUp(item))
        view.Editor().MoveItemUp(item);
}

void NodeCommands::OnMoveDown()
{
    const QModelIndex item = view.SelectedItem();
    if (view.CanMoveDown(item))
        view.Editor().MoveItemDown(item);
}
