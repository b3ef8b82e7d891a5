#include "Application.h"
#include "Document.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "QtPrompts.h"
#include "ScriptedPrompts.h"
#include "View.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWindow>

#include <memory>

namespace {
constexpr int ID_PROBE = 32900;

class TestView : public QWidget, public View {
public:
    using QWidget::QWidget;
    using View::AddCommand;
    using View::AddUpdateCommand;
    int initialUpdates = 0;
    void OnInitialUpdate() override { ++initialUpdates; }
};

class TestDocument : public Document {
public:
    using Document::AddCommand;
    using Document::AddUpdateCommand;
    bool openSucceeds = true;
    bool saveSucceeds = true;
    QStringList opened;
    int closed = 0;

    bool OnOpenDocument(const QString& path) override
    {
        opened << path;
        return openSucceeds && Document::OnOpenDocument(path);
    }
    bool OnSaveDocument(const QString& path) override
    {
        return saveSucceeds && Document::OnSaveDocument(path);
    }
    void OnCloseDocument() override
    {
        ++closed;
        Document::OnCloseDocument();
    }
};

class TestFrame : public FrameWindow {
public:
    using FrameWindow::AddCommand;
    using FrameWindow::AddUpdateCommand;
    using FrameWindow::FrameWindow;
    TestView* pane = nullptr;

    bool OnCreate(Document& document) override
    {
        pane = new TestView(this);
        document.AddView(pane);
        return true;
    }
};

class TestApp : public Application {
public:
    using Application::AddCommand;
    using Application::AddUpdateCommand;
};

CommandTable MakeTable()
{
    CommandTable table;
    table.Add({ ID_FILE_NEW, QStringLiteral("&New"), { QKeySequence(QStringLiteral("Ctrl+N")) },
        QStringLiteral("Create a new document\nNew"), QString() });
    table.Add({ ID_FILE_OPEN, QStringLiteral("&Open..."), {}, QString(), QString() });
    table.Add({ ID_FILE_SAVE, QStringLiteral("&Save"), {}, QString(), QString() });
    for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE4; ++id)
        table.Add({ id, QStringLiteral("Recent File"), {}, QStringLiteral("Open this document"),
            QString() });
    table.Add({ ID_APP_EXIT, QStringLiteral("E&xit"), {}, QString(), QString() });
    table.Add({ ID_PROBE, QStringLiteral("&Probe"), { QKeySequence(QStringLiteral("Ctrl+K")) },
        QStringLiteral("Probe the route\nProbe"), QString() });
    return table;
}
}

class TestFrameworkWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir files;
    ScriptedPrompts prompts;
    std::unique_ptr<TestApp> app;
    TestDocument* doc = nullptr;
    TestFrame* frame = nullptr;
    TestView* view = nullptr;
    QStringList ran;

    QString FilePath(const QString& name) { return files.filePath(name); }

    // The title as the window system shows it.
    QString ShownTitle() const
    {
        frame->winId();
        return frame->windowHandle()->title();
    }

    QString MakeFile(const QString& name)
    {
        QFile file(FilePath(name));
        file.open(QIODevice::WriteOnly);
        return QFileInfo(file).absoluteFilePath();
    }

    template <typename Target> void AddHandler(Target* target, const QString& who, QChar kind)
    {
        if (kind == u'c') {
            target->AddCommand(ID_PROBE, [this, who] { ran << who; });
            return;
        }
        target->AddUpdateCommand(ID_PROBE, [kind](CommandState& state) {
            state.enabled = kind != u'd';
            if (kind == u'k')
                state.checked = true;
        });
    }

    // handlers: space-separated, each a target letter (v view, d document, f frame,
    // a application) and a kind: c command (records the letter), d/e update that
    // disables/enables, k update that checks.
    void Install(const QString& handlers)
    {
        for (const QString& token : handlers.split(u' ', Qt::SkipEmptyParts)) {
            const QString who = token.left(1);
            if (who == u'v')
                AddHandler(view, who, token[1]);
            else if (who == u'd')
                AddHandler(doc, who, token[1]);
            else if (who == u'f')
                AddHandler(frame, who, token[1]);
            else
                AddHandler(app.get(), who, token[1]);
        }
    }

    void DropFile(const QString& path)
    {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(files.isValid());
        Prompts::SetInstance(&prompts);
    }

    void init()
    {
        ran.clear();
        prompts.Clear();
        app = std::make_unique<TestApp>();
        SingleDocTemplate docTemplate;
        docTemplate.createDocument = [this] {
            auto document = std::make_unique<TestDocument>();
            doc = document.get();
            return document;
        };
        docTemplate.createFrame = [this](Document&) {
            auto window = std::make_unique<TestFrame>(MakeTable());
            window->BuildMenus(
                { MenuItem::Submenu(QStringLiteral("&File"),
                      { MenuItem::Command(ID_FILE_NEW), MenuItem::Command(ID_FILE_OPEN),
                          MenuItem::Separator(), MenuItem::Command(ID_FILE_MRU_FILE1),
                          MenuItem::Command(ID_FILE_MRU_FILE2),
                          MenuItem::Command(ID_FILE_MRU_FILE3),
                          MenuItem::Command(ID_FILE_MRU_FILE4) }),
                    MenuItem::Submenu(QStringLiteral("&Edit"), { MenuItem::Command(ID_PROBE) }) });
            window->BuildToolBar({ ID_FILE_NEW, 0, ID_PROBE });
            frame = window.get();
            return window;
        };
        docTemplate.createView = [this](FrameWindow& parent, Document&) {
            view = new TestView(&parent);
            return view;
        };
        docTemplate.filter = QStringLiteral("*.xml (*.xml)");
        docTemplate.defaultExtension = QStringLiteral(".xml");
        app->SetDocTemplate(docTemplate);
        QVERIFY(app->ProcessShellCommand(QString()));
    }

    void cleanup()
    {
        app.reset();
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
    }

    void route_data()
    {
        QTest::addColumn<QString>("handlers");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("ranBy");
        QTest::newRow("view first") << "vc dc fc ac" << true << false << "v";
        QTest::newRow("document before frame") << "dc fc ac" << true << false << "d";
        QTest::newRow("frame before application") << "fc ac" << true << false << "f";
        QTest::newRow("application last") << "ac" << true << false << "a";
        QTest::newRow("no handler: grayed") << "" << false << false << "";
        QTest::newRow("earlier update handler decides") << "vd dc" << false << false << "";
        QTest::newRow("earlier command handler enables") << "vc ad" << true << false << "v";
        QTest::newRow("update handler alone runs nothing") << "fe" << true << false << "";
        QTest::newRow("check mark") << "dc dk" << true << true << "d";
    }

    void route()
    {
        QFETCH(QString, handlers);
        QFETCH(QString, ranBy);
        Install(handlers);
        frame->UpdateCommandUI();
        QAction* action = frame->GetAction(ID_PROBE);
        QTEST(action->isEnabled(), "enabled");
        QTEST(action->isChecked(), "checked");
        QCOMPARE(frame->RouteCommand(ID_PROBE), !ranBy.isEmpty());
        QCOMPARE(ran.join(QString()), ranBy);
    }

    void keysFollowTheSharedActionOnly()
    {
        bool enabled = false;
        Install(QStringLiteral("dc"));
        doc->AddUpdateCommand(
            ID_PROBE, [&enabled](CommandState& state) { state.enabled = enabled; });
        auto popup
            = frame->GetCommandTable().CreatePopupMenu({ MenuItem::Command(ID_PROBE) }, frame);
        QAction* popupItem = popup->actions().value(0);
        QCOMPARE(popupItem->text(), QStringLiteral("&Probe\tCtrl+K"));
        QCOMPARE(frame->GetAction(ID_PROBE)->statusTip(), QStringLiteral("Probe the route"));
        QCOMPARE(frame->GetAction(ID_PROBE)->toolTip(), QStringLiteral("Probe"));
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));

        frame->UpdateCommandUI();
        QTest::keyClick(frame, Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(ran, QStringList());

        enabled = true;
        frame->UpdateCommandUI();
        popupItem->setEnabled(false);
        QTest::keyClick(frame, Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(ran, QStringList { QStringLiteral("d") });
    }

    void updatePassRuns_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("menu opening") << "menu";
        QTest::newRow("mouse release") << "mouse";
        QTest::newRow("key release") << "key";
        QTest::newRow("file dropped") << "drop";
    }

    void updatePassRuns()
    {
        QFETCH(QString, trigger);
        bool enabled = false;
        Install(QStringLiteral("dc"));
        doc->AddUpdateCommand(
            ID_PROBE, [&enabled](CommandState& state) { state.enabled = enabled; });
        QAction* action = frame->GetAction(ID_PROBE);
        // Passes left over from building the window run first; none may run without a cause.
        QCoreApplication::processEvents();
        frame->UpdateCommandUI();
        enabled = true;
        QCoreApplication::processEvents();
        QVERIFY(!action->isEnabled());
        if (trigger == u"menu")
            emit frame->menuBar()->actions().at(1)->menu()->aboutToShow();
        else if (trigger == u"mouse")
            QTest::mouseRelease(view, Qt::LeftButton);
        else if (trigger == u"drop")
            DropFile(FilePath(QStringLiteral("drop.xml")));
        else
            QTest::keyRelease(view, Qt::Key_Shift);
        QTRY_VERIFY(action->isEnabled());
    }

    void mainViewComesBeforeTheFramesPanes()
    {
        QCOMPARE(doc->GetViews(), (std::vector<View*> { view, frame->pane }));
        QCOMPARE(frame->GetActiveView(), view);
        QCOMPARE(frame->centralWidget(), view);
    }

    void title_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("appName");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("title");
        QTest::newRow("untitled") << QString() << QString() << false << "Untitled - Trelvo";
        QTest::newRow("file name only") << "/x/y/a.xml" << QString() << false << "a.xml - Trelvo";
        QTest::newRow("own application name") << "/x/a.xml"
                                              << "Viewer" << false << "a.xml - Viewer";
        QTest::newRow("modified") << "/x/a.xml" << QString() << true << "a.xml* - Trelvo";
        QTest::newRow("placeholder in the name")
            << "/x/a[*].xml" << QString() << false << "a[*].xml - Trelvo";
        QTest::newRow("placeholder in a modified name")
            << "/x/a[*].xml" << QString() << true << "a[*].xml* - Trelvo";
    }

    void title()
    {
        QFETCH(QString, path);
        QFETCH(QString, appName);
        QFETCH(bool, modified);
        if (!appName.isEmpty())
            frame->SetAppName(appName);
        doc->SetPathName(path, false);
        doc->SetModifiedFlag(modified);
        frame->UpdateCommandUI();
        QTEST(ShownTitle(), "title");
    }

    void close_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saveSucceeds");
        QTest::addColumn<bool>("byExitCommand");
        QTest::addColumn<bool>("closes");
        const int none = -1;
        const int yes = int(Prompts::Button::Yes);
        const int no = int(Prompts::Button::No);
        const int cancel = int(Prompts::Button::Cancel);
        QTest::newRow("unmodified: no question") << false << none << true << false << true;
        QTest::newRow("No closes") << true << no << true << false << true;
        QTest::newRow("Cancel keeps the window") << true << cancel << true << false << false;
        QTest::newRow("failed save keeps the window") << true << yes << false << false << false;
        QTest::newRow("Exit asks too, Cancel") << true << cancel << true << true << false;
        QTest::newRow("Exit asks too, Yes") << true << yes << true << true << true;
    }

    void close()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(bool, byExitCommand);
        QFETCH(bool, closes);
        QFETCH(bool, saveSucceeds);
        doc->SetPathName(FilePath(QStringLiteral("doc.xml")), false);
        doc->SetModifiedFlag(modified);
        doc->saveSucceeds = saveSucceeds;
        if (answer >= 0)
            prompts.AnswerMessage(Prompts::Button(answer));
        frame->show();
        if (byExitCommand)
            QVERIFY(frame->RouteCommand(ID_APP_EXIT));
        else
            frame->close();
        QCOMPARE(frame->isVisible(), !closes);
        QCOMPARE(doc->closed, closes ? 1 : 0);
    }

    void openDocumentFile_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("openSucceeds");
        QTest::addColumn<bool>("opens");
        QTest::newRow("unmodified") << false << -1 << true << true;
        QTest::newRow("No, then open") << true << int(Prompts::Button::No) << true << true;
        QTest::newRow("Cancel keeps the document")
            << true << int(Prompts::Button::Cancel) << true << false;
        QTest::newRow("failed open keeps path and flag")
            << true << int(Prompts::Button::No) << false << false;
    }

    void openDocumentFile()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(bool, openSucceeds);
        QFETCH(bool, opens);
        const QString old = FilePath(QStringLiteral("old.xml"));
        const QString path = FilePath(QStringLiteral("new.xml"));
        QVERIFY(app->OpenDocumentFile(old));
        doc->SetModifiedFlag(modified);
        doc->openSucceeds = openSucceeds;
        if (answer >= 0)
            prompts.AnswerMessage(Prompts::Button(answer));
        const int updatesBefore = view->initialUpdates;

        QCOMPARE(app->OpenDocumentFile(path), opens);
        QCOMPARE(doc->GetPathName(), opens ? path : old);
        QCOMPARE(doc->IsModified(), !opens && modified);
        QCOMPARE(app->GetRecentFiles().At(0), opens ? path : old);
        QCOMPARE(view->initialUpdates - updatesBefore, opens ? 1 : 0);
        QCOMPARE(ShownTitle(),
            (opens ? QStringLiteral("new.xml") : QStringLiteral("old.xml"))
                + QStringLiteral(" - Trelvo"));
    }

    void openingTheOpenFileKeepsIt()
    {
        const QString path = FilePath(QStringLiteral("same.xml"));
        QVERIFY(app->OpenDocumentFile(path));
        doc->SetModifiedFlag();
        QVERIFY(app->OpenDocumentFile(path));
        QCOMPARE(doc->opened.size(), 1);
        QVERIFY(doc->IsModified());
    }

    void newAndOpenCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("pathAfter");
        const QString old = QStringLiteral("old.xml");
        QTest::newRow("New") << ID_FILE_NEW << QString() << QString();
        QTest::newRow("Open") << ID_FILE_OPEN << "picked.xml"
                              << "picked.xml";
        QTest::newRow("Open cancelled") << ID_FILE_OPEN << QString() << old;
    }

    void newAndOpenCommands()
    {
        QFETCH(int, command);
        QFETCH(QString, chosen);
        QFETCH(QString, pathAfter);
        QVERIFY(app->OpenDocumentFile(FilePath(QStringLiteral("old.xml"))));
        doc->SetModifiedFlag();
        if (command == ID_FILE_OPEN)
            prompts.AnswerOpenFileName(chosen.isEmpty() ? QString() : FilePath(chosen));
        if (!chosen.isEmpty() || command == ID_FILE_NEW)
            prompts.AnswerMessage(Prompts::Button::No);
        QVERIFY(frame->RouteCommand(command));
        QCOMPARE(doc->GetPathName(), pathAfter.isEmpty() ? QString() : FilePath(pathAfter));
        if (command == ID_FILE_OPEN) {
            const auto dialog = prompts.CallsOf(ScriptedPrompts::Kind::OpenFile);
            QCOMPARE(dialog.at(0).caption, QStringLiteral("Open"));
            QCOMPARE(dialog.at(0).filter, QStringLiteral("*.xml (*.xml);;All Files (*)"));
        }
    }

    void recentFilesOnTheFileMenu_data()
    {
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("none: one grayed placeholder")
            << QStringList() << QStringList { QStringLiteral("Recent File (grayed)") };
        QTest::newRow("newest first")
            << QStringList { QStringLiteral("a.xml"), QStringLiteral("b.xml") }
            << QStringList { QStringLiteral("&1 b.xml"), QStringLiteral("&2 a.xml") };
    }

    void recentFilesOnTheFileMenu()
    {
        QFETCH(QStringList, opened);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(files.path());
        for (const QString& name : opened)
            QVERIFY(app->OpenDocumentFile(FilePath(name)));
        frame->UpdateCommandUI();
        QStringList items;
        for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE4; ++id) {
            const QAction* action = frame->GetAction(id);
            if (action->isVisible())
                items << action->text()
                        + (action->isEnabled() ? QString() : QStringLiteral(" (grayed)"));
        }
        QDir::setCurrent(previous);
        QTEST(items, "items");
    }

    void recentFileThatVanished_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("exists: opens") << true;
        QTest::newRow("vanished: reported and dropped") << false;
    }

    void recentFileThatVanished()
    {
        QFETCH(bool, exists);
        const QString path
            = exists ? MakeFile(QStringLiteral("kept.xml")) : FilePath(QStringLiteral("gone.xml"));
        app->GetRecentFiles().Add(path);
        if (!exists)
            prompts.AnswerMessage(Prompts::Button::Ok);
        QVERIFY(frame->RouteCommand(ID_FILE_MRU_FILE1));
        QCOMPARE(doc->opened, exists ? QStringList { path } : QStringList());
        QCOMPARE(app->GetRecentFiles().Entries().contains(path), exists);
        const auto messages = prompts.CallsOf(ScriptedPrompts::Kind::MessageBox);
        QCOMPARE(messages.size(), size_t(exists ? 0 : 1));
        if (!exists)
            QVERIFY2(messages[0].text.contains(path), qPrintable(messages[0].text));
    }

    void recentFilesSurviveARestart()
    {
        const QString path = FilePath(QStringLiteral("kept.xml"));
        QVERIFY(app->OpenDocumentFile(path));
        app->ExitInstance();
        TestApp next;
        next.LoadStdProfileSettings();
        QCOMPARE(next.GetRecentFiles().At(0), path);
    }

    // A modal window opened in the middle of long work shows its own cursors, not the wait
    // cursor (nor an arrow over everything), and the wait cursor is back once it closes.
    void modalWindowShowsItsOwnCursors()
    {
        QtPrompts real;
        WaitCursor outer;
        WaitCursor inner;
        QDialog dialog;
        bool ran = false;
        bool cleared = false;
        QTimer::singleShot(0, &dialog, [&] {
            ran = true;
            cleared = !QGuiApplication::overrideCursor();
            dialog.accept();
        });
        QCOMPARE(real.ExecDialog(dialog), int(QDialog::Accepted));
        QVERIFY(ran);
        QVERIFY(cleared);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::restoreOverrideCursor();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }

    // The open dialog opens wide enough for every column of its list, none cut short (a long
    // file name, a time), and within the screen.
    void fileDialogShowsItsColumns()
    {
        QtPrompts real;
        MakeFile(QStringLiteral("inventory-of-the-greenhouse.xml"));
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto reject = qScopeGuard([dialog] { dialog->reject(); });
            // QTreeView hides its column size hint, which QAbstractItemView offers.
            QAbstractItemView* view = dialog->findChild<QTreeView*>();
            QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
            const QHeaderView* header = static_cast<QTreeView*>(view)->header();
            QVERIFY(header->length() <= view->viewport()->width());
            for (int column = 0; column < header->count(); ++column)
                QVERIFY(header->sectionSize(column) >= view->sizeHintForColumn(column));
            QVERIFY(dialog->screen()->availableGeometry().contains(dialog->frameGeometry()));
            ran = true;
        });
        QVERIFY(real.GetOpenFileName(
                        QStringLiteral("Open"), QStringLiteral("XML (*.xml)"), files.path())
                    .isEmpty());
        QVERIFY(ran);
    }

    void droppedFileOpens_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("local file")
            << QUrl::fromLocalFile(FilePath(QStringLiteral("drop.xml"))) << true;
        QTest::newRow("web address") << QUrl(QStringLiteral("https://example.org/a.xml")) << false;
    }

    void droppedFileOpens()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, accepted);
        QMimeData data;
        data.setUrls({ url });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        if (!accepted)
            return;
        DropFile(url.toLocalFile());
        QTRY_COMPARE(doc->GetPathName(), url.toLocalFile());
    }
};

int main(int argc, char** argv)
{
    // Never a real screen, and never the user's own settings.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QApplication application(argc, argv);
    TestFrameworkWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frameworkwindow.moc"
