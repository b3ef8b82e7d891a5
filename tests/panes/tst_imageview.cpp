#include "ImageGeometry.h"
#include "ImageView.h"
#include "ImageViewIds.h"
#include "ScriptedPrompts.h"
#include "TrelvoDoc.h"

#include <QBuffer>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QtTest>

#include <memory>

static QString PngText(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return QString::fromLatin1(bytes.toBase64());
}

class ImageViewTest : public QObject {
    Q_OBJECT

private slots:
    void pictureRect_data();
    void pictureRect();
    void needsScrollBars_data();
    void needsScrollBars();
    void scrollTo_data();
    void scrollTo();

    void init();
    void cleanup();
    void fitDrawsCentred();
    void stretchAndRealSize_data();
    void stretchAndRealSize();
    void elementShowsNoPreview();
    void textNodeShowsNaturalSize();
    void scrollBarsFollowPaneSize();
    void scrollPositionMovesPicture();
    void hiddenPaneSkipsWork();
    void noSelectionKeepsPicture();
    void scaleCommandsAndChecks();
    void contextMenuSetsScale();

private:
    // Loads a document whose root holds a picture of size as base64 and selects the text node.
    void SelectPicture(QSize size, QColor color = Qt::red);
    QImage Grab() const { return view->GetForm()->grab().toImage(); }

    ScriptedPrompts prompts;
    UserSettings settings;
    int& scale = settings.ImageScale;
    std::unique_ptr<TrelvoDoc> doc;
    std::unique_ptr<ImageView> view;
};

void ImageViewTest::pictureRect_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("client");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QRect>("expected");
    const QRect square(0, 0, 100, 100);
    QTest::newRow("fit wide") << QSize(200, 100) << square << 1 << QRect(0, 25, 100, 50);
    QTest::newRow("fit tall") << QSize(100, 200) << square << 1 << QRect(25, 0, 50, 100);
    QTest::newRow("fit small grows")
        << QSize(10, 10) << QRect(0, 0, 40, 20) << 1 << QRect(10, 0, 20, 20);
    QTest::newRow("fit width truncates")
        << QSize(3, 1) << QRect(0, 0, 100, 10) << 1 << QRect(35, 0, 30, 10);
    QTest::newRow("fit centre truncates")
        << QSize(100, 100) << QRect(0, 0, 101, 50) << 1 << QRect(25, 0, 50, 50);
    // W / H is 0.75 as a double; an integer division would give 0 and the other branch.
    QTest::newRow("fit ratio in double")
        << QSize(1, 2) << QRect(0, 0, 3, 4) << 1 << QRect(0, 0, 2, 4);
    QTest::newRow("fit empty pane")
        << QSize(30, 20) << QRect(0, 0, 0, 50) << 1 << QRect(0, 0, 30, 20);
    QTest::newRow("real size") << QSize(200, 100) << square << 0 << QRect(0, 0, 200, 100);
    QTest::newRow("unknown is real size")
        << QSize(200, 100) << square << 7 << QRect(0, 0, 200, 100);
    QTest::newRow("stretch") << QSize(200, 100) << QRect(0, 0, 90, 40) << 2 << QRect(0, 0, 90, 40);
}

void ImageViewTest::pictureRect()
{
    QFETCH(QSize, picture);
    QFETCH(QRect, client);
    QFETCH(int, scale);
    QFETCH(QRect, expected);
    QCOMPARE(PictureRect(picture, client, scale), expected);
}

void ImageViewTest::needsScrollBars_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("needed");
    QTest::newRow("fits") << QSize(50, 50) << QSize(51, 51) << 0 << false;
    QTest::newRow("equal width") << QSize(51, 10) << QSize(51, 51) << 0 << true;
    QTest::newRow("too tall") << QSize(10, 80) << QSize(51, 51) << 0 << true;
    QTest::newRow("fit never") << QSize(500, 500) << QSize(51, 51) << 1 << false;
    QTest::newRow("stretch never") << QSize(500, 500) << QSize(51, 51) << 2 << false;
    QTest::newRow("unknown scale") << QSize(500, 500) << QSize(51, 51) << 3 << true;
}

void ImageViewTest::needsScrollBars()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, available);
    QFETCH(int, scale);
    QFETCH(bool, needed);
    QCOMPARE(NeedsScrollBars(picture, available, scale), needed);
}

