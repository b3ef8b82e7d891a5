#include "AttributeView.h"
#include "AddAttributeDlg.h"
#include "AttributeEditor.h"
#include "AttributeViewIds.h"
#include "CommandTable.h"
#include "Prompts.h"
#include "SmartList.h"
#include "SmartListHeader.h"
#include "TrelvoDoc.h"
#include "dom/DomNamedNodeMap.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

AttributeView* g_pAttributeView = nullptr;

// The row images live in a static library, whose resources are not registered on their own.
static void InitAttributeViewResources() { Q_INIT_RESOURCE(attributeview); }

AttributeView::AttributeView(QWidget* parent)
    : ResizableFormView(parent)
{
    g_pAttributeView = this;
    SetDesignSize(QSize(0, 0));
    list = new SmartList(GetForm());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->installEventFilter(this);
    setFocusProxy(list);

    connect(list->GetHeader(), &QHeaderView::sectionClicked, this, &AttributeView::OnHeaderClick);
    connect(list, &SmartList::ListContextMenu, this, &AttributeView::ShowContextMenu);

    AddCommand(ID_ATTRIBUTE_ADD, [this] { OnAddAttribute(); });
    AddCommand(ID_ATTRIBUTE_DELETE, [this] { OnDeleteAttribute(); });
}

AttributeView::~AttributeView()
{
    SaveAttributeColumnWidths();
    // Destroying the pane takes the focus from an open editor, which would commit through us.
    list->SetEditValidator(nullptr);
    if (g_pAttributeView == this)
        g_pAttributeView = nullptr;
}

void AttributeView::SetSettings(UserSettings* shared) { settings = shared ? shared : &ownSettings; }

void AttributeView::SetupAttributeList()
{
    static const char* const imagePaths[] = {
        ":/panes/attribute-other.png",
        ":/panes/attribute-href.png",
        ":/panes/attribute-type.png",
        ":/panes/attribute-value.png",
    };
    InitAttributeViewResources();
    images.clear();
    for (const char* path : imagePaths)
        images.append(QIcon(QString::fromLatin1(path)));
    list->setIconSize(QSize(16, 16));

    list->setColumnCount(2);
    list->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Value") });
    list->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    list->headerItem()->setTextAlignment(1, Qt::AlignLeft | Qt::AlignVCenter);
    const int half = list->viewport()->width() / 2;
    list->GetHeader()->resizeSection(0, half);
    list->GetHeader()->resizeSection(1, half);

    list->editColumn = 1;
    list->MakeHeaderOwnerDrawn();
    list->SetEditValidator(
        [this](int item, int, const QString& text) { return OnValidateEdit(item, text); });
}

void AttributeView::ApplyAttributeSettings()
{
    const UserSettings& settings = Settings();
    if (settings.AttributeNameWidth > 0 || settings.AttributeValueWidth > 0) {
        const QHeaderView* header = list->GetHeader();
        list->SetColumnWidthsWhenShown({
            settings.AttributeNameWidth > 0 ? settings.AttributeNameWidth : header->sectionSize(0),
            settings.AttributeValueWidth > 0 ? settings.AttributeValueWidth
                                             : header->sectionSize(1),
        });
    }
    list->MakeHeaderOwnerDrawn();
    CopySortToList();
}

void AttributeView::SaveAttributeColumnWidths()
{
    UserSettings& settings = Settings();
    const QList<int> widths = list->GetColumnWidths();
    settings.AttributeNameWidth = widths.value(0);
    settings.AttributeValueWidth = widths.value(1);
}

void AttributeView::CopySortToList()
{
    const UserSettings& settings = Settings();
    list->sortColumn = settings.AttributeSortColumn;
    list->sortAscending = settings.AttributeSortAscending;
    list->GetHeader()->viewport()->update();
    list->viewport()->update();
}

TrelvoDoc* AttributeView::Doc() const { return dynamic_cast<TrelvoDoc*>(GetDocument()); }

DomAttribute AttributeView::AttributeAt(int row) const
{
    const QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? item->data(0, AttributeRole).value<DomAttribute>() : DomAttribute();
}

