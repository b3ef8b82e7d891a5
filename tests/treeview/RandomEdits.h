#pragma once

// Random edits of a document through the tree view's own commands and the edit path the
// attribute pane uses, for long runs on real documents; the drags and dialog answers the tree
// view tests share; and the bytes a save writes.

#include "AddAttributeDlg.h"
#include "FrameworkIds.h"
#include "InsertItemDlg.h"
#include "NodeRules.h"
#include "SInsertItemDlg.h"
#include "ScriptedPrompts.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "dom/DomNamedNodeMap.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <optional>
#include <vector>

struct RandomEdit {
    // What was done, to name the edit when a check fails.
    QString what;
    // The DOM refused: a failure was shown or the edit path returned nothing.
    bool refused = false;
};

// A move of the mouse over the view with the left button held.
inline void MouseMove(QAbstractItemView& view, const QPoint& to, Qt::KeyboardModifiers keys)
{
    QMouseEvent move(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton,
        Qt::LeftButton, keys);
    QCoreApplication::sendEvent(view.viewport(), &move);
}

// Drags the item from onto the item to with the left button: far enough to start the drag,
// then onto the target.
inline void DragItem(
    TrelvoView& view, const QModelIndex& from, const QModelIndex& to, Qt::KeyboardModifiers keys)
{
    const QPoint start = view.LabelRect(from).center();
    const QPoint end = view.LabelRect(to).center();
    QTest::mousePress(view.viewport(), Qt::LeftButton, keys, start);
    MouseMove(view, start + QPoint(QApplication::startDragDistance() + 1, 0), keys);
    MouseMove(view, end, keys);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, keys, end);
}

namespace RandomEdits {

using namespace Qt::StringLiterals;

// Names, values and texts that the DOM takes in most places, some only in some places (a prefix
// declared in one branch) and some nowhere (bad names, "--" in a comment, a control character).
inline const QStringList Names
    = { u"x"_s, u"item"_s, u"p:x"_s, u"svg:g"_s, u"q:y"_s, u"1bad"_s, u"a b"_s };
inline const QStringList AttributeNames = { u"a"_s, u"k"_s, u"id"_s, u"p:a"_s, u"xml:lang"_s,
    u"xmlns:q"_s, u"q:a"_s, u"xmlns"_s, u"2x"_s };
inline const QStringList Values = { u"1"_s, QString(), u"a\"b<c&d>"_s, u"tab\there"_s,
    u"line\nfeed"_s, u"urn:q"_s, u"caf\u00E9 \u65E5"_s, u"\u0001"_s };
inline const QStringList Texts = { QString(), u" "_s, u"\n  "_s, u"word"_s, u"a & b < c > d"_s,
    u"line one\nline two"_s, u"\u00A0nbsp"_s, u"caf\u00E9 \u65E5"_s, u"x]]>y"_s, u"bad\u0001"_s };
inline const QStringList Comments
    = { u"note"_s, u" spaced "_s, u"multi\nline"_s, u"a--b"_s, u"ends-"_s, u"\u00E9"_s };
inline const QStringList CData
    = { u"raw <x> & y"_s, u"a]]>b"_s, QString(), u"\n"_s, u"bad\u0001"_s };
inline const QStringList Instructions = { u"render fast"_s, u"t"_s, u"t multi\nline"_s, u"t a?>b"_s,
    u"xml version=\"1.0\""_s, u"XML x"_s };

inline QString Pick(const QStringList& list, QRandomGenerator& random)
{
    return list.at(random.bounded(int(list.size())));
}

inline void AllItems(const TreeModel& model, const QModelIndex& parent, QModelIndexList& items)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex item = model.index(row, 0, parent);
        items << item;
        AllItems(model, item, items);
    }
}

// Types answer into the value dialogs, the name dialogs and the attribute dialog
// ("name=value"); "<ok>" accepts the dialog untouched, "<cancel>" cancels it.
inline std::function<int(QDialog&)> TypeInto(const QString& answer)
{
    return [answer](QDialog& dialog) {
        if (answer == u"<cancel>")
            return int(QDialog::Rejected);
        if (answer == u"<ok>")
            return int(QDialog::Accepted);
        if (auto* multi = qobject_cast<InsertItemDlg*>(&dialog)) {
            multi->GetValueEdit()->selectAll();
            multi->GetValueEdit()->insertPlainText(answer);
        } else if (auto* single = qobject_cast<SInsertItemDlg*>(&dialog)) {
            single->GetValueEdit()->setText(answer);
        } else if (auto* attribute = qobject_cast<AddAttributeDlg*>(&dialog)) {
            attribute->GetNameEdit()->setText(answer.section(u'=', 0, 0));
            attribute->GetValueEdit()->setText(answer.section(u'=', 1));
        }
        return int(QDialog::Accepted);
    };
}

