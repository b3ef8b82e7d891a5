#include "AppIds.h"
#include "AppSettings.h"
#include "AttributeView.h"
#include "AvailableMemory.h"
#include "BarState.h"
#include "CViewBar.h"
#include "ControlToolBar.h"
#include "DockIds.h"
#include "DockSite.h"
#include "DragCursors.h"
#include "FindDlg.h"
#include "FrameworkIds.h"
#include "ImageView.h"
#include "InfoDlg.h"
#include "LabelEdit.h"
#include "MainFrame.h"
#include "MiniDockFrame.h"
#include "OptionsDlg.h"
#include "Progress.h"
#include "ScriptedPrompts.h"
#include "SmartList.h"
#include "SmartListHeader.h"
#include "SourceView.h"
#include "StatusProgress.h"
#include "TextPane.h"
#include "TreeViewIds.h"
#include "TrelvoApp.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "XPathDlg.h"
#include "XPathResults.h"
#include "dom/DomElement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;
using Button = Prompts::Button;

namespace {
QString DataFile(const char* name)
{
    return QDir(QStringLiteral(TRELVO_TEST_DATA_DIR)).absoluteFilePath(QString::fromLatin1(name));
}

// The strongest WCAG contrast ratio (1 to 21) of any pixel of a picture with its top left one,
// the background.
double InkContrast(const QImage& picture)
{
    const auto luminance = [](QRgb rgb) {
        double sum = 0.05;
        for (const auto& [value, weight] :
            { std::pair { qRed(rgb), 0.2126 }, { qGreen(rgb), 0.7152 }, { qBlue(rgb), 0.0722 } }) {
            const double v = value / 255.0;
            sum += weight * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double background = luminance(picture.pixel(0, 0));
    double strongest = 1;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const double ink = luminance(picture.pixel(x, y));
            strongest = std::max(strongest, std::max(ink, background) / std::min(ink, background));
        }
    }
    return strongest;
}

// The saved layout's bar lists, as "dock bar id: ids" lines, for comparing two layouts.
QStringList LayoutText(AppSettings& settings)
{
    BarState state;
    state.Load(settings, MainFrame::LayoutSection);
    QStringList lines;
    for (const BarState::BarRecord& record : state.records) {
        QStringList ids;
        for (int id : record.bars)
            ids << QString::number(id);
        lines << QStringLiteral("%1 visible=%2 floating=%3: %4")
                     .arg(record.barId)
                     .arg(record.visible)
                     .arg(record.floating)
                     .arg(ids.join(u' '));
    }
    return lines;
}
}

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    ScriptedPrompts prompts;
    std::unique_ptr<TrelvoApp> app;

    bool Start(const QString& file = QString())
    {
        app = std::make_unique<TrelvoApp>();
        app->SetCommandLineFile(file);
        return app->InitInstance();
    }

    void Stop()
    {
        app->ExitInstance();
        app.reset();
    }

    // Closes the main window as the user does and ends the run.
    void CloseAndStop()
    {
        Frame()->close();
        Stop();
    }

    MainFrame* Frame() const { return dynamic_cast<MainFrame*>(app->GetMainFrame()); }

    ControlBar* Bar(int id) const
    {
        return qobject_cast<ControlBar*>(Frame()->GetDockSite()->GetControlBar(id));
    }

    QAction* UpdatedAction(int id) const
    {
        Frame()->UpdateCommandUI();
        return Frame()->GetAction(id);
    }

    bool ActivateFrame()
    {
        Frame()->activateWindow();
        return QTest::qWaitForWindowActive(Frame());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        Prompts::SetInstance(&prompts);
    }

    void init()
    {
        QFile::remove(AppSettings::DefaultFileName());
        QSettings file(AppSettings::DefaultFileName(), QSettings::IniFormat);
        file.setValue(QStringLiteral("Settings/FirstTime"), 0);
        file.sync();
        prompts.Clear();
    }

    void cleanup()
    {
        if (app)
            Stop();
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
    }

    // A new start shows every bar: Attributes above Image in one column at the right, XML
    // Source at the bottom, the toolbar at the top, in a window of two thirds of the screen
    // in its middle.
    void defaultDocking()
    {
        QVERIFY(Start());
        const QList<std::pair<int, int>> places { { IDW_ATTRIBUTES_BAR, AFX_IDW_DOCKBAR_RIGHT },
            { IDW_IMAGE_BAR, AFX_IDW_DOCKBAR_RIGHT }, { IDW_SOURCE_BAR, AFX_IDW_DOCKBAR_BOTTOM },
            { AFX_IDW_TOOLBAR, AFX_IDW_DOCKBAR_TOP } };
        for (const auto& [id, dockBarId] : places) {
            QVERIFY(Bar(id));
            QVERIFY(Bar(id)->isVisible());
            QCOMPARE(Bar(id)->GetDockBarId(), dockBarId);
        }
        const QRect attributes = Frame()->GetAttributesBar()->geometry();
        const QRect image = Frame()->GetImageBar()->geometry();
        QVERIFY(attributes.left() == image.left() && attributes.top() < image.top());
        QVERIFY(std::abs(attributes.height() - image.height()) <= 1);
        const QRect screen = Frame()->screen()->availableGeometry();
        const QRect window = Frame()->geometry();
        QCOMPARE(window.width() * 100 / screen.width() / 5, 13); // 65 ± 5 %
        QCOMPARE(window.height() * 100 / screen.height() / 5, 13);
        QVERIFY((window.center() - screen.center()).manhattanLength() <= 2);
        QCOMPARE(Frame()->GetAttributesBar()->windowTitle(), QStringLiteral("Attributes"));
        QCOMPARE(Frame()->GetSourceBar()->windowTitle(), QStringLiteral("XML Source"));
        QCOMPARE(Frame()->GetImageBar()->windowTitle(), QStringLiteral("Image"));
        // The tree keeps the middle: no bar covers it.
        const QRect view = Frame()->GetTreeView()->geometry();
        QVERIFY(!view.isEmpty());
        for (ControlBar* bar : Frame()->GetDockSite()->GetControlBars()) {
            const QRect rect(bar->mapTo(Frame()->GetDockSite(), QPoint(0, 0)), bar->size());
            QVERIFY2(!rect.intersects(view), qPrintable(bar->windowTitle()));
        }
    }

    void paneToggles_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("bar");
        QTest::newRow("Attributes") << ID_VIEW_ATTRIBUTES << IDW_ATTRIBUTES_BAR;
        QTest::newRow("XML Source") << ID_VIEW_XML_SOURCE << IDW_SOURCE_BAR;
        QTest::newRow("Image") << ID_VIEW_IMAGE << IDW_IMAGE_BAR;
        QTest::newRow("Toolbar") << ID_VIEW_TOOLBAR << AFX_IDW_TOOLBAR;
    }

    // The View menu hides a shown bar and shows a hidden one at once, and its check mark says
    // whether the bar is shown; the other bars stay as they are.
    void paneToggles()
    {
        QFETCH(int, command);
        QFETCH(int, bar);
        QVERIFY(Start());
        ControlBar* target = Bar(bar);
        QAction* action = UpdatedAction(command);
        QVERIFY(action->isCheckable());
        QVERIFY(action->isChecked());

        action->trigger();
        QVERIFY(target->isHidden());
        QVERIFY(!UpdatedAction(command)->isChecked());
        for (ControlBar* other : Frame()->GetDockSite()->GetControlBars()) {
            if (other != target)
                QVERIFY2(other->isVisible(), qPrintable(other->windowTitle()));
        }

        action->trigger();
        QVERIFY(!target->isHidden());
        QVERIFY(UpdatedAction(command)->isChecked());
    }

    // Closing a bar with its own close button leaves the menu item unchecked.
    void checkMarkFollowsBar()
    {
        QVERIFY(Start());
        Frame()->GetDockSite()->ShowControlBar(Frame()->GetImageBar(), false, true);
        QVERIFY(!UpdatedAction(ID_VIEW_IMAGE)->isChecked());
        UpdatedAction(ID_VIEW_IMAGE)->trigger();
        QVERIFY(Frame()->GetImageBar()->IsVisibleBar());
        QVERIFY(UpdatedAction(ID_VIEW_IMAGE)->isChecked());
    }

    void keys_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("bar");
        QTest::newRow("Ctrl+Alt+A: Attributes")
            << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A) << IDW_ATTRIBUTES_BAR;
        QTest::newRow("Ctrl+Alt+X: XML Source")
            << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X) << IDW_SOURCE_BAR;
        QTest::newRow("Ctrl+Alt+I: Image")
            << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I) << IDW_IMAGE_BAR;
    }

    // The pane keys work wherever the focus is in the main window, the tree included.
    void keys()
    {
        QFETCH(QKeySequence, key);
        QFETCH(int, bar);
        QVERIFY(Start(DataFile("plants.xml")));
        QVERIFY(ActivateFrame());
        Frame()->GetTreeView()->setFocus();
        QTest::keySequence(Frame()->GetTreeView(), key);
        QVERIFY(Bar(bar)->isHidden());
        QTest::keySequence(Frame()->GetTreeView(), key);
        QVERIFY(!Bar(bar)->isHidden());
    }

    void keysInFloatingBar_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("bar");
        QTest::newRow("Ctrl+Alt+X: XML Source")
            << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X) << IDW_SOURCE_BAR;
        QTest::newRow("Ctrl+Alt+I: Image")
            << QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I) << IDW_IMAGE_BAR;
    }

    // The frame's keys also work while the focus is in a floating bar's own window.
    void keysInFloatingBar()
    {
        QFETCH(QKeySequence, key);
        QFETCH(int, bar);
        QVERIFY(Start(DataFile("plants.xml")));
        QVERIFY(ActivateFrame());
        DockSite* site = Frame()->GetDockSite();
        ControlBar* attributes = Bar(IDW_ATTRIBUTES_BAR);
        site->FloatControlBar(attributes, Frame()->geometry().center());
        QWidget* floating = site->GetMiniFrame(attributes);
        QVERIFY(floating);
        floating->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(floating));
        SmartList* list = g_pAttributeView->GetList();
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        QTest::keySequence(list, key);
        QVERIFY(Bar(bar)->isHidden());
        QTest::keySequence(list, key);
        QVERIFY(!Bar(bar)->isHidden());
    }

    void paneKeys_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("hidden");
        QTest::addColumn<int>("floating");
        // 0 the tree, 1 Attributes, 2 XML Source, 3 Image.
        QTest::addColumn<QString>("order");
        const QKeySequence next(Qt::Key_F6);
        QTest::newRow("F6 goes round") << next << 0 << 0 << "1230";
        QTest::newRow("Shift+F6 goes back")
            << QKeySequence(Qt::SHIFT | Qt::Key_F6) << 0 << 0 << "3210";
        QTest::newRow("hidden pane passed over") << next << IDW_SOURCE_BAR << 0 << "130";
        QTest::newRow("floating pane reached") << next << 0 << IDW_IMAGE_BAR << "1230";
    }

    // F6 and Shift+F6 move the focus from the tree through the shown panes and back.
    void paneKeys()
    {
        QFETCH(QKeySequence, key);
        QFETCH(int, hidden);
        QFETCH(int, floating);
        QFETCH(QString, order);
        QVERIFY(Start(DataFile("plants.xml")));
        DockSite* site = Frame()->GetDockSite();
        if (hidden)
            site->ShowControlBar(Bar(hidden), false, false);
        if (floating)
            site->FloatControlBar(Bar(floating), Frame()->geometry().center());
        QVERIFY(ActivateFrame());
        const QList<QWidget*> panes { Frame()->GetTreeView(),
            Frame()->GetAttributesBar()->GetView(), Frame()->GetSourceBar()->GetView(),
            Frame()->GetImageBar()->GetView() };
        panes[0]->setFocus();
        QTRY_VERIFY(panes[0]->hasFocus());
        for (QChar expected : order) {
            QTest::keySequence(QApplication::focusWidget(), key);
            const QWidget* pane = panes[expected.digitValue()];
            QTRY_VERIFY2(pane == QApplication::focusWidget()
                    || pane->isAncestorOf(QApplication::focusWidget()),
                qPrintable(expected));
            // The source pane's text, not the frame that scrolls it.
            QVERIFY(expected != u'2' || g_pSourceView->Edit()->hasFocus());
        }
    }

    void darkPalette_data()
    {
        QTest::addColumn<QString>("pane");
        QTest::addColumn<double>("least");
        // Text needs 4.5 : 1, other marks 3 : 1.
        for (const char* pane : { "tree", "attributes", "source", "image" })
            QTest::newRow(pane) << QString::fromLatin1(pane) << 4.5;
        QTest::newRow("sort arrow") << u"sort arrow"_s << 3.0;
    }

    // In a dark desktop palette everything the tree and the panes show stays readable.
    void darkPalette()
    {
        QFETCH(QString, pane);
        const QPalette saved = QApplication::palette();
        const auto restore = qScopeGuard([&saved] { QApplication::setPalette(saved); });
        QPalette dark;
        for (const auto& [role, color] : { std::pair { QPalette::Window, 0x353535 },
                 { QPalette::Base, 0x232323 }, { QPalette::Button, 0x353535 } })
            dark.setColor(role, QColor::fromRgb(QRgb(color)));
        for (QPalette::ColorRole role :
            { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
            dark.setColor(role, Qt::white);
        QApplication::setPalette(dark);
        QVERIFY(Start(DataFile("plants.xml")));
        TrelvoView* tree = Frame()->GetTreeView();
        tree->expandAll();
        const QModelIndex plants = tree->model()->index(1, 0, tree->model()->index(0, 0));
        tree->SelectItem(tree->model()->index(0, 0, plants));
        SmartList* list = g_pAttributeView->GetList();
        list->sortColumn = 0;
        const std::map<QString, QWidget*> widgets { { u"tree"_s, tree->viewport() },
            { u"attributes"_s, list->viewport() }, { u"sort arrow"_s, list->header() },
            { u"source"_s, g_pSourceView->Edit()->viewport() },
            { u"image"_s, g_pImageView->GetForm() } };
        QWidget* widget = widgets.at(pane);
        // The arrow alone, without the header's text.
        const QHeaderView* header = list->header();
        const QRect arrow(
            SmartListHeader::SortArrowPosition(QRect(header->sectionViewportPosition(0), 0,
                                                   header->sectionSize(0), header->height()),
                false),
            QSize(10, 12));
        const double contrast = InkContrast(
            widget->grab(pane == u"sort arrow"_s ? arrow : QRect(0, 0, -1, -1)).toImage());
        QFETCH(double, least);
        QVERIFY2(contrast >= least, qPrintable(QString::number(contrast)));
    }

    // Every icon picture comes with one twice its size for a screen scaled to 200 % (Qt picks
    // "@2x" itself), and the tree's drag cursors are drawn at the screen's density.
    void iconsForDoubleDensity()
    {
        QVERIFY(Start());
        int checked = 0;
        for (const char* folder : { ":/icons", ":/treeview", ":/panes" }) {
            QDirIterator pictures(QString::fromLatin1(folder), { u"*.png"_s, u"*.xpm"_s });
            while (pictures.hasNext()) {
                const QString path = pictures.next();
                // The program's own icon comes in every size a desktop asks for.
                if (path.contains(u"@2x"_s) || path.contains(u"/trelvo-"_s))
                    continue;
                const QImage picture(path);
                const QImage twice(path.chopped(4) + u"@2x.png"_s);
                QVERIFY2(!picture.isNull() && twice.size() == picture.size() * 2, qPrintable(path));
                ++checked;
            }
        }
        QVERIFY(checked > 10);
        for (int kind : { DragCursors::Move, DragCursors::NoDrop, DragCursors::Copy }) {
            const QCursor cursor = DragCursors::Draw(DragCursors::Kind(kind), 2.0);
            QCOMPARE(cursor.pixmap().size(), QSize(64, 64));
            QCOMPARE(cursor.pixmap().deviceIndependentSize(), QSizeF(32, 32));
        }
    }

    void expandOnLoad_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }

    // The hidden Expand On Load command flips the setting; its check mark shows the setting.
    void expandOnLoad()
    {
        QFETCH(bool, before);
        QVERIFY(Start());
        app->ExpandOnLoad = before;
        QAction* action = UpdatedAction(ID_EXPAND_ON_LOAD);
        QCOMPARE(action->isChecked(), before);
        QVERIFY(Frame()->RouteCommand(ID_EXPAND_ON_LOAD));
        QCOMPARE(app->ExpandOnLoad, !before);
        QCOMPARE(UpdatedAction(ID_EXPAND_ON_LOAD)->isChecked(), !before);
        // The next document opened follows the new setting.
        QVERIFY(app->OpenDocumentFile(DataFile("plants.xml")));
        const QModelIndex root = Frame()->GetTreeView()->model()->index(0, 0);
        QCOMPARE(Frame()->GetTreeView()->isExpanded(root), !before);
    }

    // Expand All and Collapse All from the Actions menu reach the tree.
    void expandCollapseAll()
    {
        QVERIFY(Start(DataFile("plants.xml")));
        TrelvoView* tree = Frame()->GetTreeView();
        const QModelIndex root = tree->model()->index(0, 0);
        const QModelIndex element = tree->model()->index(1, 0, root);
        QVERIFY(tree->model()->hasChildren(element));
        UpdatedAction(ID_ACTIONS_EXPAND_ALL)->trigger();
        QVERIFY(tree->isExpanded(root));
        QVERIFY(tree->isExpanded(element));
        QVERIFY(tree->updatesEnabled());
        UpdatedAction(ID_ACTIONS_COLLAPSE_ALL)->trigger();
        QVERIFY(!tree->isExpanded(root));
        QVERIFY(!tree->isExpanded(element));
        QVERIFY(tree->updatesEnabled());
    }

    // The tree view is the frame's client, found whatever the bars around it do.
    void treeView()
    {
        QVERIFY(Start(DataFile("plants.xml")));
        TrelvoView* tree = Frame()->GetTreeView();
        QVERIFY(tree);
        QCOMPARE(tree, Frame()->findChild<TrelvoView*>());
        QCOMPARE(tree->GetDocument(), app->GetDocument());
        Frame()->GetDockSite()->DockControlBar(Frame()->GetAttributesBar(), AFX_IDW_DOCKBAR_TOP);
        QCOMPARE(Frame()->GetTreeView(), tree);
    }

    // Selecting a node in the tree shows its attributes and its source in the panes; a pane
    // hidden meanwhile catches up when it is shown again.
    void panesFollowSelection()
    {
        QVERIFY(Start(DataFile("plants.xml")));
        TrelvoView* tree = Frame()->GetTreeView();
        QVERIFY(g_pAttributeView && g_pSourceView);
        const QModelIndex document = tree->model()->index(0, 0);
        const QModelIndex plants = tree->model()->index(1, 0, document);
        const QModelIndex thyme = tree->model()->index(1, 0, plants);
        QVERIFY(thyme.isValid());

        tree->SelectItem(thyme);
        SmartList* list = g_pAttributeView->GetList();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("name"));
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Thyme"));
        QCOMPARE(g_pSourceView->Edit()->Text(), QStringLiteral("<plant name=\"Thyme\"/>\r\n"));

        QVERIFY(Frame()->RouteCommand(ID_VIEW_XML_SOURCE));
        QVERIFY(!Frame()->GetSourceBar()->IsVisibleBar());
        tree->SelectItem(tree->model()->index(2, 0, plants));
        QCOMPARE(g_pSourceView->Edit()->Text(), QStringLiteral("<plant name=\"Thyme\"/>\r\n"));
        QVERIFY(Frame()->RouteCommand(ID_VIEW_XML_SOURCE));
        QCOMPARE(g_pSourceView->Edit()->Text(), QStringLiteral("<plant name=\"Basil\"/>\r\n"));
    }

    void editCommands_data()
    {
        QTest::addColumn<QKeySequence>("mark");
        QTest::addColumn<QKeySequence>("paste");
        QTest::addColumn<int>("plantsLeft");
        QTest::newRow("Ctrl+C, Ctrl+V")
            << QKeySequence(Qt::CTRL | Qt::Key_C) << QKeySequence(Qt::CTRL | Qt::Key_V) << 3;
        QTest::newRow("Shift+Del, Shift+Ins") << QKeySequence(Qt::SHIFT | Qt::Key_Delete)
                                              << QKeySequence(Qt::SHIFT | Qt::Key_Insert) << 2;
    }

    // The Edit menu's Cut, Copy and Paste and their keys reach the tree, with the focus in it,
    // and are grayed while nothing is selected.
    void editCommands()
    {
        QFETCH(QKeySequence, mark);
        QFETCH(QKeySequence, paste);
        QFETCH(int, plantsLeft);
        QVERIFY(Start(DataFile("plants.xml")));
        QMenu* edit = nullptr;
        for (QAction* item : Frame()->menuBar()->actions()) {
            if (item->text() == QStringLiteral("&Edit"))
                edit = item->menu();
        }
        QVERIFY(edit);
        for (int command : { ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE }) {
            QAction* action = UpdatedAction(command);
            QVERIFY(edit->actions().contains(action));
            QVERIFY(!action->isEnabled());
        }

        QVERIFY(ActivateFrame());
        TrelvoView* tree = Frame()->GetTreeView();
        tree->setFocus();
        const QModelIndex plants = tree->model()->index(1, 0, tree->model()->index(0, 0));
        const QPersistentModelIndex rosemary = tree->model()->index(0, 0, plants);
        tree->SelectItem(tree->model()->index(1, 0, plants));
        QVERIFY(UpdatedAction(ID_EDIT_COPY)->isEnabled());
        QTest::keySequence(tree, mark);
        tree->SelectItem(rosemary);
        QVERIFY(UpdatedAction(ID_EDIT_PASTE)->isEnabled());
        QTest::keySequence(tree, paste);
        QCOMPARE(tree->model()->rowCount(plants), plantsLeft);
        const DomElement arrived = tree->NodeOf(rosemary).firstChild().toElement();
        QCOMPARE(arrived.getAttribute(QStringLiteral("name")), QStringLiteral("Thyme"));
    }

    void interruptedOpen_data()
    {
        QTest::addColumn<int>("command"); // routed while the load runs; 0 presses Cancel
        QTest::addColumn<bool>("routed");
        QTest::addColumn<QString>("fileAfter");
        QTest::addColumn<int>("rootItemsAfter");
        QTest::newRow("Cancel") << 0 << false << u"plants.xml"_s << 2;
        QTest::newRow("Delete refused")
            << int(ID_EDIT_DELETE_ITEM) << false << u"linked.xml"_s << 3;
        QTest::newRow("New cancels, then runs") << int(ID_FILE_NEW) << true << QString() << 0;
    }

    // While a file loads, the open document cannot change; Cancel leaves it as it was, and New
    // or another file waits for the load to be cancelled.
    void interruptedOpen()
    {
        QFETCH(int, command);
        QFETCH(bool, routed);
        QFETCH(QString, fileAfter);
        QFETCH(int, rootItemsAfter);
        QVERIFY(Start(DataFile("plants.xml")));
        TrelvoView* tree = Frame()->GetTreeView();
        const QModelIndex plants = tree->model()->index(1, 0, tree->model()->index(0, 0));
        tree->SelectItem(tree->model()->index(0, 0, plants));
        QVERIFY(UpdatedAction(ID_EDIT_DELETE_ITEM)->isEnabled());
        QPushButton* cancel = Frame()->findChild<StatusProgress*>()->CancelButton();

        bool ran = false;
        bool shown = false;
        QTimer::singleShot(0, Frame(), [&] {
            shown = cancel->isVisible() && Progress::Running();
            ran = command ? Frame()->RouteCommand(command) : (cancel->click(), false);
        });
        app->OpenDocumentFile(DataFile("linked.xml"));
        QTRY_VERIFY(!Progress::Running());
        QCoreApplication::processEvents();
        QVERIFY(shown);
        QCOMPARE(ran, routed);
        QCOMPARE(QFileInfo(app->GetDocument()->GetPathName()).fileName(), fileAfter);
        QCOMPARE(tree->model()->rowCount(tree->model()->index(0, 0)), rootItemsAfter);
        QCOMPARE(prompts.Calls().size(), size_t(0));
    }

    void memoryWarning_data()
    {
        QTest::addColumn<Button>("answer");
        QTest::addColumn<QString>("fileAfter");
        QTest::newRow("Yes opens") << Button::Yes << u"linked.xml"_s;
        QTest::newRow("No keeps the open file") << Button::No << u"plants.xml"_s;
    }

    // A file whose document needs more memory than is available is opened only when the user
    // says so.
    void memoryWarning()
    {
        QFETCH(Button, answer);
        QFETCH(QString, fileAfter);
        QVERIFY(Start(DataFile("plants.xml")));
        const QString big = DataFile("linked.xml");
        AvailableMemory::SetForTesting(QFileInfo(big).size() * 5);
        prompts.AnswerMessage(answer);
        app->OpenDocumentFile(big);
        AvailableMemory::SetForTesting(-1);
        const auto asked = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].buttons, Prompts::Buttons::YesNo);
        QVERIFY(asked[0].text.contains(QDir::toNativeSeparators(big)));
        QCOMPARE(QFileInfo(app->GetDocument()->GetPathName()).fileName(), fileAfter);
    }

    // Find from the Edit menu's dialog; F3 in the tree goes on once, not twice (one message);
    // the options confirmed with Find come back at the next start, those changed after it do
    // not.
    void findFromTheFrame()
    {
        QVERIFY(Start(DataFile("plants.xml")));
        QMenu* edit = Frame()->menuBar()->actions().at(1)->menu();
        QList<QVariant> ids;
        for (QAction* item : edit->actions())
            ids << (item->isSeparator() ? QVariant(0) : item->data());
        const qsizetype paste = ids.indexOf(QVariant(ID_EDIT_PASTE));
        QCOMPARE(ids.mid(paste + 1),
            QList<QVariant>({ ID_EDIT_COPY_PATH, 0, ID_EDIT_FIND, ID_EDIT_FIND_NEXT,
                ID_EDIT_FIND_PREVIOUS, 0, ID_EDIT_FIND_XPATH }));
        QVERIFY(!UpdatedAction(ID_EDIT_FIND_NEXT)->isEnabled());
        QVERIFY(!UpdatedAction(ID_EDIT_FIND_PREVIOUS)->isEnabled());

        UpdatedAction(ID_EDIT_FIND)->trigger();
        FindDlg* dialog = Frame()->GetFindDialog();
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->FindButton()->isEnabled());
        dialog->TextEdit()->setText(u"Thyme"_s);
        dialog->findChild<QCheckBox*>(u"names"_s)->setChecked(false);
        dialog->findChild<QRadioButton*>(u"up"_s)->setChecked(true);
        dialog->findChild<QRadioButton*>(u"down"_s)->setChecked(true);
        QTest::mouseClick(dialog->FindButton(), Qt::LeftButton);
        TrelvoView* tree = Frame()->GetTreeView();
        QCOMPARE(
            tree->NodeOf(tree->SelectedItem()).toElement().getAttribute(u"name"_s), u"Thyme"_s);
        QVERIFY(UpdatedAction(ID_EDIT_FIND_NEXT)->isEnabled());
        QVERIFY(ActivateFrame());
        tree->setFocus();
        prompts.AnswerMessage(Button::Ok);
        QTest::keyClick(tree, Qt::Key_F3);
        QCOMPARE(prompts.CallsOf(Kind::MessageBox).size(), std::size_t(1));

        dialog->findChild<QCheckBox*>(u"matchCase"_s)->setChecked(true);
        dialog->reject();
        QVERIFY(!dialog->isVisible());
        CloseAndStop();
        QVERIFY(Start());
        QCOMPARE(app->FindNames, 0);
        QCOMPARE(app->FindProps, 1);
        QCOMPARE(app->FindCase, 0);
        QCOMPARE(app->FindDirection, 1);
        QVERIFY(!Frame()->GetFindDialog()->findChild<QCheckBox*>(u"names"_s)->isChecked());
    }

    // Find by XPath on a namespaced document with no binding typed: a click on a result selects
    // its item (an attribute's element), the status bar shows the selected node's path, Copy
    // Path puts that on the clipboard and it finds the node again; a deleted node is reported;
    // the expression is offered again at the next start.
    void xpathFromTheFrame()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ns.xml"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html xmlns='http://www.w3.org/1999/xhtml'><body><p/><svg:svg "
                   "xmlns:svg='http://www.w3.org/2000/svg'><svg:rect/><svg:rect width='2'/>"
                   "</svg:svg><p/></body></html>");
        file.close();
        QVERIFY(Start(path));
        UpdatedAction(ID_EDIT_FIND_XPATH)->trigger();
        XPathDlg* dialog = Frame()->GetXPathDialog();
        QVERIFY(dialog->isVisible());
        TrelvoView* tree = Frame()->GetTreeView();
        const XPathResults* results = dialog->Results();
        const auto evaluate = [&](const QString& expression) {
            dialog->ExpressionBox()->setEditText(expression);
            QTest::mouseClick(dialog->EvaluateButton(), Qt::LeftButton);
        };
        const auto click = [&](int row) {
            QTreeView* list = dialog->ResultList();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                list->visualRect(results->index(row, 0)).center());
        };
        const QString expression = u"//svg:rect/@width | //d:p[2]"_s;
        evaluate(expression);
        QCOMPARE(results->rowCount(), 2);
        click(0);
        const DomNode rect = tree->NodeOf(tree->SelectedItem());
        QCOMPARE(rect.nodeName(), u"svg:rect"_s);
        UpdatedAction(ID_EDIT_COPY_PATH)->trigger();
        const QString rectPath = QGuiApplication::clipboard()->text();
        QTRY_COMPARE(Frame()->GetPaneText(0), rectPath);
        evaluate(rectPath);
        QCOMPARE(results->rowCount(), 1);
        QCOMPARE(results->Node(results->index(0, 0)), rect);

        evaluate(expression);
        click(1);
        const DomNode paragraph = tree->NodeOf(tree->SelectedItem());
        QCOMPARE(paragraph.nodeName(), u"p"_s);
        prompts.AnswerMessage(Button::Yes);
        UpdatedAction(ID_EDIT_DELETE_ITEM)->trigger();
        click(0);
        QCOMPARE(tree->NodeOf(tree->SelectedItem()), rect);
        click(1);
        QCOMPARE(tree->NodeOf(tree->SelectedItem()), rect);
        QVERIFY2(dialog->Summary()->text().contains(u"deleted"_s),
            qPrintable(dialog->Summary()->text()));

        prompts.AnswerMessage(Button::No);
        CloseAndStop();
        QVERIFY(Start());
        QCOMPARE(Frame()->GetXPathDialog()->ExpressionBox()->itemText(0), expression);
    }

    void options_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    // OK in the options dialog relabels the tree, re-formats the source pane and re-scales the
    // image pane at once, and the next start keeps it; Cancel changes nothing. The command is
    // the View menu's last, after a separator.
    void options()
    {
        QFETCH(bool, ok);
        QVERIFY(Start(DataFile("plants.xml")));
        const QList<QAction*> view = Frame()->menuBar()->actions().at(2)->menu()->actions();
        QCOMPARE(view.last()->data().toInt(), ID_VIEW_OPTIONS);
        QVERIFY(view.at(view.size() - 2)->isSeparator());
        TrelvoView* tree = Frame()->GetTreeView();
        const QModelIndex plants = tree->model()->index(1, 0, tree->model()->index(0, 0));
        tree->SelectItem(plants);
        QVERIFY(Frame()->GetSourceBar()->IsVisibleBar());
        const QString source = g_pSourceView->Edit()->Text();

        prompts.AnswerOpenFileName(QCoreApplication::applicationFilePath());
        prompts.AnswerDialog([ok](QDialog& dialog) {
            for (const char* name :
                { "attributesInTree2", "sourceFormat2", "imageScale1", "previewWith1" })
                dialog.findChild<QRadioButton*>(QString::fromLatin1(name))->click();
            dialog.findChild<SpacesBox*>()->setValue(2);
            dialog.findChild<QPushButton*>(u"browse"_s)->click();
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            return dialog.result();
        });
        UpdatedAction(ID_VIEW_OPTIONS)->trigger();
        const QModelIndex thyme = tree->model()->index(1, 0, plants);
        QCOMPARE(thyme.data(TreeModel::LabelRole).toString(),
            ok ? u"plant name=\"Thyme\""_s : u"plant"_s);
        QCOMPARE(g_pSourceView->Edit()->Text().contains(u"\r\n  <plant"_s), ok);
        QCOMPARE(g_pSourceView->Edit()->Text() == source, !ok);
        QCOMPARE(g_pImageView->ImageScale(), ok ? 1 : 0);
        QCOMPARE(app->XsltPreviewProgram.isEmpty(), !ok);
        CloseAndStop();
        QVERIFY(Start());
        QCOMPARE(app->ShowAttributesInTree, ok ? 2 : 0);
        QCOMPARE(app->XmlSourceFormatSpaces, ok ? 2 : 4);
    }

    void undoKeys_data()
    {
        QTest::addColumn<QKeySequence>("undo");
        QTest::addColumn<QKeySequence>("redo");
        QTest::newRow("Ctrl+Z, Ctrl+Shift+Z")
            << QKeySequence(Qt::CTRL | Qt::Key_Z) << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        QTest::newRow("Alt+Backspace, Alt+Shift+Backspace") << QKeySequence(
            Qt::ALT | Qt::Key_Backspace) << QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Backspace);
    }

    // The Undo and Redo keys take back and make again a change of the document; while a text
    // field has the focus (the attribute pane's in-place editor), they act on its typing instead.
    void undoKeys()
    {
        QFETCH(QKeySequence, undo);
        QFETCH(QKeySequence, redo);
        QVERIFY(Start(DataFile("plants.xml")));
        QVERIFY(ActivateFrame());
        TrelvoView* tree = Frame()->GetTreeView();
        const QPersistentModelIndex plants = tree->model()->index(1, 0, tree->model()->index(0, 0));
        tree->SelectItem(tree->model()->index(0, 0, plants));
        QVERIFY(tree->Editor().InsertElement(plants, QStringLiteral("n")).isValid());
        tree->SelectItem(tree->model()->index(0, 0, plants));

        SmartList* list = g_pAttributeView->GetList();
        list->BeginEdit(0, list->editColumn, list->GetItemText(0, 1), true);
        QLineEdit* field = list->GetEditor();
        QVERIFY(field);
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("x"));
        QTest::keySequence(field, undo);
        QCOMPARE(field->text(), QStringLiteral("Rosemary"));
        QTest::keySequence(field, redo);
        QCOMPARE(field->text(), QStringLiteral("x"));
        QCOMPARE(tree->model()->rowCount(plants), 4);
        QTest::keyClick(field, Qt::Key_Escape);

        tree->setFocus();
        // As the frame's update pass does when the focus moves.
        Frame()->UpdateCommandUI();
        QTest::keySequence(tree, undo);
        QCOMPARE(tree->model()->rowCount(plants), 3);
        QVERIFY(!app->GetDocument()->IsModified());
        Frame()->UpdateCommandUI();
        QTest::keySequence(tree, redo);
        QCOMPARE(tree->model()->rowCount(plants), 4);
    }

    // Other Great Products opens the products dialog over the main window.
    void otherProducts()
    {
        QVERIFY(Start());
        QWidget* owner = nullptr;
        prompts.AnswerDialog([&owner](QDialog& dialog) {
            if (qobject_cast<InfoDlg*>(&dialog))
                owner = dialog.parentWidget();
            return int(QDialog::Accepted);
        });
        UpdatedAction(ID_HELP_PRODUCTS)->trigger();
        QCOMPARE(owner, Frame());
    }

    void closePrompt_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<bool>("closes");
        QTest::newRow("unchanged: no question") << false << -1 << 0 << true;
        QTest::newRow("No: asked once") << true << int(Button::No) << 1 << true;
        QTest::newRow("Cancel: stays") << true << int(Button::Cancel) << 1 << false;
    }

    // The save check decides: a window that closes saves the layout, one that stays keeps the
    // layout saved before.
    void closePrompt()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(int, prompts);
        QFETCH(bool, closes);
        QVERIFY(Start());
        Frame()->GetDockSite()->DockControlBar(Frame()->GetImageBar(), AFX_IDW_DOCKBAR_BOTTOM);
        CloseAndStop();
        QVERIFY(Start());
        const QStringList saved = LayoutText(app->GetSettings());
        QVERIFY(saved.join(u'\n').contains(QString::number(IDW_IMAGE_BAR)));

        Frame()->GetDockSite()->DockControlBar(Frame()->GetImageBar(), AFX_IDW_DOCKBAR_RIGHT);
        UpdatedAction(ID_VIEW_ATTRIBUTES)->trigger();
        app->GetDocument()->SetModifiedFlag(modified);
        if (answer >= 0)
            this->prompts.AnswerMessage(Button(answer));
        Frame()->close();
        QCOMPARE(int(this->prompts.CallsOf(Kind::MessageBox).size()), prompts);
        QCOMPARE(Frame()->isVisible(), !closes);
        QCOMPARE(LayoutText(app->GetSettings()) == saved, !closes);
        Stop();

        // What the next start shows.
        QVERIFY(Start());
        QCOMPARE(Frame()->GetImageBar()->GetDockBarId(),
            closes ? AFX_IDW_DOCKBAR_RIGHT : AFX_IDW_DOCKBAR_BOTTOM);
        QCOMPARE(Frame()->GetAttributesBar()->isHidden(), closes);
    }

    // Where the bars are, which are shown and how big they are comes back at the next start.
    void layoutSurvivesRestart()
    {
        QVERIFY(Start());
        DockSite* site = Frame()->GetDockSite();
        site->DockControlBar(Frame()->GetSourceBar(), AFX_IDW_DOCKBAR_RIGHT);
        site->DockControlBar(Frame()->GetImageBar(), AFX_IDW_DOCKBAR_BOTTOM);
        site->DockControlBar(Frame()->GetToolBar(), AFX_IDW_DOCKBAR_LEFT);
        Frame()->GetAttributesBar()->sizeVert.setWidth(260);
        Frame()->GetImageBar()->sizeHorz.setHeight(140);
        UpdatedAction(ID_VIEW_XML_SOURCE)->trigger();
        site->RecalcLayout();
        CloseAndStop();

        QVERIFY(Start());
        site = Frame()->GetDockSite();
        QTRY_VERIFY(!site->IsLayoutPending());
        QCOMPARE(Frame()->GetAttributesBar()->GetDockBarId(), AFX_IDW_DOCKBAR_RIGHT);
        QCOMPARE(Frame()->GetSourceBar()->GetDockBarId(), AFX_IDW_DOCKBAR_RIGHT);
        QCOMPARE(Frame()->GetImageBar()->GetDockBarId(), AFX_IDW_DOCKBAR_BOTTOM);
        QCOMPARE(Frame()->GetToolBar()->GetDockBarId(), AFX_IDW_DOCKBAR_LEFT);
        QVERIFY(Frame()->GetSourceBar()->isHidden());
        QVERIFY(!UpdatedAction(ID_VIEW_XML_SOURCE)->isChecked());
        QVERIFY(Frame()->GetAttributesBar()->isVisible());
        QCOMPARE(Frame()->GetAttributesBar()->sizeVert.width(), 260);
        QCOMPARE(Frame()->GetAttributesBar()->width(), 260);
        QCOMPARE(Frame()->GetImageBar()->sizeHorz.height(), 140);
        QCOMPARE(Frame()->GetImageBar()->height(), 140);
    }

    void windowPlacementKept_data()
    {
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("where it was left") << QRect(50, 40, 500, 400) << false;
        QTest::newRow("maximised") << QRect(50, 40, 500, 400) << true;
    }

    // The window comes back with the size, position and maximised state it was closed with.
    void windowPlacementKept()
    {
        QFETCH(QRect, place);
        QFETCH(bool, maximized);
        QVERIFY(Start());
        Frame()->setGeometry(place);
        if (maximized)
            Frame()->setWindowState(Qt::WindowMaximized);
        CloseAndStop();
        QVERIFY(Start());
        Frame()->show();
        QCOMPARE(Frame()->isMaximized(), maximized);
        QVERIFY(Frame()->screen()->availableGeometry().contains(Frame()->frameGeometry()));
        QCOMPARE(Frame()->normalGeometry(), place);
    }

    void treeKeepsRoom_data()
    {
        QTest::addColumn<int>("frameWidth");
        QTest::addColumn<int>("barWidth");
        QTest::newRow("wide bars at the first size") << 0 << 300;
        QTest::newRow("narrowed to 500") << 500 << 200;
    }

    // However wide the restored bars, the tree keeps a usable width and no bar leaves the
    // window; the bars get their own widths back when the window grows.
    void treeKeepsRoom()
    {
        QFETCH(int, frameWidth);
        QFETCH(int, barWidth);
        QVERIFY(Start());
        DockSite* site = Frame()->GetDockSite();
        for (CViewBar* bar : { Frame()->GetAttributesBar(), Frame()->GetSourceBar() }) {
            site->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
            bar->sizeVert.setWidth(barWidth);
        }
        Frame()->GetImageBar()->sizeVert.setWidth(barWidth);
        CloseAndStop();
        QVERIFY(Start());
        if (frameWidth)
            Frame()->resize(frameWidth, Frame()->height());
        site = Frame()->GetDockSite();
        site->RecalcLayout();
        QVERIFY(Frame()->GetTreeView()->width() >= MainFrame::MinTreeSize);
        for (ControlBar* bar : site->GetControlBars())
            QVERIFY(site->rect().contains(QRect(bar->mapTo(site, QPoint(0, 0)), bar->size())));
        Frame()->resize(4 * barWidth + 200, Frame()->height());
        site->RecalcLayout();
        QCOMPARE(Frame()->GetImageBar()->width(), barWidth);
    }

    void savedLayoutChecked_data()
    {
        QTest::addColumn<int>("extraId");
        QTest::addColumn<bool>("floating");
        QTest::addColumn<bool>("inList");
        QTest::addColumn<bool>("applied");
        QTest::newRow("as saved") << 0 << false << false << true;
        QTest::newRow("unknown bar in a dock bar's list") << 4242 << false << true << false;
        QTest::newRow("unknown docked bar") << 4242 << false << false << false;
        QTest::newRow("unknown floating bar, listed nowhere") << 4242 << true << false << true;
        QTest::newRow("known bar with high bits set")
            << IDW_IMAGE_BAR + 0x10000 << false << true << true;
    }

    // A saved layout is used only when every bar it places is a bar of the window; otherwise
    // the bars start where a first start puts them.
    void savedLayoutChecked()
    {
        QFETCH(int, extraId);
        QFETCH(bool, floating);
        QFETCH(bool, inList);
        QFETCH(bool, applied);
        QVERIFY(Start());
        Frame()->GetDockSite()->DockControlBar(Frame()->GetSourceBar(), AFX_IDW_DOCKBAR_RIGHT);
        CloseAndStop();
        if (extraId) {
            AppSettings settings;
            BarState state;
            QVERIFY(state.Load(settings, MainFrame::LayoutSection));
            BarState::BarRecord extra;
            extra.barId = extraId & 0xFFFF;
            extra.floating = floating;
            if (inList) {
                bool listed = false;
                for (BarState::BarRecord& record : state.records) {
                    // A bar listed twice makes the whole layout void.
                    std::erase(record.bars, extraId & 0xFFFF);
                    if (record.barId == AFX_IDW_DOCKBAR_BOTTOM) {
                        record.bars = { 0, extraId, 0 };
                        listed = true;
                    }
                }
                QVERIFY(listed);
            } else {
                state.records.push_back(extra);
            }
            state.Save(settings, MainFrame::LayoutSection);
        }
        QVERIFY(Start());
        QCOMPARE(Frame()->GetSourceBar()->GetDockBarId(),
            applied ? AFX_IDW_DOCKBAR_RIGHT : AFX_IDW_DOCKBAR_BOTTOM);
    }

    void damagedLayoutStartsWithDefaults_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("record count at the integer limit") << u"Layout/Bars=2147483647"_s;
        QTest::newRow("thickness at the integer limit")
            << u"Layout/SCBar-59748/sizeVertCX=2147483647"_s;
    }

    // Start and exit end, the panes are docked as a first start docks them, within 32767.
    void damagedLayoutStartsWithDefaults()
    {
        QFETCH(QString, entry);
        QVERIFY(Start());
        CloseAndStop();
        QSettings(AppSettings::DefaultFileName(), QSettings::IniFormat)
            .setValue(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        QVERIFY(Start());
        QTRY_VERIFY(!Frame()->GetDockSite()->IsLayoutPending());
        QCOMPARE(Frame()->GetAttributesBar()->GetDockBarId(), AFX_IDW_DOCKBAR_RIGHT);
        QVERIFY(Frame()->GetAttributesBar()->width() <= 32767);
        CloseAndStop();
        QCOMPARE(AppSettings().GetProfileInt(MainFrame::LayoutSection, u"Bars"_s, 0), 8);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
