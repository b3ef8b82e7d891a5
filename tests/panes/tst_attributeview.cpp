#include "AddAttributeDlg.h"
#include "AttributeView.h"
#include "AttributeViewIds.h"
#include "LabelEdit.h"
#include "ScriptedPrompts.h"
#include "SmartList.h"
#include "SmartListHeader.h"
#include "TreeTestSupport.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "dom/DomNamedNodeMap.h"

#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A second view of the document that counts the refreshes it is sent.
class SpyView : public View {
public:
    int refreshes = 0;
    void OnUpdate(View*, long hint) override { refreshes += hint == TrelvoDoc::HintRefresh; }
};

// The dialog answer that types name and value into the add dialog and presses OK.
std::function<int(QDialog&)> FillAddDialog(const QString& name, const QString& value)
{
    return [name, value](QDialog& dialog) {
        auto* add = qobject_cast<AddAttributeDlg*>(&dialog);
        if (!add)
            return int(QDialog::Rejected);
        add->GetNameEdit()->setText(name);
        add->GetValueEdit()->setText(value);
        return int(QDialog::Accepted);
    };
}

} // namespace

class AttributeViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rows_data();
    void rows();
    void rowImages_data();
    void rowImages();
    void headerClickCycle_data();
    void headerClickCycle();
    void sortIsStableAndOrdinal_data();
    void sortIsStableAndOrdinal();
    void addAttribute_data();
    void addAttribute();
    void deleteAttribute_data();
    void deleteAttribute();
    void deleteKeyAsks();
    void editValue_data();
    void editValue();
    void contextMenu_data();
    void contextMenu();
    void contextMenuRunsCommand();
    void settingsApplied_data();
    void settingsApplied();
    void widthsSavedOnDestroy();
    void paneStartingHidden_data();
    void paneStartingHidden();

private:
    void Open(const QString& xml, const QString& path = u"0"_s);
    void Select(const QString& path);
    // "name=value" for each row in list order.
    QStringList Rows() const;
    QString SelectedName() const;
    QString DomValue(const QString& name) const;

    ScriptedPrompts prompts;
    UserSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<AttributeView> view;
    // The pane changes the document through the tree's editor, as in the program.
    std::unique_ptr<TrelvoView> tree;
    SpyView spy;
};

void AttributeViewTest::init()
{
    Prompts::SetInstance(&prompts);
    prompts.Clear();
    settings = UserSettings();
    spy.refreshes = 0;
    doc = std::make_unique<TrelvoDoc>();
    view = std::make_unique<AttributeView>();
    view->SetSettings(&settings);
    view->resize(300, 200);
    view->show();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    view->SetupAttributeList();
    tree = std::make_unique<TrelvoView>();
    view->SetEditor(&tree->Editor());
    doc->AddView(view.get());
    doc->AddView(tree.get());
    doc->AddView(&spy);
}

void AttributeViewTest::cleanup()
{
    if (view)
        doc->RemoveView(view.get());
    doc->RemoveView(&spy);
    doc->RemoveView(tree.get());
    view.reset();
    tree.reset();
    doc.reset();
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    Prompts::SetInstance(nullptr);
}

void AttributeViewTest::Open(const QString& xml, const QString& path)
{
    doc->dom = DomDocument::Create();
    QVERIFY(Succeeded(doc->dom.loadXML(xml)));
    tree->OnInitialUpdate();
    Select(path);
}

void AttributeViewTest::Select(const QString& path)
{
    doc->SelectedNode = path.isEmpty() ? DomNode() : NodeAt(doc->dom, path);
    doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
    spy.refreshes = 0;
    doc->SetModifiedFlag(false);
}

QStringList AttributeViewTest::Rows() const
{
    QStringList rows;
    const SmartList* list = view->GetList();
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        rows << list->GetItemText(row, 0) + u'=' + list->GetItemText(row, 1);
    return rows;
}