void ImageViewTest::scrollTo_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("thumb");
    QTest::addColumn<int>("expected");
    // Range 0 … 300 with a page of 100: the highest position is 201.
    QTest::newRow("line back") << int(ScrollRequest::LineBack) << 5 << 0 << 4;
    QTest::newRow("line back at 0") << int(ScrollRequest::LineBack) << 0 << 0 << 0;
    QTest::newRow("line forward") << int(ScrollRequest::LineForward) << 5 << 0 << 6;
    QTest::newRow("line forward at end") << int(ScrollRequest::LineForward) << 201 << 0 << 201;
    QTest::newRow("page back") << int(ScrollRequest::PageBack) << 150 << 0 << 50;
    QTest::newRow("page back clamps") << int(ScrollRequest::PageBack) << 30 << 0 << 0;
    QTest::newRow("page forward") << int(ScrollRequest::PageForward) << 50 << 0 << 150;
    QTest::newRow("page forward clamps") << int(ScrollRequest::PageForward) << 150 << 0 << 201;
    QTest::newRow("thumb") << int(ScrollRequest::Thumb) << 10 << 77 << 77;
    QTest::newRow("start") << int(ScrollRequest::Start) << 120 << 0 << 0;
    QTest::newRow("end") << int(ScrollRequest::End) << 3 << 0 << 201;
    QTest::newRow("done") << int(ScrollRequest::Done) << 42 << 0 << 42;
}

void ImageViewTest::scrollTo()
{
    QFETCH(int, request);
    QFETCH(int, position);
    QFETCH(int, thumb);
    QFETCH(int, expected);
    QCOMPARE(ScrollTo(ScrollRequest(request), position, 300, 100, thumb), expected);
}

void ImageViewTest::init()
{
    Prompts::SetInstance(&prompts);
    scale = 0;
    doc = std::make_unique<TrelvoDoc>();
    view = std::make_unique<ImageView>();
    view->SetSettings(&settings);
    doc->AddView(view.get());
    view->resize(100, 100);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
}

void ImageViewTest::cleanup()
{
    QCOMPARE(prompts.UnansweredCount(), 0);
    QCOMPARE(prompts.PendingAnswers(), 0);
    prompts.Clear();
    view.reset();
    doc.reset();
    Prompts::SetInstance(nullptr);
}

void ImageViewTest::SelectPicture(QSize size, QColor color)
{
    doc->dom = DomDocument::Create();
    QVERIFY(!Failed(
        doc->dom.loadXML(QStringLiteral("<image>\n\t%1\n</image>").arg(PngText(size, color)))));
    doc->SelectedNode = doc->dom.documentElement().firstChild();
    view->RefreshImage();
}

void ImageViewTest::fitDrawsCentred()
{
    scale = ScaleFit;
    SelectPicture(QSize(200, 100));
    QCOMPARE(view->GetForm()->size(), QSize(100, 100));
    QCOMPARE(view->DrawnRect(), QRect(0, 25, 100, 50));
    const QImage shot = Grab();
    QCOMPARE(shot.pixelColor(50, 20), view->GetForm()->palette().color(QPalette::Base));
    QCOMPARE(shot.pixelColor(50, 30), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(50, 74), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(50, 80), view->GetForm()->palette().color(QPalette::Base));
    QVERIFY(!view->HorizontalBar()->isVisible());
}

void ImageViewTest::stretchAndRealSize_data()
{
    QTest::addColumn<int>("scaleValue");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("real size") << ScaleRealSize << QRect(0, 0, 30, 20);
    QTest::newRow("stretch") << ScaleStretch << QRect(0, 0, 100, 100);
}

void ImageViewTest::stretchAndRealSize()
{
    QFETCH(int, scaleValue);
    QFETCH(QRect, expected);
    scale = scaleValue;
    SelectPicture(QSize(30, 20));
    QCOMPARE(view->DrawnRect(), expected);
    const QImage shot = Grab();
    QCOMPARE(shot.pixelColor(expected.right(), expected.bottom()), QColor(Qt::red));
    if (scaleValue == ScaleRealSize)
        QCOMPARE(shot.pixelColor(40, 40), view->GetForm()->palette().color(QPalette::Base));
}

void ImageViewTest::elementShowsNoPreview()
{
    SelectPicture(QSize(30, 20));
    QVERIFY(view->HasPicture());
    doc->SelectedNode = doc->dom.documentElement();
    view->RefreshImage();
    QVERIFY(!view->HasPicture());
    // "No preview" is drawn in black around the middle, and nothing in the corners.
    const QImage shot = Grab();
    int dark = 0;
    for (int y = 35; y < 65; ++y)
        for (int x = 0; x < 100; ++x)
            dark += qGray(shot.pixel(x, y)) < 100;
    QVERIFY(dark > 20);
    QVERIFY(qGray(shot.pixel(2, 2)) > 200);
}

