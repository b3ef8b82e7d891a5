#include "AppSettings.h"
#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "ScriptedPrompts.h"
#include "TreeViewIds.h"
#include "TrelvoApp.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "XsltCommands.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;
using Button = Prompts::Button;
using Icon = Prompts::Icon;

namespace {

// A text output whose lines only xsl:text separates, in an indented style sheet.
const QByteArray LinesSheet = "<xsl:stylesheet version=\"1.0\" "
                              "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
                              "  <xsl:output method=\"text\"/>\n"
                              "  <xsl:template match=\"/\">\n"
                              "    <xsl:for-each select=\"//plant\">\n"
                              "      <xsl:value-of select=\"@name\"/>\n"
                              "      <xsl:text>&#10;</xsl:text>\n"
                              "    </xsl:for-each>\n"
                              "  </xsl:template>\n"
                              "</xsl:stylesheet>\n";
const QString Lines = u"Rosemary\u00E9\nThyme\n"_s;

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The file's bytes when they are UTF-16 little-endian after a byte-order mark, decoded.
QString ReadOutput(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"<unreadable>"_s;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xFF\xFE"))
        return u"<no byte-order mark> "_s + QString::fromLatin1(bytes.toHex());
    return QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
}

} // namespace

class TestApplyXslt : public QObject {
    Q_OBJECT

private:
    QTemporaryDir config;
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<TrelvoApp> app;

    QString Path(const QString& name) const { return dir.filePath(name); }

    // Starts on a saved document that links lines.xsl.
    bool Start()
    {
        if (!Write(Path(u"doc.xml"_s),
                "<?xml-stylesheet type=\"text/xsl\" href=\"lines.xsl\"?>\n<plants>\n"
                "  <plant name=\"Rosemary&#233;\"/>\n  <plant name=\"Thyme\"/>\n</plants>\n")
            || !Write(Path(u"lines.xsl"_s), LinesSheet))
            return false;
        app = std::make_unique<TrelvoApp>();
        app->SetCommandLineFile(Path(u"doc.xml"_s));
        return app->InitInstance();
    }

    QAction* UpdatedAction(int id) const
    {
        app->GetMainFrame()->UpdateCommandUI();
        return app->GetMainFrame()->GetAction(id);
    }

