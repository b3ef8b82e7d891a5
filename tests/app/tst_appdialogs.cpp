#include "AboutDlg.h"
#include "AddAttributeDlg.h"
#include "FindDlg.h"
#include "InfoDlg.h"
#include "InsertItemDlg.h"
#include "OptionsDlg.h"
#include "SInsertItemDlg.h"
#include "ScriptedPrompts.h"

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Kind = ScriptedPrompts::Kind;

namespace {
std::unique_ptr<QDialog> MakeDialog(const QString& which)
{
    if (which == u"about")
        return std::make_unique<AboutDlg>();
    if (which == u"options") {
        // Every input enabled: spaces chosen, and a program for the preview.
        UserSettings settings;
        settings.XmlSourceFormat = 2;
        settings.XsltPreview = 1;
        auto dialog = std::make_unique<OptionsDlg>();
        dialog->SetValues(settings);
        return dialog;
    }
    if (which == u"find")
        return std::make_unique<FindDlg>();
    if (which == u"insert")
        return std::make_unique<InsertItemDlg>(u"Insert Text"_s, u"x"_s);
    if (which == u"insert name")
        return std::make_unique<SInsertItemDlg>(u"Insert Element"_s);
    if (which == u"add attribute")
        return std::make_unique<AddAttributeDlg>();
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

    void tabChain_data()
    {
        QTest::addColumn<QString>("which");
        for (const char* which :
            { "about", "products", "options", "find", "insert", "insert name", "add attribute" })
            QTest::newRow(which) << QString::fromLatin1(which);
    }

    // Tab reaches every input of a dialog, and every input has a name for screen readers.
    void tabChain()
    {
        QFETCH(QString, which);
        const std::unique_ptr<QDialog> dialog = MakeDialog(which);
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        const auto takesTab = [](const QWidget* widget) {
            return widget->isVisible() && widget->isEnabled()
                && (widget->focusPolicy() & Qt::TabFocus);
        };
        // A part of an input that takes the focus itself (a spin box's field) is not counted.
        QList<QWidget*> inputs;
        for (QWidget* widget : dialog->findChildren<QWidget*>()) {
            if (takesTab(widget) && !takesTab(widget->parentWidget()))
                inputs.append(widget);
        }
        // Of a group of radio buttons Tab reaches one; the arrow keys move within the group.
        QSet<QWidget*> reached;
        for (int press = 0; press <= inputs.size(); ++press) {
            QWidget* focus = QApplication::focusWidget();
            reached.insert(focus);
            if (auto* radio = qobject_cast<QRadioButton*>(focus); radio && radio->group()) {
                for (QAbstractButton* button : radio->group()->buttons())
                    reached.insert(button);
            }
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        for (QWidget* input : std::as_const(inputs)) {
            const char* what = input->metaObject()->className();
            QVERIFY2(reached.contains(input), what);
            // Qt names a field without a label of its own after the box around it, which does
            // not tell two fields of one box apart.
            const QString name
                = QAccessible::queryAccessibleInterface(input)->text(QAccessible::Name).trimmed();
            const auto* box = qobject_cast<const QGroupBox*>(input->parentWidget());
            QVERIFY2(!name.isEmpty() && !(box && box->title().trimmed() == name), what);
        }
    }

    void optionsEnabling_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("preview");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("spaces");
        QTest::addColumn<bool>("program");
        QTest::newRow("spaces chosen") << 2 << 0 << "" << true << false;
        QTest::newRow("program chosen") << 1 << 1 << "" << false << true;
        QTest::newRow("spaces clicked") << 0 << 0 << "sourceFormat2" << true << false;
        QTest::newRow("program clicked") << 0 << 0 << "previewWith1" << false << true;
        QTest::newRow("both clicked away")
            << 2 << 1 << "sourceFormat1 previewWith0" << false << false;
    }

    // The spaces field and the program with its button are enabled only with their radio
    // buttons chosen, at opening and after each click.
    void optionsEnabling()
    {
        QFETCH(int, format);
        QFETCH(int, preview);
        QFETCH(QString, clicks);
        UserSettings settings;
        settings.XmlSourceFormat = format;
        settings.XsltPreview = preview;
        OptionsDlg dialog;
        dialog.SetValues(settings);
        for (const QString& name : clicks.split(u' ', Qt::SkipEmptyParts))
            dialog.findChild<QRadioButton*>(name)->click();
        QTEST(dialog.Spaces()->isEnabled(), "spaces");
        QTEST(dialog.Program()->isEnabled(), "program");
        QTEST(dialog.Browse()->isEnabled(), "program");
    }

    void optionsSpacesRange_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("stored");
        QTest::newRow("9 with spaces") << "sourceFormat2"
                                       << "9" << false << 3;
        QTest::newRow("0 with spaces") << "sourceFormat2"
                                       << "0" << false << 3;
        QTest::newRow("8 with spaces") << "sourceFormat2"
                                       << "8" << true << 8;
        QTest::newRow("9 with tabs keeps the last good number") << "sourceFormat1"
                                                                << "9" << true << 3;
    }