void ImageViewTest::textNodeShowsNaturalSize()
{
    SelectPicture(QSize(37, 23));
    QCOMPARE(view->PictureSize(), QSize(37, 23));
}

void ImageViewTest::scrollBarsFollowPaneSize()
{
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view.get());
    // Just under the area beside both bars: no bars.
    SelectPicture(QSize(100 - extent - 1, 10));
    QVERIFY(!view->HorizontalBar()->isVisible());
    QVERIFY(!view->VerticalBar()->isVisible());
    // One pixel narrower pane: the picture no longer fits across, and both bars appear.
    view->resize(99, 100);
    QTRY_VERIFY(view->HorizontalBar()->isVisible());
    QVERIFY(view->VerticalBar()->isVisible());
    QCOMPARE(view->HorizontalBar()->pageStep(), 99 - extent);
    QCOMPARE(view->HorizontalBar()->maximum(), ScrollLimit(100 - extent - 1, 99 - extent));
    QCOMPARE(view->VerticalBar()->maximum(), 0);
    // Once shown, the bars take their own room too: back at the first size the picture still
    // does not fit beside them, so they stay, with the page measured without them.
    view->resize(100, 100);
    QTRY_COMPARE(view->HorizontalBar()->pageStep(), 100 - 2 * extent);
    QVERIFY(view->HorizontalBar()->isVisible());
    QVERIFY(view->VerticalBar()->isVisible());
    // A bar's width larger, and it fits again.
    view->resize(100 + extent, 100);
    QTRY_VERIFY(!view->HorizontalBar()->isVisible());
    QVERIFY(!view->VerticalBar()->isVisible());
    view->resize(99, 100);
    QTRY_VERIFY(view->HorizontalBar()->isVisible());
    view->OnCommand(ID_SCALE_FIT);
    QVERIFY(!view->HorizontalBar()->isVisible());
    QVERIFY(!view->VerticalBar()->isVisible());
}

void ImageViewTest::scrollPositionMovesPicture()
{
    SelectPicture(QSize(300, 200));
    QVERIFY(view->HorizontalBar()->isVisible());
    view->HorizontalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    view->VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const int page = view->HorizontalBar()->pageStep();
    QCOMPARE(view->DrawnRect(), QRect(-page, -1, 300, 200));
    view->HorizontalBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(view->HorizontalBar()->value(), 300 - page + 1);
    // Fit hides the bars, and a hidden bar moves nothing: 100 × 66 centred in 100 × 100.
    view->OnCommand(ID_SCALE_FIT);
    QCOMPARE(view->DrawnRect(), QRect(0, 17, 100, 66));
}

void ImageViewTest::hiddenPaneSkipsWork()
{
    view->hide();
    SelectPicture(QSize(30, 20));
    QVERIFY(!view->HasPicture());
    view->show();
    view->RefreshImage();
    QCOMPARE(view->PictureSize(), QSize(30, 20));
}

void ImageViewTest::noSelectionKeepsPicture()
{
    SelectPicture(QSize(30, 20));
    doc->SelectedNode = DomNode();
    view->RefreshImage();
    QCOMPARE(view->PictureSize(), QSize(30, 20));
}

void ImageViewTest::scaleCommandsAndChecks()
{
    const int ids[] = { ID_SCALE_REALSIZE, ID_SCALE_FIT, ID_SCALE_STRETCH };
    for (int expected = 0; expected < 3; ++expected) {
        QVERIFY(view->OnCommand(ids[expected]));
        QCOMPARE(scale, expected);
        for (int i = 0; i < 3; ++i) {
            CommandState state;
            QVERIFY(view->OnUpdateCommand(ids[i], state));
            QCOMPARE(state.checked, std::optional<bool>(i == expected));
        }
    }
    // A value of no command checks none of them.
    scale = 5;
    CommandState state;
    view->OnUpdateCommand(ID_SCALE_REALSIZE, state);
    QCOMPARE(state.checked, std::optional<bool>(false));
}

void ImageViewTest::contextMenuSetsScale()
{
    scale = ScaleFit;
    QStringList texts;
    QList<bool> checks;
    prompts.AnswerMenu([&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            texts << action->text();
            checks << action->isChecked();
        }
        return ID_SCALE_STRETCH;
    });
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(5, 5), view->GetForm()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view->GetForm(), &event);
    QCOMPARE(texts,
        QStringList(
            { QStringLiteral("&Real Size"), QStringLiteral("&Fit"), QStringLiteral("&Stretch") }));
    QCOMPARE(checks, QList<bool>({ false, true, false }));
    QCOMPARE(scale, ScaleStretch);
}

QTEST_MAIN(ImageViewTest)
#include "tst_imageview.moc"