// Runs a command on the selected item with the answer for its dialog, Yes to its question and
// OK to a failure box.
inline RandomEdit Command(TrelvoView& view, ScriptedPrompts& prompts, int id,
    const std::optional<QString>& answer, const QString& what)
{
    prompts.Clear();
    if (answer)
        prompts.AnswerDialog(TypeInto(*answer));
    if (id == ID_EDIT_DELETE_ITEM)
        prompts.AnswerMessage(Prompts::Button::Yes);
    prompts.AnswerMessage(Prompts::Button::Ok);
    view.OnCommand(id);
    RandomEdit edit { what, false };
    for (const auto& call : prompts.CallsOf(ScriptedPrompts::Kind::MessageBox))
        edit.refused = edit.refused || call.text.startsWith(u"Failed");
    prompts.Clear();
    return edit;
}

// Drags source onto a random item in view, Ctrl held to copy; the view must be on screen.
inline RandomEdit Drag(
    TrelvoView& view, ScriptedPrompts& prompts, const QModelIndex& source, QRandomGenerator& random)
{
    view.scrollTo(source);
    QModelIndexList visible;
    const int step = std::max(1, view.sizeHintForRow(0));
    for (int y = step / 2; y < view.viewport()->height(); y += step) {
        if (const QModelIndex item = view.indexAt(QPoint(1, y)); item.isValid())
            visible << item;
    }
    if (visible.isEmpty())
        return { u"drag: nothing in view"_s };
    const QModelIndex target = visible.at(random.bounded(int(visible.size())));
    const bool copy = random.bounded(2) == 0;
    const Qt::KeyboardModifiers keys = copy ? Qt::ControlModifier : Qt::NoModifier;
    const QString what = (copy ? u"drag copy '"_s : u"drag '"_s) + view.GetModel()->Label(source)
        + u"' onto '"_s + view.GetModel()->Label(target) + u'\'';
    prompts.Clear();
    prompts.AnswerMessage(Prompts::Button::Ok);
    DragItem(view, source, target, keys);
    RandomEdit edit { what, false };
    for (const auto& call : prompts.CallsOf(ScriptedPrompts::Kind::MessageBox))
        edit.refused = edit.refused || call.text.startsWith(u"Failed");
    prompts.Clear();
    return edit;
}

// The items of branch, itself included.
inline int BranchSize(const TreeModel& model, const QModelIndex& branch)
{
    QModelIndexList items;
    AllItems(model, branch, items);
    return int(items.size()) + 1;
}

} // namespace RandomEdits