    // OK refuses a number outside 1 to 8 while spaces are chosen, with the warning, and the
    // dialog stays; a radio click with that number typed is never refused.
    void optionsSpacesRange()
    {
        QFETCH(QString, format);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        UserSettings settings;
        settings.XmlSourceFormat = 2;
        settings.XmlSourceFormatSpaces = 3;
        OptionsDlg dialog;
        dialog.SetValues(settings);
        QLineEdit* edit = dialog.Spaces()->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        dialog.findChild<QRadioButton*>(u"attributesInTree1"_s)->click();
        dialog.findChild<QRadioButton*>(format)->click();
        if (!accepted)
            prompts.AnswerMessage(Prompts::Button::Ok);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(prompts.Calls().size(), std::size_t(accepted ? 0 : 1));
        if (!accepted)
            QCOMPARE(prompts.Calls().at(0).text, OptionsDlg::RangeWarning());
        dialog.ApplyTo(settings);
        QTEST(settings.XmlSourceFormatSpaces, "stored");
    }

    // The arrows and arrow keys step within 1 to 8.
    void optionsSpacesArrows()
    {
        OptionsDlg dialog;
        dialog.findChild<QRadioButton*>(u"sourceFormat2"_s)->click();
        SpacesBox* spaces = dialog.Spaces();
        spaces->setValue(8);
        spaces->stepBy(1);
        QCOMPARE(spaces->value(), 8);
        spaces->setValue(1);
        QTest::keyClick(spaces, Qt::Key_Down);
        QCOMPARE(spaces->value(), 1);
        QTest::keyClick(spaces, Qt::Key_Up);
        QCOMPARE(spaces->value(), 2);
    }

    void optionsBrowse_data()
    {
        QTest::addColumn<bool>("executable");
        QTest::newRow("a program") << true;
        QTest::newRow("not executable: warned, kept") << false;
    }

    void optionsBrowse()
    {
        QFETCH(bool, executable);
        QTemporaryFile plain;
        QVERIFY(plain.open());
        const QString path
            = executable ? QCoreApplication::applicationFilePath() : plain.fileName();
        OptionsDlg dialog;
        prompts.AnswerOpenFileName(path);
        if (!executable)
            prompts.AnswerMessage(Prompts::Button::Ok);
        dialog.findChild<QRadioButton*>(u"previewWith1"_s)->click();
        dialog.Browse()->click();
        QCOMPARE(dialog.Program()->text(), path);
        const auto messages = prompts.CallsOf(Kind::MessageBox);
        QCOMPARE(messages.empty(), executable);
        if (!executable) {
            QCOMPARE(messages.at(0).text, path + u" is not an executable program."_s);
            QCOMPARE(messages.at(0).icon, Prompts::Icon::Warning);
        }
        QCOMPARE(prompts.CallsOf(Kind::OpenFile).at(0).filter, u"All files (*)"_s);
    }
};

QTEST_MAIN(TestAppDialogs)
#include "tst_appdialogs.moc"
