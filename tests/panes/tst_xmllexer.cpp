#include "XmlLineStates.h"

#include <QStringList>
#include <QtTest>

using namespace Qt::StringLiterals;

class XmlLexerTest : public QObject {
    Q_OBJECT

private slots:
    void spans_data();
    void spans();
    void checkpointsGiveWhatTheTopGives();
};

namespace {

// One letter per character: the kind of its span, or '.' for plain text.
QString Mask(const QString& line, const std::vector<XmlLexer::Span>& spans)
{
    QString mask(line.size(), u'.');
    for (const XmlLexer::Span& span : spans)
        mask.replace(span.start, span.length,
            QString(span.length, QChar(u"meavcdprt"[static_cast<int>(span.kind)])));
    return mask;
}

} // namespace

void XmlLexerTest::spans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mask");
    QTest::newRow("tag, values, references")
        << u"<a x=\"1\" y='&lt;2'>t&amp;u</a>"_s << u"memamvvvmamvrrrrvvm.rrrrr.mmem"_s;
    QTest::newRow("empty element, prefixed names")
        << u"<p:a p:x = \"\"/>"_s << u"meeemaaammmvvmm"_s;
    QTest::newRow("incomplete references stay plain")
        << u"a & b &c d&#169;"_s << u"..........rrrrrr"_s;
    QTest::newRow("tag over lines") << u"<a\n  x=\"1\"\n/>"_s << u"me\nmmamvvv\nmm"_s;
    QTest::newRow("value over lines, quote kept")
        << u"<a x=\"it's\n>no\" y='\"'>"_s << u"memamvvvvv\nvvvvmamvvvm"_s;
    QTest::newRow("comment over lines") << u"<!-- <a>\n-- -->x<b>"_s << u"cccccccc\ncccccc.mem"_s;
    QTest::newRow("cdata over lines") << u"<![CDATA[<a>\n]]>&lt;"_s << u"dddddddddddd\ndddrrrr"_s;
    QTest::newRow("processing instructions")
        << u"<?xml version=\"1.0\"?>\n<?pi\nx?><a>"_s << u"ppppppppppppppppppppp\npppp\npppmem"_s;
    QTest::newRow("document type with subset")
        << u"<!DOCTYPE a [\n<!ENTITY e \"]>\">\n<!-- ]> -->\n<?pi ]>?>]>\n<a>&e;</a>"_s
        << u"ttttttttttttt\ntttttttttttttttt\nccccccccccc\nppppppppptt\nmemrrrmmem"_s;
    QTest::newRow("external identifier with a '>' in it")
        << u"<!DOCTYPE a SYSTEM 'a>b'><a/>"_s << u"tttttttttttttttttttttttttmemm"_s;
}

void XmlLexerTest::spans()
{
    QFETCH(QString, text);
    QFETCH(QString, mask);
    const QStringList lines = text.split(u'\n');
    XmlLineStates states([&](qsizetype line) { return QStringView(lines.at(line)); });
    QStringList masks;
    for (qsizetype line = 0; line < lines.size(); ++line)
        masks << Mask(lines.at(line), states.Spans(line));
    QCOMPARE(masks.join(u'\n'), mask);
}

// A line asked for out of order is lexed from the nearest checkpoint, and must be coloured as a
// pass from the first line colours it. The blocks of constructs over lines are 7 lines long, so
// checkpoints fall inside each of them; the second text replaces the first in the same object.
void XmlLexerTest::checkpointsGiveWhatTheTopGives()
{
    const QStringList blocks[] = {
        { u"<r a=\"1>"_s, u"2\" b='x\""_s, u"y'>t<!-- c"_s, u"-->"_s, u"<![CDATA[d"_s, u"]]><?p"_s,
            u"?></r>"_s },
        { u"<!--"_s, u"<a>"_s, u"-->"_s, u"<q"_s, u"w=\"&amp;"_s, u"\">"_s, u"</q>"_s },
    };
    QStringList lines;
    XmlLineStates states([&](qsizetype line) { return QStringView(lines.at(line)); });
    for (const QStringList& block : blocks) {
        lines.clear();
        for (int i = 0; i < 450; ++i)
            lines << block;
        states.Clear();
        std::vector<std::vector<XmlLexer::Span>> fromTop(lines.size());
        XmlLexer::State state = XmlLexer::State::Text;
        for (qsizetype line = 0; line < lines.size(); ++line)
            state = XmlLexer::Lex(lines.at(line), state, &fromTop[line]);

        // Only what was asked for is worked out: lines 0 to 600 give checkpoints at 0, 256, 512.
        states.Spans(600);
        QCOMPARE(states.CheckpointCount(), 3);
        for (qsizetype line = lines.size() - 1; line >= 0; line -= 5)
            QVERIFY2(states.Spans(line) == fromTop[line], qPrintable(lines.at(line)));
        const QString line = lines.at(1000);
        QCOMPARE(Mask(line.left(3), states.Spans(1000, 3)), Mask(line, fromTop[1000]).left(3));
    }
}

QTEST_GUILESS_MAIN(XmlLexerTest)
#include "tst_xmllexer.moc"
