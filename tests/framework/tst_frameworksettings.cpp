#include "AppSettings.h"
#include "RecentFileList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestFrameworkSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir configHome;

    QString FileText(AppSettings& settings)
    {
        settings.Sync();
        QFile file(settings.FileName());
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(file.readAll());
    }

    void WriteFileText(const QString& text)
    {
        QFile file(AppSettings::DefaultFileName());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    }

    void init() { QFile::remove(AppSettings::DefaultFileName()); }

    void fileLivesInTheConfigFolder()
    {
        QCOMPARE(AppSettings().FileName(),
            configHome.path() + QStringLiteral("/Korvane Limited/Trelvo.conf"));
    }

    void numbersAndFlagsAreStoredAsNumbers_data()
    {
        QTest::addColumn<bool>("isFlag");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("true") << true << 1 << QStringLiteral("ExpandOnLoad=1");
        QTest::newRow("false") << true << 0 << QStringLiteral("ExpandOnLoad=0");
        QTest::newRow("negative") << false << -1 << QStringLiteral("ExpandOnLoad=-1");
        QTest::newRow("large") << false << 2147483647 << QStringLiteral("ExpandOnLoad=2147483647");
    }

    void numbersAndFlagsAreStoredAsNumbers()
    {
        QFETCH(bool, isFlag);
        QFETCH(int, value);
        QFETCH(QString, line);
        const QString section = QStringLiteral("Settings");
        const QString entry = QStringLiteral("ExpandOnLoad");
        {
            AppSettings settings;
            if (isFlag)
                settings.WriteProfileBool(section, entry, value != 0);
            else
                settings.WriteProfileInt(section, entry, value);
            const QString text = FileText(settings);
            QVERIFY2(text.contains(QStringLiteral("[Settings]\n") + line), qPrintable(text));
        }
        AppSettings reread;
        QCOMPARE(reread.GetProfileInt(section, entry, 99), value);
        QCOMPARE(reread.GetProfileBool(section, entry, value == 0), value != 0);
    }

    void unreadableNumbersGiveTheDefault_data()
    {
        QTest::addColumn<QString>("fileText");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing") << QString() << 5;
        QTest::newRow("word") << QStringLiteral("[Settings]\nImageScale=abc\n") << 5;
        QTest::newRow("written as a flag") << QStringLiteral("[Settings]\nImageScale=true\n") << 5;
        QTest::newRow("empty") << QStringLiteral("[Settings]\nImageScale=\n") << 5;
        QTest::newRow("number") << QStringLiteral("[Settings]\nImageScale=2\n") << 2;
        QTest::newRow("other section") << QStringLiteral("[Layout]\nImageScale=2\n") << 5;
    }

    void unreadableNumbersGiveTheDefault()
    {
        QFETCH(QString, fileText);
        WriteFileText(fileText);
        AppSettings settings;
        QTEST(settings.GetProfileInt(QStringLiteral("Settings"), QStringLiteral("ImageScale"), 5),
            "expected");
    }

    void backslashNamesSubsections_data()
    {
        QTest::addColumn<QString>("writtenAs");
        QTest::addColumn<QString>("readAs");
        QTest::newRow("same name")
            << QStringLiteral("Layout\\Bar1") << QStringLiteral("Layout\\Bar1");
        QTest::newRow("slash spelling")
            << QStringLiteral("Layout\\Bar1") << QStringLiteral("Layout/Bar1");
        QTest::newRow("trailing backslash")
            << QStringLiteral("Layout\\") << QStringLiteral("Layout");
    }

    void backslashNamesSubsections()
    {
        QFETCH(QString, writtenAs);
        QFETCH(QString, readAs);
        {
            AppSettings settings;
            settings.WriteProfileInt(writtenAs, QStringLiteral("Visible"), 1);
            settings.WriteProfileString(writtenAs, QStringLiteral("Name"), QStringLiteral("x"));
            QVERIFY2(FileText(settings).startsWith(QStringLiteral("[Layout]\n")),
                qPrintable(FileText(settings)));
        }
        AppSettings reread;
        QCOMPARE(reread.GetProfileInt(readAs, QStringLiteral("Visible"), 0), 1);
        QCOMPARE(reread.GetProfileString(readAs, QStringLiteral("Name")), QStringLiteral("x"));
        reread.RemoveSection(QStringLiteral("Layout"));
        QCOMPARE(reread.GetProfileInt(readAs, QStringLiteral("Visible"), 0), 0);
    }

    void textRoundTrips_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("path") << QStringLiteral("C:\\Program Files\\viewer.exe");
        QTest::newRow("commas") << QStringLiteral("a, b,c");
        QTest::newRow("quotes and equals") << QStringLiteral("x=\"1\"; y");
        QTest::newRow("non-ASCII") << QStringLiteral("Grüße \u00e9\u4e2d");
        QTest::newRow("number-like") << QStringLiteral("007");
    }

    void textRoundTrips()
    {
        QFETCH(QString, value);
        const QString section = QStringLiteral("Settings");
        const QString entry = QStringLiteral("XsltPreviewProgram");
        {
            AppSettings settings;
            settings.WriteProfileString(section, entry, value);
            settings.WriteProfileBinary(section, QStringLiteral("Blob"), value.toUtf8());
        }
        AppSettings reread;
        QCOMPARE(reread.GetProfileString(section, entry, QStringLiteral("default")), value);
        QCOMPARE(reread.GetProfileBinary(section, QStringLiteral("Blob")), value.toUtf8());
    }

    void recentFilesKeepOrderAndLimit_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        const auto paths = [](const char* names) {
            QStringList list;
            for (const QString& name : QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts))
                list << QStringLiteral("/f/") + name;
            return list;
        };
        QTest::newRow("newest first") << paths("a b c") << paths("c b a");
        QTest::newRow("four kept") << paths("a b c d e") << paths("e d c b");
        QTest::newRow("re-added moves to the top") << paths("a b c a") << paths("a c b");
        QTest::newRow("case matters") << paths("a.xml A.xml") << paths("A.xml a.xml");
        QTest::newRow("same file spelled differently")
            << QStringList { QStringLiteral("/f/a"), QStringLiteral("/f/./x/../a") } << paths("a");
    }

    void recentFilesKeepOrderAndLimit()
    {
        QFETCH(QStringList, added);
        RecentFileList list;
        for (const QString& path : added)
            list.Add(path);
        QTEST(list.Entries(), "expected");

        AppSettings settings;
        list.Save(settings);
        RecentFileList reloaded;
        reloaded.Load(settings);
        QCOMPARE(reloaded.Entries(), list.Entries());
        const QString text = FileText(settings);
        QVERIFY2(text.contains(QStringLiteral("File1=") + list.At(0)), qPrintable(text));
    }

    void recentFilesSaveDropsRemovedEntries()
    {
        RecentFileList list;
        for (const char* name : { "/f/a", "/f/b", "/f/c" })
            list.Add(QString::fromLatin1(name));
        AppSettings settings;
        list.Save(settings);
        list.Remove(0);
        list.Save(settings);
        RecentFileList reloaded;
        reloaded.Load(settings);
        QCOMPARE(
            reloaded.Entries(), (QStringList { QStringLiteral("/f/b"), QStringLiteral("/f/a") }));
        QVERIFY(!FileText(settings).contains(QStringLiteral("File3")));
    }

    void recentFileDisplayNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("display");
        QTest::newRow("in the current folder")
            << QStringLiteral("/work/doc.xml") << QStringLiteral("doc.xml");
        QTest::newRow("short path")
            << QStringLiteral("/tmp/doc.xml") << QStringLiteral("/tmp/doc.xml");
        QTest::newRow("long path shortened")
            << QStringLiteral("/home/someone/projects/customer/orders/2024/doc.xml")
            << QStringLiteral("/.../orders/2024/doc.xml");
        QTest::newRow("long name kept whole")
            << QStringLiteral("/a/b/an-extremely-long-file-name-for-a-menu.xml")
            << QStringLiteral("/.../an-extremely-long-file-name-for-a-menu.xml");
    }

    void recentFileDisplayNames()
    {
        QFETCH(QString, path);
        QTEST(RecentFileList::DisplayName(path, QStringLiteral("/work"), 30), "display");
    }

    void recentFileMenuTextEscapesAmpersands()
    {
        RecentFileList list;
        list.Add(QDir::current().filePath(QStringLiteral("R&D.xml")));
        QCOMPARE(list.MenuText(0), QStringLiteral("&1 R&&D.xml"));
    }
};

QTEST_GUILESS_MAIN(TestFrameworkSettings)
#include "tst_frameworksettings.moc"
