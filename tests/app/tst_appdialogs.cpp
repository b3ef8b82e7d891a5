#include "AboutDlg.h"
#include "InfoDlg.h"
#include "ScriptedPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using Kind = ScriptedPrompts::Kind;

namespace {
std::unique_ptr<QDialog> MakeDialog(const QString& which)
{
    if (which == u"about")
        return std::make_unique<AboutDlg>();
    return std::make_unique<InfoDlg>();
}

// Where a point of the dialog is, as the widget under it sees it.
struct Target {
    QWidget* widget;
    QPoint pos;
};

Target TargetAt(QDialog& dialog, QPoint pos)
{
    QWidget* child = dialog.childAt(pos);
    QWidget* widget = child ? child : &dialog;
    return { widget, widget->mapFrom(&dialog, pos) };
}
}

class TestAppDialogs : public QObject {
    Q_OBJECT

private:
    ScriptedPrompts prompts;

private slots:
    void initTestCase()
    {
        // The pictures are in the library's resources, which only the application object
        // loads by itself.
        Q_INIT_RESOURCE(trelvo);
        Prompts::SetInstance(&prompts);
    }

    void init() { prompts.Clear(); }

    void cleanup()
    {
        QCOMPARE(prompts.UnansweredCount(), 0);
        QCOMPARE(prompts.PendingAnswers(), 0);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("about") << "about"
                               << "About Trelvo"
                               << "Close"
                               << "Trelvo Version 3.1.1";
        QTest::newRow("products") << "products"
                                  << "Korvane Products"
                                  << "&Close"
                                  << "Click the image";
    }

    // The captions, the one default button, the text shown and the picture.
    void texts()
    {
        QFETCH(QString, which);
        QFETCH(QString, title);
        QFETCH(QString, button);
        QFETCH(QString, text);
        auto dialog = MakeDialog(which);
        QCOMPARE(dialog->windowTitle(), title);

        const QList<QPushButton*> buttons = dialog->findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.front()->text(), button);
        QVERIFY(buttons.front()->isDefault());

        bool found = false;
        bool picture = false;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            found = found || label->text().contains(text);
            picture = picture || !label->pixmap().isNull();
        }
        QVERIFY2(found, qPrintable(text));
        QVERIFY(picture);
    }

    void closing_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<int>("result");
        QTest::newRow("about, Escape") << "about" << true << int(QDialog::Rejected);
        QTest::newRow("about, Close") << "about" << false << int(QDialog::Accepted);
        QTest::newRow("products, Escape") << "products" << true << int(QDialog::Rejected);
        QTest::newRow("products, Close") << "products" << false << int(QDialog::Accepted);
    }

    // Escape and the Close button end either dialog.
    void closing()
    {
        QFETCH(QString, which);
        QFETCH(bool, escape);
        QFETCH(int, result);
        auto dialog = MakeDialog(which);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), result);
    }

    void pictureLink_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("release");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        QTest::newRow("click on the picture") << "inside"
                                              << "inside" << int(Qt::LeftButton) << true;
        QTest::newRow("pressed beside, released on the picture")
            << "outside"
            << "inside" << int(Qt::LeftButton) << true;
        QTest::newRow("pressed on the text, released on the picture")
            << "text"
            << "inside" << int(Qt::LeftButton) << true;
        QTest::newRow("pressed on the picture, released beside")
            << "inside"
            << "outside" << int(Qt::LeftButton) << false;
        QTest::newRow("pressed on the picture, released on the picture's edge")
            << "inside"
            << "corner" << int(Qt::LeftButton) << true;
        QTest::newRow("click beside the picture") << "outside"
                                                  << "outside" << int(Qt::LeftButton) << false;
        QTest::newRow("right click on the picture") << "inside"
                                                    << "inside" << int(Qt::RightButton) << false;
    }

    // Only the left button coming up over the picture opens the maker's site, wherever it went
    // down. The release goes to the widget that took the press, as the window system does.
    void pictureLink()
    {
        QFETCH(QString, press);
        QFETCH(QString, release);
        QFETCH(int, button);
        QFETCH(bool, opens);
        InfoDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect picture = dialog.PictureRect();
        QVERIFY(picture.width() > 50 && picture.height() > 50);
        auto point = [&](const QString& where) {
            if (where == u"inside")
                return picture.center();
            if (where == u"corner")
                return picture.bottomRight();
            if (where == u"text")
                return dialog.findChild<QLabel*>(QStringLiteral("text"))->geometry().center();
            return QPoint(picture.left() - 2, picture.center().y());
        };
        if (opens)
            prompts.AnswerDesktop(true);

        const Target down = TargetAt(dialog, point(press));
        QTest::mousePress(down.widget, Qt::MouseButton(button), {}, down.pos);
        const QPoint up = down.widget->mapFrom(&dialog, point(release));
        QTest::mouseRelease(down.widget, Qt::MouseButton(button), {}, up);

        const auto calls = prompts.CallsOf(Kind::Desktop);
        QCOMPARE(calls.size(), size_t(opens ? 1 : 0));
        if (opens)
            QCOMPARE(calls.front().text, InfoDlg::ProductsAddress());
        QVERIFY(dialog.isVisible());
    }

    // The pointing hand over the picture, the arrow elsewhere.
    void pictureCursor()
    {
        InfoDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QRect picture = dialog.PictureRect();
        QCOMPARE(
            TargetAt(dialog, picture.center()).widget->cursor().shape(), Qt::PointingHandCursor);
        const QPoint beside(picture.left() - 2, picture.center().y());
        QCOMPARE(TargetAt(dialog, beside).widget->cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestAppDialogs)
#include "tst_appdialogs.moc"
