#include "ui/ProgressWindow.h"

#include "tests/ui/Child.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace kestrom;

namespace {

// Stands in for the main window: counts the cancel events it handles.
class CancelReceiver : public QWidget {
  public:
    int cancels = 0;
    bool event(QEvent* e) override {
        if (e->type() == CancelLoadEventType) {
            ++cancels;
            return true;
        }
        return QWidget::event(e);
    }
};

using test::Child;

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void layoutAndTexts() {
        TForm2 form(nullptr);
        auto* cancel = Child<QPushButton>(&form, "BitBtn1");
        auto* bar = Child<QProgressBar>(&form, "ProgressBar1");
        auto* label = Child<QLabel>(&form, "Label1");
        QCOMPARE(form.objectName(), QString("Form2"));
        QCOMPARE(form.size(), QSize(582, 47));
        QCOMPARE(form.pos(), QPoint(2, 1));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(cancel->text(), QString("Отмена"));
        QCOMPARE(cancel->geometry(), QRect(508, 4, 69, 39));
        QCOMPARE(cancel->cursor().shape(), Qt::BusyCursor);
        QCOMPARE(bar->geometry(), QRect(10, 24, 488, 17));
        QCOMPARE(label->pos(), QPoint(10, 7));
        QVERIFY(label->text().isEmpty());
        form.SetText("Поиск и загрузка файлов за 09.10.2006. Ожидайте...");
        QCOMPARE(label->text(), QString("Поиск и загрузка файлов за 09.10.2006. Ожидайте..."));
        QVERIFY(form.findChild<QWidget*>("Bevel1") != nullptr);
        QVERIFY(form.findChild<QWidget*>("Shape1") != nullptr);
    }

    void cancelIsPostedNotSent() {
        CancelReceiver main;
        TForm2 form(&main);
        Child<QPushButton>(&form, "BitBtn1")->click();
        QCOMPARE(main.cancels, 0); // nothing happens until events are processed
        QCoreApplication::processEvents();
        QCOMPARE(main.cancels, 1);
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(main.cancels, 2);
        QVERIFY(form.isVisible());
    }

    void takesTheKeyboardWhenShownAndGivesItBack() {
        CancelReceiver main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        TForm2 form(&main);
        form.show();
        QTRY_VERIFY(form.isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget() != nullptr &&
                         QApplication::focusWidget()->window() == &form,
                     true);
        // Esc at once, without a click into the window first.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(main.cancels, 1);
        form.hide();
        QTRY_VERIFY(main.isActiveWindow());
    }

    void barRunsOverSixtyFourBitCounts() {
        TForm2 form(nullptr);
        auto* bar = Child<QProgressBar>(&form, "ProgressBar1");
        form.SetRange64(1000);
        form.SetPosition64(250);
        QCOMPARE(bar->maximum(), 1000);
        QCOMPARE(bar->value(), 250);

        const std::int64_t big = 5LL << 30; // a day of 5 GiB of files
        form.SetRange64(big);
        QVERIFY(bar->maximum() > 0);
        form.SetPosition64(0);
        QCOMPARE(bar->value(), 0);
        form.SetPosition64(big / 2);
        const double half = double(bar->value()) / bar->maximum();
        QVERIFY(half > 0.49 && half < 0.51);
        form.SetPosition64(big);
        QCOMPARE(bar->value(), bar->maximum());
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindow_test.moc"
