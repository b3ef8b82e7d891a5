#include "Document.h"
#include "FrameworkIds.h"
#include "RecentFileList.h"
#include "ScriptedPrompts.h"
#include "TickCount.h"
#include "View.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

using Kind = ScriptedPrompts::Kind;
Q_DECLARE_METATYPE(Prompts::Button)

namespace {
// A document whose writing succeeds or fails on demand and remembers where it wrote.
class SavingDocument : public Document {
public:
    bool saveSucceeds = true;
    QStringList savedTo;

    bool OnSaveDocument(const QString& path) override
    {
        savedTo << path;
        return saveSucceeds && Document::OnSaveDocument(path);
    }
};

class RecordingView : public View {
public:
    QList<long> hints;
    QList<View*> senders;

    void OnUpdate(View* sender, long hint) override
    {
        senders << sender;
        hints << hint;
    }
};
}

class TestFrameworkCore : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        prompts.Clear();
        Prompts::SetInstance(&prompts);
        document = std::make_unique<SavingDocument>();
        document->SetFileType(QStringLiteral("*.xml (*.xml)"), QStringLiteral(".xml"));
        document->SetRecentFileList(&recent);
    }

    void saveCheck_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<Prompts::Button>>("answers");
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<bool>("saveSucceeds");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QStringList>("savedTo");
        QTest::addColumn<bool>("modifiedAfter");

        using B = Prompts::Button;
        const QString path = QStringLiteral("/data/in.xml");
        QTest::newRow("not modified: no question")
            << false << path << QList<B> {} << QString() << true << true << QStringList() << false;
        QTest::newRow("Yes saves") << true << path << QList<B> { B::Yes } << QString() << true
                                   << true << QStringList { path } << false;
        QTest::newRow("No goes on without saving")
            << true << path << QList<B> { B::No } << QString() << true << true << QStringList()
            << true;
        QTest::newRow("Cancel stops") << true << path << QList<B> { B::Cancel } << QString() << true
                                      << false << QStringList() << true;
        QTest::newRow("Yes with a failing save stops")
            << true << path << QList<B> { B::Yes } << QString() << false << false
            << QStringList { path } << true;
        QTest::newRow("Yes without a path asks for one")
            << true << QString() << QList<B> { B::Yes } << QStringLiteral("/data/new") << true
            << true << QStringList { QStringLiteral("/data/new.xml") } << false;
        QTest::newRow("Yes without a path, dialog cancelled, stops")
            << true << QString() << QList<B> { B::Yes } << QString() << true << false
            << QStringList() << true;
    }

    void saveCheck()
    {
        QFETCH(bool, modified);
        QFETCH(QString, path);
        QFETCH(QList<Prompts::Button>, answers);
        QFETCH(QString, typedName);
        QFETCH(bool, saveSucceeds);
        document->SetPathName(path, false);
        document->SetModifiedFlag(modified);
        document->saveSucceeds = saveSucceeds;
        for (Prompts::Button answer : answers)
            prompts.AnswerMessage(answer);
        if (path.isEmpty() && !answers.isEmpty())
            prompts.AnswerSaveFileName(typedName);

        QTEST(document->SaveModified(), "goesOn");
        QTEST(document->savedTo, "savedTo");
        QTEST(document->IsModified(), "modifiedAfter");
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
        const auto questions = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(questions.size(), answers.size());
        if (!questions.empty()) {
            QCOMPARE(questions[0].buttons, Prompts::Buttons::YesNoCancel);
            QCOMPARE(questions[0].icon, Prompts::Icon::Question);
        }
    }

    void saveCheckNamesTheDocument_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("question");
        QTest::newRow("file name without its folder")
            << QStringLiteral("/home/u/My Data/list.xml") << QStringLiteral("Other")
            << QStringLiteral("Save changes to list.xml?");
        QTest::newRow("no path: the title")
            << QString() << QStringLiteral("Report") << QStringLiteral("Save changes to Report?");
        QTest::newRow("no path, no title: Untitled")
            << QString() << QString() << QStringLiteral("Save changes to Untitled?");
    }

    void saveCheckNamesTheDocument()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        document->SetPathName(path, false);
        document->SetTitle(title);
        document->SetModifiedFlag();
        prompts.AnswerMessage(Prompts::Button::Cancel);
        document->SaveModified();
        QCOMPARE(prompts.Calls().size(), size_t(1));
        QTEST(prompts.Calls()[0].text, "question");
    }

    void titleFollowsPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("absolute") << QStringLiteral("/a/b.c/name.xml")
                                  << QStringLiteral("name.xml");
        QTest::newRow("relative") << QStringLiteral("sub/x") << QStringLiteral("x");
        QTest::newRow("none") << QString() << QStringLiteral("Untitled");
    }

    void titleFollowsPath()
    {
        QFETCH(QString, path);
        document->SetPathName(QStringLiteral("/before/old.xml"));
        document->SetPathName(path);
        QTEST(document->GetTitle(), "title");
    }

    void newDocumentForgetsPath()
    {
        document->SetPathName(QStringLiteral("/a/old.xml"));
        document->SetModifiedFlag();
        QVERIFY(document->OnNewDocument());
        QCOMPARE(document->GetPathName(), QString());
        QCOMPARE(document->GetTitle(), QStringLiteral("Untitled"));
        QVERIFY(!document->IsModified());
    }

    void saveAsAppendsExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << QStringLiteral("/d/out") << QStringLiteral("/d/out.xml");
        QTest::newRow("dot only in a folder name")
            << QStringLiteral("/d.v2/out") << QStringLiteral("/d.v2/out.xml");
        QTest::newRow("own extension kept")
            << QStringLiteral("/d/out.txt") << QStringLiteral("/d/out.txt");
        QTest::newRow("default extension not doubled")
            << QStringLiteral("/d/out.xml") << QStringLiteral("/d/out.xml");
    }

    void saveAsAppendsExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        prompts.AnswerSaveFileName(typed);
        QVERIFY(document->OnCommand(ID_FILE_SAVE));

        QCOMPARE(document->savedTo, QStringList { saved });
        const auto dialog = prompts.CallsOf(Kind::SaveFile);
        QCOMPARE(dialog.size(), size_t(1));
        QCOMPARE(dialog[0].caption, QStringLiteral("Save As"));
        QCOMPARE(dialog[0].filter, QStringLiteral("*.xml (*.xml);;All Files (*)"));
        QCOMPARE(dialog[0].initialPath, QStringLiteral("Untitled.xml"));
        QCOMPARE(document->GetPathName(), saved);
        QCOMPARE(document->GetTitle(), QFileInfo(saved).fileName());
        QCOMPARE(recent.At(0), saved);
    }

    void saveAsAsksBeforeReplacing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Yes replaces the file") << int(Prompts::Button::Yes) << true;
        QTest::newRow("No keeps it") << int(Prompts::Button::No) << false;
    }

    // A name typed without its extension that turns into an existing file's name is only
    // written over when the user says so.
    void saveAsAsksBeforeReplacing()
    {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString existing = folder.filePath(QStringLiteral("out.xml"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        prompts.AnswerSaveFileName(folder.filePath(QStringLiteral("out")));
        prompts.AnswerMessage(Prompts::Button(answer));
        QCOMPARE(document->OnCommand(ID_FILE_SAVE), true);

        const auto asked = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].text,
            QDir::toNativeSeparators(existing)
                + QStringLiteral(" already exists.\nDo you want to replace it?"));
        QCOMPARE(document->savedTo, saved ? QStringList { existing } : QStringList());
        QCOMPARE(document->GetPathName(), saved ? existing : QString());
    }

    void saveCommands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("asks");
        QTest::newRow("Save writes an unmodified document in place") << ID_FILE_SAVE << false;
        QTest::newRow("Save As asks even with a path") << ID_FILE_SAVE_AS << true;
    }

    void saveCommands()
    {
        QFETCH(int, command);
        QFETCH(bool, asks);
        const QString path = QStringLiteral("/nowhere/doc.xml");
        document->SetPathName(path, false);
        if (asks)
            prompts.AnswerSaveFileName(QStringLiteral("/nowhere/copy.xml"));
        QVERIFY(document->OnCommand(command));
        QCOMPARE(prompts.CallsOf(Kind::SaveFile).size(), size_t(asks ? 1 : 0));
        if (asks)
            QCOMPARE(prompts.CallsOf(Kind::SaveFile)[0].initialPath, path);
        QCOMPARE(document->savedTo.size(), 1);
        QCOMPARE(document->GetPathName(), document->savedTo[0]);
    }

    void updateAllViewsSkipsSender_data()
    {
        QTest::addColumn<int>("sender");
        QTest::newRow("no sender") << -1;
        QTest::newRow("first view") << 0;
        QTest::newRow("last view") << 2;
    }

    void updateAllViewsSkipsSender()
    {
        QFETCH(int, sender);
        RecordingView views[3];
        for (RecordingView& view : views)
            document->AddView(&view);
        View* from = sender < 0 ? nullptr : &views[sender];
        document->UpdateAllViews(from, 7);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(views[i].hints, i == sender ? QList<long>() : QList<long> { 7 });
            if (i != sender)
                QCOMPARE(views[i].senders.first(), from);
        }
    }

    void viewsAndDocumentForgetEachOther()
    {
        auto view = std::make_unique<RecordingView>();
        RecordingView survivor;
        document->AddView(view.get());
        document->AddView(&survivor);
        view.reset();
        QCOMPARE(document->GetViews().size(), size_t(1));
        document->UpdateAllViews(nullptr, 1);
        document.reset();
        QCOMPARE(survivor.GetDocument(), nullptr);
    }

    void unansweredPromptsRefuse_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("message") << int(Kind::MessageBox);
        QTest::newRow("message answered with a button it lacks") << -1;
        QTest::newRow("open file") << int(Kind::OpenFile);
        QTest::newRow("desktop") << int(Kind::Desktop);
        QTest::newRow("process") << int(Kind::Process);
    }

    void unansweredPromptsRefuse()
    {
        QFETCH(int, kind);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^ScriptedPrompts")));
        switch (kind) {
        case -1:
            prompts.AnswerMessage(Prompts::Button::Yes);
            QCOMPARE(prompts.MessageBox(QStringLiteral("Note"), QString(), Prompts::Buttons::Ok,
                         Prompts::Icon::None),
                Prompts::Button::Cancel);
            break;
        case int(Kind::MessageBox):
            QCOMPARE(prompts.MessageBox(QStringLiteral("Sure?"), QString(), Prompts::Buttons::YesNo,
                         Prompts::Icon::Question),
                Prompts::Button::Cancel);
            break;
        case int(Kind::OpenFile):
            QCOMPARE(prompts.GetOpenFileName(QString(), QString(), QString()), QString());
            break;
        case int(Kind::Desktop):
            QVERIFY(!prompts.OpenWithDesktop(QStringLiteral("https://example.org/")));
            break;
        case int(Kind::Process):
            QVERIFY(!prompts.StartProcess(QStringLiteral("viewer"), {}));
            break;
        }
        QCOMPARE(prompts.UnansweredCount(), 1);
    }

    void tickCountCountsMilliseconds()
    {
        const quint32 start = TickCount();
        QThread::msleep(30);
        const quint32 elapsed = TickCount() - start;
        QVERIFY2(elapsed >= 30 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    }

private:
    ScriptedPrompts prompts;
    RecentFileList recent;
    std::unique_ptr<SavingDocument> document;
};

QTEST_GUILESS_MAIN(TestFrameworkCore)
#include "tst_frameworkcore.moc"