AttributeView::RowImage AttributeView::ImageForName(const QString& name)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("HREF"))
        return ImageHref;
    if (upper == QLatin1String("TYPE"))
        return ImageType;
    if (upper == QLatin1String("VALUE"))
        return ImageValue;
    return ImageOther;
}

void AttributeView::RefreshAttributes()
{
    // Deleting the items drops the attribute handles they hold.
    list->clear();
    const TrelvoDoc* doc = Doc();
    if (!doc || doc->SelectedNode.isNull())
        return;
    const DomNode node = doc->SelectedNode;
    if (node.nodeType() == NodeType::ProcessingInstruction)
        return;
    const DomNamedNodeMap map = node.attributes();
    const int count = map.isNull() ? 0 : map.length();
    for (int i = 0; i < count; ++i)
        AddAttributeRow(map.item(i));
    SortAttributeRows();
}

int AttributeView::AddAttributeRow(const DomAttribute& attribute)
{
    const QString name = attribute.nodeName();
    const QString value = attribute.nodeValue().value_or(QString());

    // Names are matched exactly: "Id" and "ID" are two attributes and both get a row.
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->GetItemText(row, 0) == name)
            DeleteRow(row);
    }

    const RowImage image = ImageForName(name);
    auto* item = new QTreeWidgetItem({ name, value });
    if (image < images.size())
        item->setIcon(0, images[image]);
    item->setData(0, ImageRole, int(image));
    item->setData(0, AttributeRole, QVariant::fromValue(attribute));
    const int row = list->topLevelItemCount();
    list->addTopLevelItem(item);
    return row;
}

void AttributeView::DeleteRow(int row) { delete list->takeTopLevelItem(row); }

