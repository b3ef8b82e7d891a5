#include "TreeItems.h"
#include "TreeModel.h"
#include "TreeSearcher.h"
#include "TreeTestSupport.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Items in document order: Document, xml, r, a, b, "a book.", c.
const QString Sample = u"<?xml version='1.0'?><r><a k='e-book'><b/>a book.</a><c/></r>"_s;

struct Tree {
    explicit Tree(const QString& xml)
        : document(LoadXml(xml))
    {
        model.BuildBranch(document.documentNode(), QModelIndex(), TreeModel::Position::Last());
    }
    // The first item whose label is label, TreeItems::None for "".
    int Id(const QString& label) const
    {
        return label.isEmpty() ? TreeItems::None : model.IdOf(FindItem(model, label));
    }
    QString Label(int id) const
    {
        return id == TreeItems::None ? u"-"_s : model.Label(model.IndexOf(id));
    }
    DomDocument document;
    TreeModel model;
};

FindRequest Request(const QString& text, const QString& flags)
{
    FindRequest request;
    request.text = text;
    request.direction = flags.contains(u'^') ? 0 : 1;
    request.searchNames = flags.contains(u'n');
    request.searchValues = flags.contains(u'v');
    request.searchAttributes = flags.contains(u'a');
    request.matchCase = flags.contains(u'c');
    request.wholeWords = flags.contains(u'w');
    return request;
}

} // namespace

class TreeSearchTest : public QObject {
    Q_OBJECT

private slots:
    void containsText_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<bool>("found");
        QTest::newRow("word alone") << u"book"_s << u"book"_s << u"w"_s << true;
        QTest::newRow("blank before, period after") << u"a book."_s << u"book"_s << u"w"_s << true;
        QTest::newRow("comma, tab, line break") << u"x,book\t"_s << u"book"_s << u"w"_s << true;
        QTest::newRow("longer word") << u"books"_s << u"book"_s << u"w"_s << false;
        QTest::newRow("hyphen is no delimiter") << u"e-book"_s << u"book"_s << u"w"_s << false;
        QTest::newRow("quotes are no delimiters")
            << u"k=\"book\""_s << u"book"_s << u"w"_s << false;
        QTest::newRow("later occurrence is a word")
            << u"bookbook book"_s << u"book"_s << u"w"_s << true;
        QTest::newRow("inside a word without whole words")
            << u"e-books"_s << u"book"_s << u""_s << true;
        QTest::newRow("text longer than subject") << u"boo"_s << u"book"_s << u""_s << false;
        QTest::newRow("case ignored") << u"A BOOK"_s << u"book"_s << u"w"_s << true;
        QTest::newRow("case matched") << u"A BOOK"_s << u"book"_s << u"wc"_s << false;
        // Simple case folding: U+0130 and the dotless i fold to nothing else, in any locale.
        QTest::newRow("U+0130 is not i") << u"\u0130stanbul"_s << u"istanbul"_s << u""_s << false;
        QTest::newRow("U+0130 is itself")
            << u"\u0130stanbul"_s << u"\u0130STANBUL"_s << u""_s << true;
        QTest::newRow("dotless i is not I") << u"\u0131"_s << u"I"_s << u""_s << false;
        QTest::newRow("Kelvin sign is k") << u"\u212Aelvin"_s << u"kelvin"_s << u"w"_s << true;
    }

    void containsText()
    {
        QFETCH(QString, subject);
        QFETCH(QString, text);
        QFETCH(QString, flags);
        QFETCH(bool, found);
        QCOMPARE(
            TreeSearcher::ContainsText(subject, text, flags.contains(u'c'), flags.contains(u'w')),
            found);
    }

    void nextItem_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("down");
        QTest::addColumn<QString>("walk");
        QTest::newRow("down from Document")
            << u"Document"_s << true << u"xml version=\"1.0\"|r|a|b|a book.|c|-"_s;
        QTest::newRow("up from Document") << u"Document"_s << false << u"-"_s;
        QTest::newRow("up from the last item")
            << u"c"_s << false << u"a book.|b|a|r|xml version=\"1.0\"|Document|-"_s;
        QTest::newRow("down out of a branch") << u"a book."_s << true << u"c|-"_s;
    }

    // Every item is visited, expanded or not (the model here has no view at all).
    void nextItem()
    {
        QFETCH(QString, start);
        QFETCH(bool, down);
        QFETCH(QString, walk);
        const Tree tree(Sample);
        QStringList labels;
        int id = tree.Id(start);
        do {
            id = TreeSearcher::NextItem(tree.model.Items(), id, down);
            labels << tree.Label(id);
        } while (id != TreeItems::None);
        QCOMPARE(labels.join(u'|'), walk);
    }

    void search_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("showAttributes");
        QTest::addColumn<QString>("hit");
        QTest::newRow("nothing selected: Document only, also up")
            << u""_s << u"Document"_s << u"n^"_s << 0 << u"Document"_s;
        QTest::newRow("nothing selected, up: nothing else")
            << u""_s << u"r"_s << u"nw^"_s << 0 << u"-"_s;
        QTest::newRow("the selected item is not examined")
            << u"b"_s << u"b"_s << u"nw"_s << 0 << u"-"_s;
        QTest::newRow("whole word in a text")
            << u"Document"_s << u"book"_s << u"nw"_s << 0 << u"a book."_s;
        QTest::newRow("attribute value in the label")
            << u"Document"_s << u"e-book"_s << u"n"_s << 2 << u"a k=\"e-book\""_s;
        QTest::newRow("attribute value alone")
            << u"Document"_s << u"e-book"_s << u"a"_s << 0 << u"a"_s;
        QTest::newRow("attribute name alone") << u"Document"_s << u"k"_s << u"aw"_s << 0 << u"a"_s;
        QTest::newRow("element values find the element")
            << u"Document"_s << u"book"_s << u"vw"_s << 0 << u"a"_s;
        QTest::newRow("no flags find nothing") << u"Document"_s << u"a"_s << u"cw"_s << 0 << u"-"_s;
        QTest::newRow("text longer than the label shown")
            << u"Document"_s << u"c k"_s << u"n"_s << 0 << u"-"_s;
    }

    void search()
    {
        QFETCH(QString, selected);
        QFETCH(QString, text);
        QFETCH(QString, flags);
        QFETCH(int, showAttributes);
        QFETCH(QString, hit);
        Tree tree(Sample);
        tree.model.SetAttributeMode(showAttributes);
        TreeSearcher searcher(tree.model.Items(), Request(text, flags), showAttributes);
        QCOMPARE(tree.Label(searcher.Search(tree.Id(selected))), hit);
    }
};

QTEST_GUILESS_MAIN(TreeSearchTest)
#include "tst_treesearch.moc"
