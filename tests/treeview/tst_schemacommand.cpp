#include "ScriptedPrompts.h"
#include "TreeTestSupport.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;

namespace {

// r holds any number of b, each empty.
const QString Schema = u"<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                       "<xs:element name='r'><xs:complexType><xs:sequence>"
                       "<xs:element name='b' minOccurs='0' maxOccurs='unbounded'>"
                       "<xs:complexType/></xs:element>"
                       "</xs:sequence></xs:complexType></xs:element></xs:schema>"_s;

} // namespace

// Validate Schema from the tree view: the schema asked for, the result box and the selection.
class SchemaCommandTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        Prompts::SetInstance(&prompts);
        doc = std::make_unique<TrelvoDoc>();
        view = std::make_unique<TrelvoView>();
        doc->AddView(view.get());
    }
    void cleanup()
    {
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
        prompts.Clear();
        view.reset();
        doc.reset();
        Prompts::SetInstance(nullptr);
    }

    void validate_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("schema"); // empty: the dialog is cancelled
        QTest::addColumn<QString>("message"); // its first line, up to the reason
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("selected"); // the selected item's label afterwards
        QTest::addColumn<int>("lines"); // of the message
        const int information = int(Prompts::Icon::Information);
        QTest::newRow("cancelled") << u"<r/>"_s << QString() << QString() << 0 << QString() << 0;
        QTest::newRow("valid") << u"<r><b/></r>"_s << Schema << u"The document is valid."_s
                               << information << QString() << 1;
        QTest::newRow("invalid") << u"<r>\n<b/>\n<b>t</b>\n<c/>\n</r>"_s << Schema
                                 << u"Line 3, /r/b[2]: Element"_s << information << u"b"_s << 2;
        QTest::newRow("not a schema") << u"<r/>"_s << u"<r/>"_s << u"The schema "_s
                                      << int(Prompts::Icon::Warning) << QString() << 3;
    }
    void validate()
    {
        QFETCH(QString, xml);
        QFETCH(QString, schema);
        QFETCH(QString, message);
        QFETCH(int, icon);
        QFETCH(QString, selected);
        QFETCH(int, lines);
        Open(xml);
        prompts.AnswerOpenFileName(schema.isEmpty() ? QString() : Write(schema));
        if (!message.isEmpty())
            prompts.AnswerMessage(Prompts::Button::Ok);
        QVERIFY(view->OnCommand(ID_VALIDATE_SCHEMA));
        const auto asked = prompts.CallsOf(Kind::OpenFile);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].caption, u"Locate the XML Schema"_s);
        const auto boxes = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(boxes.size(), size_t(message.isEmpty() ? 0 : 1));
        if (!boxes.empty()) {
            QVERIFY2(boxes[0].text.startsWith(message), qPrintable(boxes[0].text));
            QCOMPARE(boxes[0].caption, u"Validate Schema"_s);
            QCOMPARE(int(boxes[0].icon), icon);
            QCOMPARE(boxes[0].text.split(u'\n').size(), lines);
        }
        if (!selected.isEmpty()) {
            const QModelIndex item = view->SelectedItem();
            QCOMPARE(item.data(TreeModel::LabelRole).toString(), selected);
            QCOMPARE(item.row(), 1);
        }
    }

    void firstTwentyErrors()
    {
        QString xml = u"<r>"_s;
        for (int i = 0; i < 25; ++i)
            xml += u"\n<b>t</b>"_s;
        Open(xml + u"</r>"_s);
        prompts.AnswerOpenFileName(Write(Schema));
        prompts.AnswerMessage(Prompts::Button::Ok);
        view->OnCommand(ID_VALIDATE_SCHEMA);
        const QStringList lines = prompts.CallsOf(Kind::MessageBox).at(0).text.split(u'\n');
        QCOMPARE(lines.size(), 21);
        QVERIFY2(lines[0].startsWith(u"Line 2, /r/b[1]: "_s), qPrintable(lines[0]));
        QCOMPARE(lines[20], u"(25 errors in all)"_s);
    }

    void disabledWithoutRootElement()
    {
        CommandState state;
        QVERIFY(view->OnUpdateCommand(ID_VALIDATE_SCHEMA, state));
        QVERIFY(!state.enabled);
        Open(u"<r/>"_s);
        QVERIFY(view->OnUpdateCommand(ID_VALIDATE_SCHEMA, state));
        QVERIFY(state.enabled);
    }

private:
    void Open(const QString& xml)
    {
        doc->dom = LoadXml(xml);
        doc->SendInitialUpdate();
    }
    QString Write(const QString& text)
    {
        QFile file(dir.filePath(u"s.xsd"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            qWarning("cannot write the schema");
        return file.fileName();
    }

    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<TrelvoView> view;
};

QTEST_MAIN(SchemaCommandTest)
#include "tst_schemacommand.moc"
