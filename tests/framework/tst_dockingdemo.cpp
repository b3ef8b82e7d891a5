#include "CViewBar.h"
#include "ControlToolBar.h"
#include "DockIds.h"
#include "DockSite.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

// A frame with three view bars around its view. With TRELVO_DOCKING_DEMO set the window stays
// open to be tried by hand.
class DockingDemoTest : public QObject {
    Q_OBJECT

private slots:
    void FrameWithThreeBars();
};

void DockingDemoTest::FrameWithThreeBars()
{
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Docking"));
    frame.setCentralWidget(new QPlainTextEdit(QStringLiteral("The view")));
    frame.statusBar()->showMessage(QStringLiteral("Ready"));
    DockSite* site = DockSite::Install(frame);
    auto* toolBar = new ControlToolBar;
    toolBar->SetBarId(59392);
    for (const QString& text :
        { QStringLiteral("New"), QStringLiteral("Open"), QStringLiteral("Save") })
        toolBar->GetToolBar()->addAction(text);
    site->AddControlBar(toolBar);
    site->DockControlBar(toolBar, AFX_IDW_DOCKBAR_TOP);
    const struct {
        const char16_t* title;
        int id;
        int dockBarId;
        bool sameRow;
    } bars[] = {
        { u"Attributes", 59748, AFX_IDW_DOCKBAR_LEFT, false },
        { u"XML Source", 59749, AFX_IDW_DOCKBAR_LEFT, true },
        { u"Image", 59750, AFX_IDW_DOCKBAR_BOTTOM, false },
        { u"Floating", 59751, AFX_IDW_DOCKBAR_BOTTOM, false },
    };
    QList<CViewBar*> made;
    for (const auto& entry : bars) {
        auto* bar = new CViewBar;
        QVERIFY(bar->CreateWithView(
            site, [](QWidget* parent) { return new QLineEdit(parent); },
            QString::fromUtf16(entry.title), entry.id));
        site->DockControlBar(bar, entry.dockBarId, 0, !entry.sameRow);
        made << bar;
    }
    frame.resize(900, 650);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.activateWindow();
    made[1]->GetView()->setFocus();
    site->FloatControlBar(made[3], frame.mapToGlobal(QPoint(450, 120)));

    // The view gets what the bars leave, and no bar covers it.
    const QRect view = site->GetClientWidget()->geometry();
    QVERIFY(view.width() > 0 && view.height() > 0);
    for (CViewBar* bar : made.mid(0, 3)) {
        const QRect rect(bar->mapTo(site, QPoint(0, 0)), bar->size());
        QVERIFY(!rect.intersects(view));
        QCOMPARE(bar->GetView()->size(), bar->ClientRect().size());
    }
    if (qEnvironmentVariableIsSet("TRELVO_DOCKING_DEMO"))
        qApp->exec();
}

QTEST_MAIN(DockingDemoTest)
#include "tst_dockingdemo.moc"