// One edit of a random kind on a random item: a node command of the tree (insert, rename, edit
// a value, delete, move), Cut, Copy or Paste, an attribute added, changed or removed through the
// edit path, or, when the view is on screen, a drag. The document is kept near its size: large
// branches are not copied once it has grown. Edits the DOM refuses are part of the mix.
inline RandomEdit MakeRandomEdit(
    TrelvoView& view, ScriptedPrompts& prompts, QRandomGenerator& random)
{
    using namespace RandomEdits;
    TrelvoDoc& doc = *view.Doc();
    const TreeModel& model = *view.GetModel();
    const int kind = random.bounded(17);
    // Mostly an item the edit applies to, sometimes any item: the command must then end without
    // a change.
    QModelIndexList items;
    AllItems(model, QModelIndex(), items);
    if (random.bounded(8) != 0) {
        const bool inserts = kind <= 5 || kind == 15;
        const bool attributes = kind >= 6 && kind <= 8;
        const auto misfit = [&](const QModelIndex& item) {
            const DomNode node = view.NodeOf(item);
            return (inserts && !NodeRules::CanHaveChildren(node))
                || (attributes && !NodeRules::CanAddAttribute(node));
        };
        QModelIndexList fitting = items;
        fitting.erase(std::remove_if(fitting.begin(), fitting.end(), misfit), fitting.end());
        if (!fitting.isEmpty())
            items = fitting;
    }
    const QModelIndex item = items.at(random.bounded(int(items.size())));
    const DomNode node = view.NodeOf(item);
    const QString label = u" on '"_s + model.Label(item) + u'\'';
    view.SelectItem(item);

    if (!doc.HasRootElement() && random.bounded(2) == 0)
        return Command(view, prompts, ID_ADD_ROOT_ELEMENT, Pick(Names, random), u"root element"_s);
    switch (kind) {
    case 0:
    case 1: {
        const QString name = Pick(Names, random);
        return Command(view, prompts, ID_ADD_CHILD_ELEMENT, name, u"child "_s + name + label);
    }
    case 2:
        return Command(view, prompts, ID_ADD_TEXT, Pick(Texts, random), u"text"_s + label);
    case 3:
        return Command(view, prompts, ID_ADD_COMMENT, Pick(Comments, random), u"comment"_s + label);
    case 4:
        return Command(
            view, prompts, ID_ADD_CDATA_SECTION, Pick(CData, random), u"CDATA"_s + label);
    case 5:
        return Command(view, prompts, ID_ADD_PROCESSING_INSTRUCTION, Pick(Instructions, random),
            u"pi"_s + label);
    case 6: {
        const QString answer = Pick(AttributeNames, random) + u'=' + Pick(Values, random);
        return Command(view, prompts, ID_ADD_ATTRIBUTE, answer, u"attribute "_s + answer + label);
    }
    case 7:
    case 8: {
        // As the attribute pane edits and removes: the selected element's attributes.
        const DomNamedNodeMap attributes = node.attributes();
        if (attributes.isNull() || attributes.length() == 0)
            return { u"no attributes"_s + label };
        const DomAttribute attribute = attributes.item(random.bounded(attributes.length()));
        const QString name = attribute.name();
        if (random.bounded(2) == 0) {
            const QString value = Pick(Values, random);
            return { u"set "_s + name + u'=' + value + label,
                !view.Editor().SetAttributeValue(attribute, value, nullptr) };
        }
        std::vector<DomAttribute> removed { attribute };
        if (attributes.length() > 1 && random.bounded(2) == 0)
            removed.push_back(attributes.item(random.bounded(attributes.length())));
        return { u"remove "_s + name + label,
            view.Editor().RemoveAttributes(node, removed, nullptr) == 0 };
    }
    case 9: {
        QString answer = u"<ok>"_s;
        if (random.bounded(4) != 0) {
            switch (node.nodeType()) {
            case NodeType::Element:
                answer = Pick(Names, random);
                break;
            case NodeType::Comment:
                answer = Pick(Comments, random);
                break;
            case NodeType::CDataSection:
                answer = Pick(CData, random);
                break;
            case NodeType::ProcessingInstruction:
                answer = node.nodeName() == u"xml" ? u"version=\"1.0\" standalone=\"yes\""_s
                                                   : Pick(Instructions, random);
                break;
            default:
                answer = Pick(Texts, random);
            }
        }
        return Command(view, prompts, ID_EDIT_ITEM, answer, u"edit to "_s + answer + label);
    }
    case 10:
        return Command(view, prompts, ID_EDIT_DELETE_ITEM, {}, u"delete"_s + label);
    case 11:
        return Command(view, prompts, ID_EDIT_MOVE_UP, {}, u"move up"_s + label);
    case 12:
        return Command(view, prompts, ID_EDIT_MOVE_DOWN, {}, u"move down"_s + label);
    case 13:
        if (model.ItemCount() > 800 || BranchSize(model, item) > 60)
            return { u"no copy of a large branch"_s + label };
        return Command(view, prompts, ID_EDIT_COPY, {}, u"copy"_s + label);
    case 14:
        return Command(view, prompts, ID_EDIT_CUT, {}, u"cut"_s + label);
    case 15:
        if (model.ItemCount() > 800)
            return { u"no paste into a large document"_s };
        return Command(view, prompts, ID_EDIT_PASTE, {}, u"paste"_s + label);
    default:
        if (!view.isVisible() || model.ItemCount() > 800 || BranchSize(model, item) > 60)
            return { u"no drag"_s + label };
        return Drag(view, prompts, item, random);
    }
}

// Saves doc to path the program's way and returns the bytes written; empty when the save failed.
inline QByteArray SavedBytes(TrelvoDoc& doc, const QString& path)
{
    if (!doc.OnSaveDocument(path))
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
