#include "SourceView.h"
#include "TextPane.h"
#include "TrelvoDoc.h"

#include <QClipboard>
#include <QMainWindow>
#include <QShortcut>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

class SourceViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void modes_data();
    void modes();
    void noSelectionIsEmpty();
    void settingsReadAtEachRefresh();
    void hiddenPaneSkipsWork();
    void documentItemStartsAtColumnZero();
    void setupGivesBackgroundAndFont();
    void keysBeatWindowShortcuts();
    void focusSelectsAll_data();
    void focusSelectsAll();
    void coloursReadOnBackground();
    void markupColouredInAnyPalette();

private:
    void Load(const QString& xml);

    UserSettings settings;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<QMainWindow> window;
    SourceView* view = nullptr;
};

void SourceViewTest::init()
{
    settings = UserSettings();
    doc = std::make_unique<TrelvoDoc>();
    window = std::make_unique<QMainWindow>();
    view = new SourceView(window.get());
    view->SetSettings(&settings);
    view->SetupSourceEdit();
    window->setCentralWidget(view);
    doc->AddView(view);
    window->resize(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void SourceViewTest::cleanup()
{
    window.reset();
    doc.reset();
}

void SourceViewTest::Load(const QString& xml)
{
    doc->dom = DomDocument::Create();
    QVERIFY(!Failed(doc->dom.loadXML(xml)));
    doc->SelectedNode = doc->dom.documentElement();
}

// The multi-line text run is flattened in the formatted modes: its line break (CR LF) and tab
// become spaces and its ends are trimmed.
void SourceViewTest::modes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("spaces");
    QTest::addColumn<QString>("text");
    // The DOM's own serialisation writes CR LF line breaks and adds no indentation.
    QTest::newRow("raw keeps the text as it is")
        << 0 << 4 << u"<a><b x=\"1\">one\r\n\ttwo  </b><c/></a>"_s;
    QTest::newRow("tabs") << 1 << 4 << u"<a>\r\n\t<b x=\"1\">one   two</b>\r\n\t<c/>\r\n</a>\r\n"_s;
    QTest::newRow("spaces") << 2 << 3
                            << u"<a>\r\n   <b x=\"1\">one   two</b>\r\n   <c/>\r\n</a>\r\n"_s;
    QTest::newRow("zero spaces is a tab")
        << 2 << 0 << u"<a>\r\n\t<b x=\"1\">one   two</b>\r\n\t<c/>\r\n</a>\r\n"_s;
    QTest::newRow("negative spaces indent nothing")
        << 2 << -1 << u"<a>\r\n<b x=\"1\">one   two</b>\r\n<c/>\r\n</a>\r\n"_s;
    QTest::newRow("other format values use spaces")
        << 7 << 2 << u"<a>\r\n  <b x=\"1\">one   two</b>\r\n  <c/>\r\n</a>\r\n"_s;
}

void SourceViewTest::modes()
{
    QFETCH(int, format);
    QFETCH(int, spaces);
    QFETCH(QString, text);
    settings.XmlSourceFormat = format;
    settings.XmlSourceFormatSpaces = spaces;
    Load(u"<a>\n\t<b x=\"1\">one\n\ttwo  </b><c/></a>"_s);
    view->RefreshSource();
    QCOMPARE(view->Text(), text);
}

void SourceViewTest::noSelectionIsEmpty()
{
    Load(u"<a/>"_s);
    view->RefreshSource();
    QVERIFY(!view->Text().isEmpty());
    doc->SelectedNode = DomNode();
    view->RefreshSource();
    QCOMPARE(view->Text(), QString());
}

void SourceViewTest::settingsReadAtEachRefresh()
{
    Load(u"<a><b/></a>"_s);
    view->RefreshSource();
    QCOMPARE(view->Text(), u"<a>\r\n\t<b/>\r\n</a>\r\n"_s);
    settings.XmlSourceFormat = 0;
    QCOMPARE(view->Text(), u"<a>\r\n\t<b/>\r\n</a>\r\n"_s);
    view->RefreshSource();
    QCOMPARE(view->Text(), u"<a><b/></a>"_s);
}

void SourceViewTest::hiddenPaneSkipsWork()
{
    Load(u"<a><b/></a>"_s);
    view->RefreshSource();
    view->hide();
    doc->SelectedNode = doc->dom.documentElement().firstChild();
    view->RefreshSource();
    QCOMPARE(view->Text(), u"<a>\r\n\t<b/>\r\n</a>\r\n"_s);
    view->show();
    view->RefreshSource();
    QCOMPARE(view->Text(), u"<b/>\r\n"_s);
}

void SourceViewTest::documentItemStartsAtColumnZero()
{
    Load(u"<?xml version=\"1.0\"?>\n<!--c-->\n<a><b/></a>"_s);
    doc->SelectedNode = doc->dom.documentNode();
    view->RefreshSource();
    const QStringList lines = view->Text().split(u"\r\n"_s, Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 4);
    QVERIFY(lines.at(0).startsWith(u"<?xml"_s));
    QCOMPARE(lines.at(1), u"<!--c-->"_s);
    QCOMPARE(lines.at(2), u"<a>"_s);
    QCOMPARE(lines.last(), u"</a>"_s);
}

void SourceViewTest::setupGivesBackgroundAndFont()
{
    TextPane* edit = view->Edit();
    QCOMPARE(edit->palette().color(QPalette::Base), QColor(255, 255, 220));
    QCOMPARE(edit->font().pointSize(), 9);
    QVERIFY(QFontInfo(edit->font()).fixedPitch());
    // The text fills the pane.
    QCOMPARE(edit->geometry(), view->GetForm()->rect());
    const QImage shot = edit->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() - 2, shot.height() - 2), QColor(255, 255, 220));
}