QString AttributeViewTest::SelectedName() const
{
    const int row = view->GetList()->GetFirstSelectedRow();
    return row == -1 ? u"-"_s : view->GetList()->GetItemText(row, 0);
}

QString AttributeViewTest::DomValue(const QString& name) const
{
    return doc->dom.documentElement().getAttribute(name).value_or(u"<none>"_s);
}

void AttributeViewTest::rows_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("rows");

    const QString sample
        = u"<?pi a='1'?><r b='2' a='x &amp; y' xmlns:p='urn:p'>t<!--c--><e/></r>"_s;
    QTest::newRow("element in document order")
        << sample << u"1"_s << QStringList { u"b=2"_s, u"a=x & y"_s, u"xmlns:p=urn:p"_s };
    QTest::newRow("element without attributes") << sample << u"1/2"_s << QStringList();
    QTest::newRow("text") << sample << u"1/0"_s << QStringList();
    QTest::newRow("comment") << sample << u"1/1"_s << QStringList();
    QTest::newRow("processing instruction") << sample << u"0"_s << QStringList();
    QTest::newRow("document") << sample << u""_s << QStringList();
    QTest::newRow("nothing selected") << sample << QString() << QStringList();
    QTest::newRow("names differing in case") << u"<r ID='1' Id='2' id='3'/>"_s << u"0"_s
                                             << QStringList { u"ID=1"_s, u"Id=2"_s, u"id=3"_s };
}

void AttributeViewTest::rows()
{
    QFETCH(QString, xml);
    QFETCH(QString, path);
    QFETCH(QStringList, rows);

    Open(u"<old z='9'/>"_s);
    QCOMPARE(Rows(), QStringList { u"z=9"_s });
    doc->dom = DomDocument::Create();
    QVERIFY(Succeeded(doc->dom.loadXML(xml)));
    if (path.isNull())
        doc->SelectedNode = DomNode();
    else if (path.isEmpty())
        doc->SelectedNode = doc->dom.documentNode();
    else
        doc->SelectedNode = NodeAt(doc->dom, path);
    doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);

    QCOMPARE(Rows(), rows);
    for (int row = 0; row < rows.size(); ++row)
        QCOMPARE(view->AttributeAt(row).nodeName(), view->GetList()->GetItemText(row, 0));
}

void AttributeViewTest::rowImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("image");

    QTest::newRow("href") << u"href"_s << int(AttributeView::ImageHref);
    QTest::newRow("HREF") << u"HREF"_s << int(AttributeView::ImageHref);
    QTest::newRow("Type") << u"Type"_s << int(AttributeView::ImageType);
    QTest::newRow("VALUE") << u"VALUE"_s << int(AttributeView::ImageValue);
    QTest::newRow("value") << u"value"_s << int(AttributeView::ImageValue);
    QTest::newRow("prefix of a word") << u"val"_s << int(AttributeView::ImageOther);
    QTest::newRow("word inside a name") << u"xhref"_s << int(AttributeView::ImageOther);
    QTest::newRow("qualified") << u"xlink:href"_s << int(AttributeView::ImageOther);
}

void AttributeViewTest::rowImages()
{
    QFETCH(QString, name);
    QFETCH(int, image);

    Open(u"<r xmlns:xlink='urn:x' %1='v'/>"_s.arg(name));
    const QList<QTreeWidgetItem*> found = view->GetList()->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QTreeWidgetItem* item = found.front();
    QCOMPARE(item->data(0, AttributeView::ImageRole).toInt(), image);

    // The four images are loaded, 16 × 16, and tell the rows apart.
    const QList<QIcon>& images = view->GetImages();
    QCOMPARE(images.size(), 4);
    QList<QImage> pictures;
    for (const QIcon& icon : images) {
        const QPixmap pixmap = icon.pixmap(16, 16);
        QCOMPARE(pixmap.size(), QSize(16, 16));
        QVERIFY(!pictures.contains(pixmap.toImage()));
        pictures << pixmap.toImage();
    }
    QCOMPARE(item->icon(0).pixmap(16, 16).toImage(), pictures[image]);
}