int AttributeView::CompareAttributeRows(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const
{
    const UserSettings& settings = Settings();
    const DomAttribute first = a->data(0, AttributeRole).value<DomAttribute>();
    const DomAttribute second = b->data(0, AttributeRole).value<DomAttribute>();
    int order = 0;
    // QString compares UTF-16 code units, with no locale.
    if (settings.AttributeSortColumn == 0)
        order = QString::compare(first.nodeName(), second.nodeName(), Qt::CaseSensitive);
    else if (settings.AttributeSortColumn == 1)
        order = QString::compare(first.value(), second.value(), Qt::CaseSensitive);
    else
        return 0;
    order = order < 0 ? -1 : (order > 0 ? 1 : 0);
    return settings.AttributeSortAscending ? order : -order;
}

void AttributeView::SortAttributeRows()
{
    if (Settings().AttributeSortColumn != 0 && Settings().AttributeSortColumn != 1)
        return;
    // Taking the items out of the list drops their selection, so it is put back afterwards.
    QTreeWidgetItem* current = list->currentItem();
    QList<QTreeWidgetItem*> selected = list->selectedItems();
    QList<QTreeWidgetItem*> rows;
    while (list->topLevelItemCount() > 0)
        rows.append(list->takeTopLevelItem(0));
    std::stable_sort(
        rows.begin(), rows.end(), [this](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
            return CompareAttributeRows(a, b) < 0;
        });
    list->addTopLevelItems(rows);
    if (current)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

void AttributeView::OnHeaderClick(int column)
{
    UserSettings& settings = Settings();
    if (column == settings.AttributeSortColumn) {
        if (settings.AttributeSortAscending) {
            settings.AttributeSortAscending = false;
        } else {
            settings.AttributeSortColumn = -1;
            const int selected = list->GetFirstSelectedRow();
            const QString name = selected == -1 ? QString() : list->GetItemText(selected, 0);
            RefreshAttributes();
            if (!name.isEmpty()) {
                for (int row = 0; row < list->topLevelItemCount(); ++row) {
                    if (list->GetItemText(row, 0) == name)
                        SelectOnly(row);
                }
            }
        }
    } else {
        settings.AttributeSortColumn = column;
        settings.AttributeSortAscending = true;
    }
    CopySortToList();
    SortAttributeRows();
}

void AttributeView::SelectOnly(int row)
{
    if (QTreeWidgetItem* item = list->topLevelItem(row))
        list->setCurrentItem(
            item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void AttributeView::OnAddAttribute()
{
    AddAttributeDlg dialog(this);
    const int result = Prompts::Instance().ExecDialog(dialog);
    if (result == QDialog::Accepted) {
        const TrelvoDoc* doc = Doc();
        const TreeChange change = doc && editor
            ? editor->AddAttribute(doc->SelectedNode, dialog.GetName(), dialog.GetValue(), this)
            : TreeChange();
        if (!change) {
            Prompts::Instance().MessageBox(QStringLiteral("Failed to create attribute!"), QString(),
                Prompts::Buttons::Ok, Prompts::Icon::None);
        } else {
            SelectOnly(AddAttributeRow(change.node.toAttribute()));
            SortAttributeRows();
        }
    }
    setFocus(Qt::OtherFocusReason);
}

void AttributeView::OnDeleteAttribute()
{
    // The question comes first, so it is asked even when no row is selected.
    const Prompts::Button answer = Prompts::Instance().MessageBox(
        QStringLiteral("Are you sure you want to delete the selected attributes?"), QString(),
        Prompts::Buttons::YesNo, Prompts::Icon::Question);
    const TrelvoDoc* doc = Doc();
    if (answer == Prompts::Button::Yes && doc && editor) {
        // Removing the current row makes the list select a neighbour, so the rows to delete are
        // gathered before any goes; the rows go first, so the views' one update finds them gone.
        const QList<QTreeWidgetItem*> selected = list->selectedItems();
        std::vector<DomAttribute> attributes;
        for (QTreeWidgetItem* item : selected) {
            attributes.push_back(item->data(0, AttributeRole).value<DomAttribute>());
            delete item;
        }
        if (!selected.isEmpty())
            list->clearSelection();
        editor->RemoveAttributes(doc->SelectedNode, attributes, this);
    }
    setFocus(Qt::OtherFocusReason);
}

bool AttributeView::OnValidateEdit(int item, const QString& text)
{
    const DomAttribute attribute = AttributeAt(item);
    // The same text commits without writing: the document stays as it was, and unmodified.
    return editor && !attribute.isNull() && editor->SetAttributeValue(attribute, text, this);
}

std::vector<CommandInfo> AttributeView::Commands()
{
    return {
        CommandInfo { ID_ATTRIBUTE_ADD, QStringLiteral("&Add..."), {},
            QStringLiteral("Add an attribute to the selected element\nAdd Attribute"), {} },
        CommandInfo { ID_ATTRIBUTE_DELETE, QStringLiteral("&Delete"), {},
            QStringLiteral("Delete the selected attributes\nDelete Attribute"), {} },
    };
}

void AttributeView::ShowContextMenu(const QPoint& pos)
{
    CommandTable table;
    for (const CommandInfo& command : Commands())
        table.Add(command);
    const std::unique_ptr<QMenu> menu = table.CreatePopupMenu(
        { MenuItem::Command(ID_ATTRIBUTE_ADD), MenuItem::Command(ID_ATTRIBUTE_DELETE) }, this);
    const TrelvoDoc* doc = Doc();
    const bool canAdd = doc && !doc->SelectedNode.isNull()
        && doc->SelectedNode.nodeType() != NodeType::ProcessingInstruction;
    const bool canDelete = list->GetFirstSelectedRow() != -1;
    for (QAction* action : menu->actions()) {
        const int id = action->data().toInt();
        if ((id == ID_ATTRIBUTE_ADD && !canAdd) || (id == ID_ATTRIBUTE_DELETE && !canDelete))
            action->setEnabled(false);
    }
    const int id = Prompts::Instance().TrackPopupMenu(*menu, list->viewport()->mapToGlobal(pos));
    if (id != 0)
        OnCommand(id);
}

void AttributeView::OnUpdate(View* sender, long hint)
{
    // A save changes nothing shown, and a refresh would end an edit in progress.
    if (hint == TrelvoDoc::HintSaved)
        return;
    RefreshAttributes();
    ResizableFormView::OnUpdate(sender, hint);
}

bool AttributeView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDeleteAttribute();
        return true;
    }
    if (watched == GetForm() && event->type() == QEvent::Resize) {
        const bool handled = ResizableFormView::eventFilter(watched, event);
        list->setGeometry(GetForm()->rect());
        return handled;
    }
    return ResizableFormView::eventFilter(watched, event);
}