void SourceViewTest::keysBeatWindowShortcuts()
{
    int windowCopies = 0;
    int windowSelects = 0;
    auto* copy = new QShortcut(QKeySequence::Copy, window.get());
    connect(copy, &QShortcut::activated, this, [&] { ++windowCopies; });
    auto* select = new QShortcut(QKeySequence::SelectAll, window.get());
    connect(select, &QShortcut::activated, this, [&] { ++windowSelects; });
    Load(u"<a><b/></a>"_s);
    view->RefreshSource();
    TextPane* edit = view->Edit();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->SetSelection(0, 0);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(edit->SelectedText(), view->Text());
    edit->SetSelection(0, 3);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), u"<a>"_s);
    QCOMPARE(windowCopies, 0);
    QCOMPARE(windowSelects, 0);
}

void SourceViewTest::focusSelectsAll_data()
{
    QTest::addColumn<bool>("click");
    QTest::newRow("tabbing in") << false;
    QTest::newRow("clicking in") << true;
}

// However the pane gets the focus, it starts with everything selected; once it has the focus,
// a click places the caret as usual.
void SourceViewTest::focusSelectsAll()
{
    QFETCH(bool, click);
    Load(u"<a><b/><c>some text</c></a>"_s);
    view->RefreshSource();
    TextPane* edit = view->Edit();
    QVERIFY(!edit->hasFocus());
    QCOMPARE(edit->SelectedText(), QString());
    const QPoint inText(20, 5);
    if (click)
        QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, inText);
    else
        edit->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QCOMPARE(edit->SelectionStart(), 0);
    QCOMPARE(edit->SelectionEnd(), view->Text().size());

    QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, inText);
    QCOMPARE(edit->SelectedText(), QString());
}

namespace {

// Relative luminance as the web's accessibility guidelines define it.
double Luminance(QRgb rgb)
{
    auto linear
        = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor colour = QColor::fromRgb(rgb);
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

bool Shows(const QImage& image, QRgb rgb)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF))
                return true;
        }
    }
    return false;
}

} // namespace

void SourceViewTest::coloursReadOnBackground()
{
    std::vector<QRgb> colours(SourceView::KindColors.begin(), SourceView::KindColors.end());
    colours.push_back(SourceView::TextColor);
    const double background = Luminance(SourceView::BackgroundColor);
    for (const QRgb colour : colours) {
        const double contrast = (background + 0.05) / (Luminance(colour) + 0.05);
        QVERIFY2(contrast >= 4.5, qPrintable(QColor::fromRgb(colour).name()));
    }
}

// A dark desktop palette brings light text: the pane keeps its own. Selected text is drawn in
// the selection's colours, not in its markup's.
void SourceViewTest::markupColouredInAnyPalette()
{
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::white);
    QApplication::setPalette(dark);
    settings.XmlSourceFormat = 0;
    Load(u"<aaaa><!--cccc-->tttt</aaaa>"_s);
    view->RefreshSource();
    auto kind = [](XmlLexer::Kind kind) { return SourceView::KindColors[int(kind)]; };
    const QImage shot = view->Edit()->viewport()->grab().toImage();
    view->Edit()->SelectAll();
    const QImage selected = view->Edit()->viewport()->grab().toImage();
    QApplication::setPalette(original);
    QVERIFY(Shows(shot, SourceView::BackgroundColor));
    QVERIFY(Shows(shot, SourceView::TextColor));
    QVERIFY(Shows(shot, kind(XmlLexer::Kind::ElementName)));
    QVERIFY(Shows(shot, kind(XmlLexer::Kind::Comment)));
    QVERIFY(!Shows(shot, QColor(Qt::white).rgb()));
    QVERIFY(!Shows(selected, kind(XmlLexer::Kind::Comment)));
    QVERIFY(Shows(selected, view->Edit()->palette().color(QPalette::HighlightedText).rgb()));
}

QTEST_MAIN(SourceViewTest)
#include "tst_sourceview.moc"