void AttributeViewTest::headerClickCycle_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("ascending");
    QTest::addColumn<QStringList>("descending");

    // Document order: a, C, b. Ordinal order puts upper case first.
    QTest::newRow("by name") << 0 << QStringList { u"C=3"_s, u"a=2"_s, u"b=1"_s }
                             << QStringList { u"b=1"_s, u"a=2"_s, u"C=3"_s };
    QTest::newRow("by value") << 1 << QStringList { u"b=1"_s, u"a=2"_s, u"C=3"_s }
                              << QStringList { u"C=3"_s, u"a=2"_s, u"b=1"_s };
}

void AttributeViewTest::headerClickCycle()
{
    QFETCH(int, column);
    QFETCH(QStringList, ascending);
    QFETCH(QStringList, descending);

    Open(u"<r a='2' C='3' b='1'/>"_s);
    const QStringList documentOrder { u"a=2"_s, u"C=3"_s, u"b=1"_s };
    QCOMPARE(Rows(), documentOrder);
    view->GetList()->setCurrentItem(view->GetList()->topLevelItem(0));
    QCOMPARE(SelectedName(), u"a"_s);

    SmartListHeader* header = view->GetList()->GetHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
        header->height() / 2);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(Rows(), ascending);
    QCOMPARE(settings.AttributeSortColumn, column);
    QCOMPARE(settings.AttributeSortAscending, true);
    QCOMPARE(view->GetList()->sortColumn, column);
    QCOMPARE(view->GetList()->sortAscending, true);
    QCOMPARE(SelectedName(), u"a"_s);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(Rows(), descending);
    QCOMPARE(settings.AttributeSortColumn, column);
    QCOMPARE(settings.AttributeSortAscending, false);
    QCOMPARE(view->GetList()->sortAscending, false);
    QCOMPARE(SelectedName(), u"a"_s);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(Rows(), documentOrder);
    QCOMPARE(settings.AttributeSortColumn, -1);
    QCOMPARE(view->GetList()->sortColumn, -1);
    QCOMPARE(SelectedName(), u"a"_s);
    // The whole row is selected again, its value cell too.
    QVERIFY(view->GetList()->selectionModel()->isRowSelected(0, QModelIndex()));

    // The order stays with the pane: the next refresh sorts the same way.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    doc->UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
    QCOMPARE(Rows(), ascending);
}

void AttributeViewTest::sortIsStableAndOrdinal_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("names");

    const QString equalValues = u"<r x='1' y='0' z='1' w='0'/>"_s;
    QTest::newRow("equal values keep document order, ascending")
        << equalValues << 1 << true << QStringList { u"y"_s, u"w"_s, u"x"_s, u"z"_s };
    QTest::newRow("equal values keep document order, descending")
        << equalValues << 1 << false << QStringList { u"x"_s, u"z"_s, u"y"_s, u"w"_s };
    // Enough rows that an unstable sort would move equal ones (small ranges sort by insertion).
    QString many = u"<r"_s;
    QStringList zeros, ones;
    for (int i = 0; i < 40; ++i) {
        const QString name = u"n%1"_s.arg(39 - i, 2, 10, QLatin1Char('0'));
        many += u" %1='%2'"_s.arg(name).arg(i % 2);
        (i % 2 ? ones : zeros) << name;
    }
    many += u"/>"_s;
    QTest::newRow("many equal values keep document order") << many << 1 << true << zeros + ones;
    QTest::newRow("unsorted is document order")
        << equalValues << -1 << true << QStringList { u"x"_s, u"y"_s, u"z"_s, u"w"_s };
    QTest::newRow("case-sensitive, upper case first")
        << u"<r a='b' b='B' c='a' d='A'/>"_s << 1 << true
        << QStringList { u"d"_s, u"b"_s, u"c"_s, u"a"_s };
    QTest::newRow("no locale: accented letters after z")
        << u"<r a='\u00e9' b='z' c='e'/>"_s << 1 << true << QStringList { u"c"_s, u"b"_s, u"a"_s };
    // U+1F600 is the surrogate pair D83D DE00, which sorts before U+FFFD as code units although
    // its code point is greater.
    QTest::newRow("UTF-16 code units, not code points")
        << u"<r a='\uFFFD' b='\U0001F600'/>"_s << 1 << true << QStringList { u"b"_s, u"a"_s };
    QTest::newRow("prefix sorts first")
        << u"<r ab='1' a='2' abc='3'/>"_s << 0 << true << QStringList { u"a"_s, u"ab"_s, u"abc"_s };
}

