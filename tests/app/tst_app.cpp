#include "AppCommands.h"
#include "AppIds.h"
#include "AppSettings.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "InfoDlg.h"
#include "ScriptedPrompts.h"
#include "SettingsTable.h"
#include "TrelvoApp.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <memory>

using Kind = ScriptedPrompts::Kind;

namespace {
QString DataFile(const char* name)
{
    return QDir(QStringLiteral(TRELVO_TEST_DATA_DIR)).absoluteFilePath(QString::fromLatin1(name));
}

// The value of a setting in settings, a flag as a bool.
QVariant ValueOf(const UserSettings& settings, const SettingInfo& entry)
{
    return std::visit(
        [&](auto member) { return QVariant::fromValue(settings.*member); }, entry.member);
}

void SetValue(UserSettings& settings, const SettingInfo& entry, const QVariant& value)
{
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(settings.*member)>;
            settings.*member = value.value<T>();
        },
        entry.member);
}

QVariant ValueByName(const UserSettings& settings, const QString& key)
{
    for (const SettingInfo& entry : SettingsTable::Entries()) {
        if (entry.key == key)
            return ValueOf(settings, entry);
    }
    return QVariant();
}
}

class TestApp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    ScriptedPrompts prompts;
    std::unique_ptr<TrelvoApp> app;

    QString SettingsFile() const { return AppSettings::DefaultFileName(); }

    // Entries of section "Settings" written before the application starts.
    void Store(const QList<std::pair<QString, QString>>& entries)
    {
        QSettings file(SettingsFile(), QSettings::IniFormat);
        for (const auto& [name, value] : entries)
            file.setValue(QStringLiteral("Settings/") + name, value);
    }

    // The text of an entry as it stands in the file.
    QString StoredText(const QString& section, const QString& name) const
    {
        QFile file(SettingsFile());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        QString current;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const QString& line : lines) {
            if (line.startsWith(u'['))
                current = line.mid(1, line.size() - 2);
            else if (current == section && line.startsWith(name + u'='))
                return line.mid(name.size() + 1);
        }
        return QString();
    }

    // Starts the application as the program does, on a settings file where the products
    // dialog was already shown unless the test says otherwise.
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

    TrelvoView* View() const { return app->GetMainFrame()->findChild<TrelvoView*>(); }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        Prompts::SetInstance(&prompts);
    }

    void init()
    {
        QFile::remove(SettingsFile());
        Store({ { QStringLiteral("FirstTime"), QStringLiteral("0") } });
        prompts.Clear();
    }

    void cleanup()
    {
        if (app)
            Stop();
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
    }

    // Every setting of the table: its default at a first start, also in the file after exit; a
    // stored number beyond either end of its range read back inside it; any other value kept
    // from one run to the next.
    void settingsTable()
    {
        const std::vector<SettingInfo>& entries = SettingsTable::Entries();
        QCOMPARE(entries.size(), std::size_t(23));
        QVERIFY(Start());
        for (const SettingInfo& entry : entries) {
            const QVariant expected = std::holds_alternative<QString UserSettings::*>(entry.member)
                ? QVariant(QString())
                : std::holds_alternative<bool UserSettings::*>(entry.member)
                ? QVariant(entry.defaultValue != 0)
                : QVariant(entry.defaultValue);
            QCOMPARE(ValueOf(*app, entry), expected);
        }
        Stop();
        for (const SettingInfo& entry : entries) {
            const QString stored = StoredText(QStringLiteral("Settings"), entry.key.toString());
            QCOMPARE(stored.toInt(), entry.defaultValue);
        }

        for (const int beyond : { -1, 1 }) {
            for (const SettingInfo& entry : entries) {
                const int number = beyond < 0 ? entry.minimum - 1 : entry.maximum + 1;
                Store({ { entry.key.toString(), QString::number(number) } });
            }
            QVERIFY(Start());
            for (const SettingInfo& entry : entries) {
                if (!std::holds_alternative<int UserSettings::*>(entry.member))
                    continue;
                const int value = ValueOf(*app, entry).toInt();
                QVERIFY2(value >= entry.minimum && value <= entry.maximum,
                    qPrintable(entry.key.toString()));
            }
            Stop();
        }

        QVERIFY(Start());
        UserSettings changed;
        for (const SettingInfo& entry : entries) {
            const int other = entry.defaultValue == entry.maximum ? entry.minimum : entry.maximum;
            SetValue(changed, entry,
                std::holds_alternative<QString UserSettings::*>(entry.member)
                    ? QVariant(QStringLiteral("/opt/My Browser, 2/run"))
                    : QVariant(other));
            SetValue(*app, entry, ValueOf(changed, entry));
        }
        Stop();
        QVERIFY(Start());
        for (const SettingInfo& entry : entries)
            QCOMPARE(ValueOf(*app, entry), ValueOf(changed, entry));
    }

    // Nothing reaches the file before exit: a program that crashes loses its changes.
    void settingsWrittenOnlyAtExit()
    {
        QVERIFY(Start());
        app->ImageScale = 2;
        app->XsltPreviewProgram = QStringLiteral("/usr/bin/true");
        QVERIFY(StoredText(QStringLiteral("Settings"), QStringLiteral("ImageScale")).isEmpty());
        app.reset();
        QVERIFY(Start());
        QCOMPARE(app->ImageScale, 0);
        QCOMPARE(app->XsltPreviewProgram, QString());
    }

    void damagedSettings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QVariant>("expected");
        const auto row
            = [](const char* what, const char* name, const char* stored, const QVariant& expected) {
                  QTest::newRow(what)
                      << QString::fromLatin1(name) << QString::fromLatin1(stored) << expected;
              };
        row("spaces 9 read as 8", "XmlSourceFormatSpaces", "9", 8);
        row("huge spaces read as 8", "XmlSourceFormatSpaces", "2000000000", 8);
        row("spaces 0 read as 1", "XmlSourceFormatSpaces", "0", 1);
        row("spaces not a number", "XmlSourceFormatSpaces", "wide", 4);
        row("unknown scale takes the default", "ImageScale", "7", 0);
        row("unknown format takes the default", "XmlSourceFormat", "-1", 1);
        row("no direction takes down", "FindDirection", "-1", 1);
        row("unknown sort column: unsorted", "AttributeSortColumn", "-9", -1);
        row("negative width read as 0", "AttributeNameWidth", "-5", 0);
        row("negative position: none", "InsertItemDlgPosX", "-40", -1);
        row("option 5 read as checked", "FindCase", "5", 1);
        row("any number but 0 is true", "ExpandOnLoad", "-2", true);
        row("flag not a number", "AttributeSortAscending", "yes", false);
    }

    // A damaged value is read as one the program can use; the program still starts.
    void damagedSettings()
    {
        QFETCH(QString, name);
        QFETCH(QString, stored);
        QFETCH(QVariant, expected);
        Store({ { name, stored } });
        QVERIFY(Start());
        QCOMPARE(ValueByName(*app, name), expected);
    }

    // A settings file that is not an INI file at all gives the defaults.
    void garbageSettingsFile()
    {
        QFile file(SettingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        static const char garbage[] = "\x00\xff[Settings\nXmlSourceFormatSpaces\n=\n\xfe";
        file.write(garbage, sizeof garbage - 1);
        file.close();
        prompts.AnswerDialog(QDialog::Accepted);
        QVERIFY(Start());
        QCOMPARE(app->XmlSourceFormatSpaces, 4);
        QCOMPARE(app->XmlSourceFormat, 1);
    }

    // The products dialog comes once, at the first start, and its being shown is stored at
    // once rather than at exit.
    void productsOnFirstStartOnly()
    {
        QFile::remove(SettingsFile());
        bool products = false;
        prompts.AnswerDialog([&products](QDialog& dialog) {
            products = qobject_cast<InfoDlg*>(&dialog) != nullptr;
            return int(QDialog::Accepted);
        });
        QVERIFY(Start());
        QVERIFY(products);
        QCOMPARE(StoredText(QStringLiteral("Settings"), QStringLiteral("FirstTime")),
            QStringLiteral("0"));
        // The program dies without its exit.
        app.reset();

        prompts.Clear();
        QVERIFY(Start());
        QVERIFY(prompts.CallsOf(Kind::Dialog).empty());
        Stop();
        QVERIFY(Start());
        QVERIFY(prompts.CallsOf(Kind::Dialog).empty());
    }

    // Preview files: each one made new, empty and for the user alone (no name that a link could
    // have been put under first), in the temporary folder, named "tmp….htm"; no placeholder
    // stays behind, and every preview file is gone after exit.
    void tempPreviewPaths()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        QVERIFY(Start());

        QStringList paths;
        for (int i = 0; i < 20; ++i) {
            const QString path = app->MakeTempPreviewPath();
            const QFileInfo info(path);
            QVERIFY2(info.isAbsolute(), qPrintable(path));
            QCOMPARE(info.absolutePath(), QDir(temp.path()).absolutePath());
            QVERIFY2(info.fileName().startsWith(QStringLiteral("tmp")), qPrintable(path));
            QVERIFY2(info.fileName().endsWith(QStringLiteral(".htm")), qPrintable(path));
            QVERIFY2(!paths.contains(path), qPrintable(path));
            QVERIFY2(info.isFile() && !info.isSymLink() && info.size() == 0, qPrintable(path));
            QCOMPARE(info.permissions() & 0x0077, QFileDevice::Permissions());
            paths << path;
            // The transformation writes its output there.
            QFile output(path);
            QVERIFY(output.open(QIODevice::WriteOnly));
            output.write("<html/>");
        }
        QCOMPARE(app->TempFiles, paths);
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files).size(), paths.size());

        Stop();
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
        QCOMPARE(QDir(temp.path()).entryList(QDir::Files), QStringList());
    }

    void commands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("Donate opens the donation page")
            << ID_APP_DONATE << int(Kind::Desktop) << TrelvoApp::DonationAddress();
        QTest::newRow("About shows the About box")
            << ID_APP_ABOUT << int(Kind::Dialog) << QStringLiteral("About Trelvo");
        QTest::newRow("Other Great Products shows the products dialog")
            << ID_HELP_PRODUCTS << int(Kind::Dialog) << QStringLiteral("Korvane Products");
    }

    // The Help commands, chosen from the main window's menu.
    void commands()
    {
        QFETCH(int, command);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QVERIFY(Start());
        QString title;
        if (Kind(kind) == Kind::Dialog) {
            prompts.AnswerDialog([&title](QDialog& dialog) {
                title = dialog.windowTitle();
                return int(QDialog::Accepted);
            });
        } else {
            prompts.AnswerDesktop(true);
        }
        FrameWindow* frame = app->GetMainFrame();
        frame->UpdateCommandUI();
        QAction* action = frame->GetAction(command);
        QVERIFY(action->isEnabled());
        action->trigger();
        QCOMPARE(prompts.Calls().size(), size_t(1));
        QCOMPARE(int(prompts.Calls().front().kind), kind);
        QCOMPARE(Kind(kind) == Kind::Dialog ? title : prompts.Calls().front().text, text);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("Ctrl+O asks for a file") << QString() << QKeySequence(Qt::CTRL | Qt::Key_O)
                                                << int(Kind::OpenFile) << "Untitled - Trelvo";
        QTest::newRow("Ctrl+S asks where to save a new document")
            << QString() << QKeySequence(Qt::CTRL | Qt::Key_S) << int(Kind::SaveFile)
            << "Untitled - Trelvo";
        QTest::newRow("Ctrl+N starts a new document")
            << DataFile("plants.xml") << QKeySequence(Qt::CTRL | Qt::Key_N) << -1
            << "Untitled - Trelvo";
    }

    void keys()
    {
        QFETCH(QString, file);
        QFETCH(QKeySequence, key);
        QFETCH(int, kind);
        QFETCH(QString, title);
        QVERIFY(Start(file));
        FrameWindow* frame = app->GetMainFrame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        if (kind == int(Kind::OpenFile))
            prompts.AnswerOpenFileName(QString());
        else if (kind == int(Kind::SaveFile))
            prompts.AnswerSaveFileName(QString());
        QTest::keySequence(frame, key);
        if (kind >= 0) {
            QCOMPARE(prompts.Calls().size(), size_t(1));
            QCOMPARE(int(prompts.Calls().front().kind), kind);
        } else {
            QVERIFY(prompts.Calls().empty());
        }
        QCOMPARE(frame->windowHandle()->title(), title);
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("topLevelItems");
        QTest::addColumn<QString>("loadTime");
        QTest::newRow("no file") << QString() << 0 << "Untitled - Trelvo" << 0
                                 << "Load time: 0.00 secs";
        QTest::newRow("a file") << DataFile("plants.xml") << 0 << "plants.xml - Trelvo" << 2
                                << "Load time: \\d+\\.\\d\\d secs";
        QTest::newRow("a file linking a style sheet")
            << DataFile("linked.xml") << 0 << "linked.xml - Trelvo" << 3
            << "Load time: \\d+\\.\\d\\d secs";
        QTest::newRow("a file that does not parse")
            << DataFile("unclosed.xml") << 1 << "Untitled - Trelvo" << 0 << "Load time: 0.00 secs";
        QTest::newRow("a file that does not exist")
            << DataFile("missing.xml") << 1 << "Untitled - Trelvo" << 0 << "Load time: 0.00 secs";
    }

    // The file named on the command line is opened; one that cannot be read is reported and
    // the program goes on with a new document.
    void commandLine()
    {
        QFETCH(QString, file);
        QFETCH(int, messages);
        QFETCH(QString, title);
        QFETCH(int, topLevelItems);
        QFETCH(QString, loadTime);
        for (int i = 0; i < messages; ++i)
            prompts.AnswerMessage(Prompts::Button::Ok);
        QVERIFY(Start(file));
        QCOMPARE(int(prompts.CallsOf(Kind::MessageBox).size()), messages);
        FrameWindow* frame = app->GetMainFrame();
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->windowHandle()->title(), title);
        // The tree shows the "Document" item, collapsed, with an item per top-level node.
        const QAbstractItemModel* model = View()->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->rowCount(model->index(0, 0)), topLevelItems);
        QVERIFY(!View()->isExpanded(model->index(0, 0)));
        const QString pane = frame->GetPaneText(AppCommands::LoadTimePane);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(loadTime))
                     .match(pane)
                     .hasMatch(),
            qPrintable(pane));
    }

    // Save from the main window writes the document indented with tabs, one element per line,
    // with CR LF line breaks.
    void saveIndents()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("linked.xml"));
        QVERIFY(QFile::copy(DataFile("linked.xml"), path));
        QVERIFY(Start(path));
        FrameWindow* frame = app->GetMainFrame();
        frame->UpdateCommandUI();
        frame->GetAction(ID_FILE_SAVE)->trigger();
        QVERIFY(prompts.Calls().empty());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(saved.readAll());
        const QString expected = QStringLiteral(
            "<plants>\r\n\t<plant name=\"Rosemary\"/>\r\n\t<plant name=\"Thyme\"/>\r\n</plants>");
        QVERIFY2(text.contains(expected), qPrintable(text));
        QCOMPARE(frame->windowHandle()->title(), QStringLiteral("linked.xml - Trelvo"));
    }

    // The indicator pane is wide enough for the longest time it shows.
    void loadTimePane()
    {
        QVERIFY(Start());
        FrameWindow* frame = app->GetMainFrame();
        QLabel* indicator = nullptr;
        for (QLabel* label : frame->findChildren<QLabel*>()) {
            if (label->text() == frame->GetPaneText(AppCommands::LoadTimePane))
                indicator = label;
        }
        QVERIFY(indicator);
        QVERIFY(indicator->width() >= 120);
        QVERIFY(indicator->width()
            > indicator->fontMetrics().horizontalAdvance(AppCommands::LoadTimeText(99990)));
    }

    void loadTimeText_data()
    {
        QTest::addColumn<uint>("milliseconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0u << "Load time: 0.00 secs";
        QTest::newRow("rounded down") << 1234u << "Load time: 1.23 secs";
        QTest::newRow("rounded up") << 1236u << "Load time: 1.24 secs";
        QTest::newRow("minutes") << 125000u << "Load time: 125.00 secs";
    }

    void loadTimeText()
    {
        QFETCH(uint, milliseconds);
        QFETCH(QString, text);
        QCOMPARE(AppCommands::LoadTimeText(milliseconds), text);
    }

    // The whole program on a file: start, the main window's Exit, the event loop ends, and the
    // exit writes the settings and the recent files.
    void smoke()
    {
        const QString file = DataFile("plants.xml");
        QVERIFY(Start(file));
        app->ExpandOnLoad = true;
        QTimer::singleShot(0, app->GetMainFrame(),
            [this] { app->GetMainFrame()->GetAction(ID_APP_EXIT)->trigger(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
        watchdog.start(20000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!app->GetMainFrame()->isVisible());
        QCOMPARE(app->ExitInstance(), 0);
        app.reset();
        QCOMPARE(StoredText(QStringLiteral("Settings"), QStringLiteral("ExpandOnLoad")),
            QStringLiteral("1"));
        QCOMPARE(QSettings(SettingsFile(), QSettings::IniFormat)
                     .value(QStringLiteral("Recent File List/File1"))
                     .toString(),
            QFileInfo(file).absoluteFilePath());
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