    void Trigger(int id) { UpdatedAction(id)->trigger(); }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        Prompts::SetInstance(&prompts);
        QSettings(AppSettings::DefaultFileName(), QSettings::IniFormat)
            .setValue(u"Settings/FirstTime"_s, 0);
    }

    void init()
    {
        prompts.Clear();
        QVERIFY(Start());
        app->XsltOutput = 0;
        app->XsltPreview = 0;
        app->XsltPreviewProgram.clear();
    }

    void cleanup()
    {
        app->ExitInstance();
        app.reset();
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
    }

    // Both commands follow Save As after a separator on the File menu; the linked one is
    // grayed while the document has no path.
    void menuAndEnabling()
    {
        QMenu* file = app->GetMainFrame()->menuBar()->actions().at(0)->menu();
        QList<QVariant> ids;
        for (QAction* item : file->actions())
            ids << (item->isSeparator() ? QVariant(0) : item->data());
        const qsizetype saveAs = ids.indexOf(QVariant(ID_FILE_SAVE_AS));
        QCOMPARE(ids.mid(saveAs + 1, 3),
            QList<QVariant>({ 0, ID_FILE_APPLY_XSLT, ID_FILE_APPLY_LINKED_XSLT }));
        QCOMPARE(UpdatedAction(ID_FILE_APPLY_XSLT)->text(), u"Appl&y XSLT...\tCtrl+Y"_s);
        QVERIFY(UpdatedAction(ID_FILE_APPLY_LINKED_XSLT)->isEnabled());

        app->GetDocument()->SetPathName(QString(), false);
        QVERIFY(!UpdatedAction(ID_FILE_APPLY_LINKED_XSLT)->isEnabled());
        QVERIFY(UpdatedAction(ID_FILE_APPLY_XSLT)->isEnabled());
    }

    void outputModes_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("previewWith");
        QTest::addColumn<QList<Kind>>("prompts");
        QTest::newRow("file") << ID_FILE_APPLY_XSLT << 0 << 0
                              << QList { Kind::OpenFile, Kind::SaveFile, Kind::MessageBox };
        QTest::newRow("file and preview")
            << ID_FILE_APPLY_LINKED_XSLT << 1 << 0
            << QList { Kind::SaveFile, Kind::MessageBox, Kind::Desktop };
        QTest::newRow("preview only")
            << ID_FILE_APPLY_LINKED_XSLT << 2 << 0 << QList { Kind::Desktop };
        QTest::newRow("preview with a program")
            << ID_FILE_APPLY_LINKED_XSLT << 2 << 1 << QList { Kind::Process };
    }

    // The linked style sheet's output replaces a longer file, or goes to a new temporary ".htm"
    // file, as UTF-16 with its byte-order mark and the line breaks of xsl:text; a preview only
    // asks nothing and says nothing.
    void outputModes()
    {
        QFETCH(int, command);
        QFETCH(int, mode);
        QFETCH(int, previewWith);
        app->XsltOutput = mode;
        app->XsltPreview = previewWith;
        app->XsltPreviewProgram = u"viewer --new-window"_s;
        const QString outputPath = Path(u"out.txt"_s);
        QVERIFY(Write(outputPath, QByteArray(4096, 'x')));
        prompts.AnswerOpenFileName(Path(u"lines"_s)); // the extension is the default one
        prompts.AnswerSaveFileName(outputPath);
        prompts.AnswerMessage(Button::Ok);
        prompts.AnswerDesktop(true);
        prompts.AnswerProcess(true);
        Trigger(command);

        QList<Kind> kinds;
        for (const ScriptedPrompts::Call& call : prompts.Calls())
            kinds << call.kind;
        QTEST(kinds, "prompts");
        const QString written = mode == 2 ? app->TempFiles.value(0) : outputPath;
        QCOMPARE(ReadOutput(written), Lines);
        if (mode != 2) {
            const ScriptedPrompts::Call message = prompts.CallsOf(Kind::MessageBox).at(0);
            QCOMPARE(message.text, u"Transformation successful!"_s);
            QCOMPARE(message.caption, u"Apply XSLT"_s);
            QCOMPARE(message.icon, Icon::Information);
        } else {
            QVERIFY(written.endsWith(u".htm"_s));
        }
        if (mode != 0) {
            const ScriptedPrompts::Call preview = prompts.Calls().back();
            QCOMPARE(preview.text, previewWith ? u"viewer"_s : written);
            const QStringList arguments
                = previewWith ? QStringList { u"--new-window"_s, written } : QStringList();
            QCOMPARE(preview.arguments, arguments);
        }
        // Answers not asked for in this mode.
        prompts.Clear();
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("sheet"); // empty: a pipe
        QTest::addColumn<QString>("output"); // the file name given for the output
        QTest::addColumn<QString>("message");

        QTest::newRow("not well-formed")
            << QByteArray("<xsl:stylesheet") << u"out.txt"_s << u"Transformation failed!\n\n"_s;
        QTest::newRow("a pipe") << QByteArray() << u"out.txt"_s
                                << u"Transformation failed!\n\n%1 is not a regular file."_s;
        QTest::newRow("over the style sheet")
            << LinesSheet << u"lines.xsl"_s
            << u"The output cannot replace the document or the style sheet itself:\n%2"_s;
        QTest::newRow("no such folder")
            << LinesSheet << u"none/out.txt"_s << u"The output could not be written to %2.\n\n"_s;
    }

    // A failure is a warning that says why; no file is written or shown.
    void failures()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, output);
        QFETCH(QString, message);
        const QString sheetPath = Path(u"lines.xsl"_s);
        QFile::remove(sheetPath);
        QVERIFY(sheet.isEmpty() ? mkfifo(QFile::encodeName(sheetPath).constData(), 0600) == 0
                                : Write(sheetPath, sheet));
        QFile::remove(Path(u"out.txt"_s));
        prompts.AnswerSaveFileName(Path(output));
        prompts.AnswerMessage(Button::Ok);
        Trigger(ID_FILE_APPLY_LINKED_XSLT);

        const std::vector<ScriptedPrompts::Call> messages = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY2(messages[0].text.startsWith(
                     message.replace(u"%1"_s, sheetPath).replace(u"%2"_s, Path(output))),
            qPrintable(messages[0].text));
        QCOMPARE(messages[0].caption, u"Apply XSLT"_s);
        QCOMPARE(messages[0].icon, Icon::Warning);
        QVERIFY(!QFile::exists(Path(u"out.txt"_s)));
        QVERIFY(QFile::remove(sheetPath));
    }

    // A link put at the preview file's path is replaced, and what it points to keeps its
    // content.
    void linkAtPreviewPath()
    {
        const QString target = Path(u"victim.txt"_s);
        const QString planted = Path(u"planted.htm"_s);
        QVERIFY(Write(target, "keep"));
        QVERIFY(QFile::link(target, planted));
        app->XsltOutput = 2;
        app->GetMainFrame()->findChild<TrelvoView*>()->SetPreviewPaths([&] { return planted; });
        prompts.AnswerDesktop(true);
        Trigger(ID_FILE_APPLY_LINKED_XSLT);
        QCOMPARE(ReadOutput(planted), Lines);
        QVERIFY(!QFileInfo(planted).isSymLink());
        QFile victim(target);
        QVERIFY(victim.open(QIODevice::ReadOnly));
        QCOMPARE(victim.readAll(), QByteArray("keep"));
    }

    void previewCommand_data()
    {
        QTest::addColumn<QString>("setting"); // %1: a folder with blanks in its name
        QTest::addColumn<QStringList>("command"); // program, then arguments; %2: the output

        QTest::newRow("an executable with blanks in its path")
            << u"%1/my viewer"_s << QStringList { u"%1/my viewer"_s, u"%2"_s };
        QTest::newRow("a command line")
            << u"viewer -n  --title \"A b\""_s
            << QStringList { u"viewer"_s, u"-n"_s, u"--title"_s, u"A b"_s, u"%2"_s };
        QTest::newRow("blanks only") << u"  "_s << QStringList {};
    }

    // The preview program is a program and arguments, never a shell's command line; the output
    // path, blanks and all, is one argument.
    void previewCommand()
    {
        QFETCH(QString, setting);
        QFETCH(QStringList, command);
        const QString folder = Path(u"a b"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(Write(folder + u"/my viewer"_s, "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(
            folder + u"/my viewer"_s, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString output = u"/tmp/x y; rm -rf ~.htm"_s;
        const auto [program, arguments]
            = XsltCommands::PreviewCommand(setting.replace(u"%1"_s, folder), output);
        QStringList expected;
        for (const QString& part : command)
            expected << QString(part).replace(u"%1"_s, folder).replace(u"%2"_s, output);
        QCOMPARE(QStringList { program } + arguments,
            expected.isEmpty() ? QStringList { QString() } : expected);
    }

    // A program that does not start is reported; an empty one leaves the preview to the
    // desktop.
    void previewProgramFallbacks()
    {
        app->XsltOutput = 2;
        app->XsltPreview = 1;
        prompts.AnswerProcess(false);
        prompts.AnswerMessage(Button::Ok);
        app->XsltPreviewProgram = u"no-such-viewer"_s;
        Trigger(ID_FILE_APPLY_LINKED_XSLT);
        QCOMPARE(prompts.CallsOf(Kind::MessageBox).at(0).text,
            u"The preview could not be started:\nno-such-viewer"_s);

        prompts.Clear();
        prompts.AnswerDesktop(true);
        app->XsltPreviewProgram.clear();
        Trigger(ID_FILE_APPLY_LINKED_XSLT);
        QCOMPARE(prompts.CallsOf(Kind::Desktop).size(), std::size_t(1));
    }
};

QTEST_MAIN(TestApplyXslt)
#include "tst_applyxslt.moc"