void AttributeViewTest::sortIsStableAndOrdinal()
{
    QFETCH(QString, xml);
    QFETCH(int, column);
    QFETCH(bool, ascending);
    QFETCH(QStringList, names);

    settings.AttributeSortColumn = column;
    settings.AttributeSortAscending = ascending;
    Open(xml);
    QStringList actual;
    for (const QString& row : Rows())
        actual << row.section(u'=', 0, 0);
    QCOMPARE(actual, names);
}

void AttributeViewTest::addAttribute_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("message");

    const QString xml = u"<r a='1' ID='2'>text</r>"_s;
    const QString failed = u"Failed to create attribute!"_s;
    QTest::newRow("new name goes last, selected")
        << xml << u"0"_s << true << u"b"_s << u"3"_s
        << QStringList { u"a=1"_s, u"ID=2"_s, u"b=3"_s } << u"b"_s << QString();
    QTest::newRow("existing name replaces its row")
        << xml << u"0"_s << true << u"a"_s << u"new"_s << QStringList { u"ID=2"_s, u"a=new"_s }
        << u"a"_s << QString();
    QTest::newRow("name differing in case adds a row")
        << xml << u"0"_s << true << u"Id"_s << u"4"_s
        << QStringList { u"a=1"_s, u"ID=2"_s, u"Id=4"_s } << u"Id"_s << QString();
    QTest::newRow("empty value") << xml << u"0"_s << true << u"e"_s << QString()
                                 << QStringList { u"a=1"_s, u"ID=2"_s, u"e="_s } << u"e"_s
                                 << QString();
    QTest::newRow("empty name") << xml << u"0"_s << true << QString() << u"v"_s
                                << QStringList { u"a=1"_s, u"ID=2"_s } << u"-"_s << failed;
    QTest::newRow("invalid name") << xml << u"0"_s << true << u"1x"_s << u"v"_s
                                  << QStringList { u"a=1"_s, u"ID=2"_s } << u"-"_s << failed;
    QTest::newRow("text node") << xml << u"0/0"_s << true << u"b"_s << u"v"_s << QStringList()
                               << u"-"_s << failed;
    QTest::newRow("cancelled") << xml << u"0"_s << false << u"b"_s << u"v"_s
                               << QStringList { u"a=1"_s, u"ID=2"_s } << u"-"_s << QString();
}

void AttributeViewTest::addAttribute()
{
    QFETCH(QString, xml);
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QStringList, rows);
    QFETCH(QString, selected);
    QFETCH(QString, message);

    Open(xml, path);
    if (ok)
        prompts.AnswerDialog(FillAddDialog(name, value));
    else
        prompts.AnswerDialog(QDialog::Rejected);
    if (!message.isEmpty())
        prompts.AnswerMessage(Prompts::Button::Ok);

    QVERIFY(view->OnCommand(ID_ATTRIBUTE_ADD));

    QCOMPARE(Rows(), rows);
    QCOMPARE(SelectedName(), selected);
    const auto messages = prompts.CallsOf(ScriptedPrompts::Kind::MessageBox);
    QCOMPARE(messages.size(), message.isEmpty() ? 0u : 1u);
    if (!message.isEmpty()) {
        QCOMPARE(messages[0].text, message);
        QCOMPARE(messages[0].buttons, Prompts::Buttons::Ok);
    }
    const bool added = ok && message.isEmpty();
    QCOMPARE(doc->IsModified(), added);
    QCOMPARE(spy.refreshes, added ? 1 : 0);
    if (added) {
        QCOMPARE(DomValue(name), value);
        // The list shows exactly what the document holds.
        const DomNamedNodeMap map = doc->SelectedNode.attributes();
        QCOMPARE(map.length(), rows.size());
    }
    QCOMPARE(TreeMismatch(*tree->GetModel(), doc->dom), QString());
}

void AttributeViewTest::deleteAttribute_data()
{
    QTest::addColumn<int>("selectedRow");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("modified");

    QTest::newRow("yes deletes the selected row")
        << 1 << true << QStringList { u"a=1"_s, u"c=3"_s } << true;
    QTest::newRow("no keeps it") << 1 << false << QStringList { u"a=1"_s, u"b=2"_s, u"c=3"_s }
                                 << false;
    QTest::newRow("yes without a selection deletes nothing")
        << -1 << true << QStringList { u"a=1"_s, u"b=2"_s, u"c=3"_s } << false;
}

void AttributeViewTest::deleteAttribute()
{
    QFETCH(int, selectedRow);
    QFETCH(bool, yes);
    QFETCH(QStringList, rows);
    QFETCH(bool, modified);

    Open(u"<r a='1' b='2' c='3'/>"_s);
    if (selectedRow != -1)
        view->GetList()->setCurrentItem(view->GetList()->topLevelItem(selectedRow));
    prompts.AnswerMessage(yes ? Prompts::Button::Yes : Prompts::Button::No);

    QVERIFY(view->OnCommand(ID_ATTRIBUTE_DELETE));

    const auto messages = prompts.CallsOf(ScriptedPrompts::Kind::MessageBox);
    QCOMPARE(messages.size(), 1u);
    QCOMPARE(messages[0].text, u"Are you sure you want to delete the selected attributes?"_s);
    QCOMPARE(messages[0].buttons, Prompts::Buttons::YesNo);
    QCOMPARE(messages[0].icon, Prompts::Icon::Question);
    QCOMPARE(Rows(), rows);
    QCOMPARE(doc->IsModified(), modified);
    QCOMPARE(doc->SelectedNode.attributes().length(), rows.size());
    // The other views are told once when attributes went, and not at all when none did.
    QCOMPARE(spy.refreshes, modified ? 1 : 0);
    QCOMPARE(TreeMismatch(*tree->GetModel(), doc->dom), QString());
}

void AttributeViewTest::deleteKeyAsks()
{
    Open(u"<r a='1' b='2'/>"_s);
    view->GetList()->setCurrentItem(view->GetList()->topLevelItem(0));
    view->GetList()->setFocus();
    prompts.AnswerMessage(Prompts::Button::Yes);

    QTest::keyClick(view->GetList(), Qt::Key_Delete);

    QCOMPARE(prompts.CallsOf(ScriptedPrompts::Kind::MessageBox).size(), 1u);
    QCOMPARE(Rows(), QStringList { u"b=2"_s });
    QCOMPARE(DomValue(u"a"_s), u"<none>"_s);
    // The key deleted the row; it did not start an edit.
    QVERIFY(!view->GetList()->GetEditor()->isVisible());
}

void AttributeViewTest::editValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("modified");

    QTest::newRow("new value") << u"changed"_s << true << true;
    QTest::newRow("unchanged value writes nothing") << u"old"_s << true << false;
    QTest::newRow("empty value") << QString() << true << true;
    QTest::newRow("markup characters") << u"<&'\">"_s << true << true;
    QTest::newRow("control character refused by the DOM") << u"bad\u0001"_s << false << false;
}

void AttributeViewTest::editValue()
{
    QFETCH(QString, text);
    QFETCH(bool, stored);
    QFETCH(bool, modified);

    Open(u"<r n='old' m='other'/>"_s);
    SmartList* list = view->GetList();
    list->setCurrentItem(list->topLevelItem(0));
    list->BeginEdit(0, list->editColumn, list->GetItemText(0, 1), true);
    QCOMPARE(list->GetEditSubItem(), 1);
    list->GetEditor()->setText(text);
    QTest::keyClick(list->GetEditor(), Qt::Key_Return);

    const QString expected = stored ? text : u"old"_s;
    QCOMPARE(list->GetItemText(0, 1), expected);
    QCOMPARE(DomValue(u"n"_s), expected);
    QCOMPARE(DomValue(u"m"_s), u"other"_s);
    QCOMPARE(doc->IsModified(), modified);
    QCOMPARE(spy.refreshes, modified ? 1 : 0);
    QVERIFY(prompts.Calls().empty());
    QCOMPARE(TreeMismatch(*tree->GetModel(), doc->dom), QString());
}

void AttributeViewTest::contextMenu_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("clickRow");
    QTest::addColumn<bool>("addEnabled");
    QTest::addColumn<bool>("deleteEnabled");

    QTest::newRow("row of an element") << u"1"_s << true << true << true;
    QTest::newRow("element, empty space") << u"1"_s << false << true << false;
    QTest::newRow("text node") << u"1/0"_s << false << true << false;
    QTest::newRow("processing instruction") << u"0"_s << false << false << false;
    QTest::newRow("nothing selected") << QString() << false << false << false;
}

void AttributeViewTest::contextMenu()
{
    QFETCH(QString, path);
    QFETCH(bool, clickRow);
    QFETCH(bool, addEnabled);
    QFETCH(bool, deleteEnabled);

    Open(u"<?pi x?><r a='1' b='2'>t</r>"_s, path);
    SmartList* list = view->GetList();
    list->clearSelection();
    const QPoint pos = clickRow ? list->visualRect(list->model()->index(1, 0)).center()
                                : QPoint(10, list->viewport()->height() - 5);
    QStringList texts;
    QMap<int, bool> enabled;
    prompts.AnswerMenu([&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            texts << action->text();
            enabled[action->data().toInt()] = action->isEnabled();
        }
        return 0;
    });

    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, pos);

    QCOMPARE(texts, (QStringList { u"&Add..."_s, u"&Delete"_s }));
    QCOMPARE(enabled.value(ID_ATTRIBUTE_ADD), addEnabled);
    QCOMPARE(enabled.value(ID_ATTRIBUTE_DELETE), deleteEnabled);
    const auto menus = prompts.CallsOf(ScriptedPrompts::Kind::PopupMenu);
    QCOMPARE(menus.size(), 1u);
    QCOMPARE(menus[0].pos, list->viewport()->mapToGlobal(pos));
}

void AttributeViewTest::contextMenuRunsCommand()
{
    Open(u"<r a='1'/>"_s);
    prompts.AnswerMenu(ID_ATTRIBUTE_ADD);
    prompts.AnswerDialog(FillAddDialog(u"b"_s, u"2"_s));

    view->ShowContextMenu(QPoint(5, 5));

    QCOMPARE(Rows(), (QStringList { u"a=1"_s, u"b=2"_s }));
}

void AttributeViewTest::settingsApplied_data()
{
    QTest::addColumn<int>("nameWidth");
    QTest::addColumn<int>("valueWidth");
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<bool>("ascending");

    QTest::newRow("defaults") << 0 << 0 << -1 << false;
    QTest::newRow("both widths, sort by name") << 120 << 80 << 0 << true;
    QTest::newRow("negative name width") << -5 << 90 << 1 << false;
    QTest::newRow("zero value width") << 70 << 0 << 1 << true;
}

void AttributeViewTest::settingsApplied()
{
    QFETCH(int, nameWidth);
    QFETCH(int, valueWidth);
    QFETCH(int, sortColumn);
    QFETCH(bool, ascending);

    SmartListHeader* header = view->GetList()->GetHeader();
    const int half = view->GetList()->viewport()->width() / 2;
    QCOMPARE(header->sectionSize(0), half);
    QCOMPARE(header->sectionSize(1), half);

    settings.AttributeNameWidth = nameWidth;
    settings.AttributeValueWidth = valueWidth;
    settings.AttributeSortColumn = sortColumn;
    settings.AttributeSortAscending = ascending;
    view->ApplyAttributeSettings();

    QCOMPARE(header->sectionSize(0), nameWidth > 0 ? nameWidth : half);
    QCOMPARE(header->sectionSize(1), valueWidth > 0 ? valueWidth : half);
    QCOMPARE(view->GetList()->sortColumn, sortColumn);
    QCOMPARE(view->GetList()->sortAscending, ascending);
    QVERIFY(header->IsOwnerDrawn());
    // The recorded ratios follow the applied widths, so a resize keeps them in proportion.
    const QList<double>& ratios = view->GetList()->GetColumnRatios();
    QCOMPARE(ratios.size(), 2);
    QVERIFY(qAbs(ratios[0] * view->GetList()->viewport()->width() - header->sectionSize(0)) < 1.0);
}

void AttributeViewTest::widthsSavedOnDestroy()
{
    SmartListHeader* header = view->GetList()->GetHeader();
    header->resizeSection(0, 77);
    header->resizeSection(1, 55);
    doc->RemoveView(view.get());
    view.reset();
    QCOMPARE(settings.AttributeNameWidth, 77);
    QCOMPARE(settings.AttributeValueWidth, 55);
    QCOMPARE(g_pAttributeView, nullptr);
}

void AttributeViewTest::paneStartingHidden_data()
{
    QTest::addColumn<int>("savedWidth");
    QTest::addColumn<bool>("shown");
    QTest::newRow("saved widths, shown later") << 94 << true;
    QTest::newRow("saved widths, never shown") << 94 << false;
    QTest::newRow("no saved widths, shown later") << 0 << true;
    QTest::newRow("no saved widths, never shown") << 0 << false;
}

// A pane hidden at start (its bar closed in the saved layout) gets its saved column widths when
// it is first shown, or the list's width shared equally without any; never shown, it keeps the
// saved widths for the next run rather than the size a hidden list happens to have.
void AttributeViewTest::paneStartingHidden()
{
    QFETCH(int, savedWidth);
    QFETCH(bool, shown);
    doc->RemoveView(view.get());
    view.reset();
    settings.AttributeNameWidth = settings.AttributeValueWidth = savedWidth;
    view = std::make_unique<AttributeView>();
    view->SetSettings(&settings);
    view->SetupAttributeList();
    view->ApplyAttributeSettings();
    SmartListHeader* header = view->GetList()->GetHeader();
    if (shown) {
        view->resize(400, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        const int client = view->GetList()->viewport()->width();
        if (savedWidth) {
            QCOMPARE(header->sectionSize(0), savedWidth);
            QCOMPARE(header->sectionSize(1), savedWidth);
        } else {
            QVERIFY(qAbs(header->sectionSize(0) - client / 2) <= 2);
            QVERIFY(qAbs(header->sectionSize(1) - client / 2) <= 2);
        }
        return;
    }
    view->SaveAttributeColumnWidths();
    QCOMPARE(settings.AttributeNameWidth, savedWidth);
    QCOMPARE(settings.AttributeValueWidth, savedWidth);
}

QTEST_MAIN(AttributeViewTest)
#include "tst_attributeview.moc"
