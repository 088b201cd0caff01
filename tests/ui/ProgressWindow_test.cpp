#include "ui/ProgressBarF.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

using namespace kestrom;

namespace {

// Stands in for the main window: counts the cancel events it handles.
class CancelReceiver : public QObject {
  public:
    int cancels = 0;
    bool event(QEvent* e) override {
        if (e->type() == CancelLoadEventType) {
            ++cancels;
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void layoutAndTexts() {
        TForm2 form(nullptr);
        QCOMPARE(form.objectName(), QString("Form2"));
        QCOMPARE(form.size(), QSize(582, 47));
        QCOMPARE(form.pos(), QPoint(2, 1));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form.BitBtn1->text(), QString("Отмена"));
        QCOMPARE(form.BitBtn1->geometry(), QRect(508, 4, 69, 39));
        QCOMPARE(form.BitBtn1->cursor().shape(), Qt::BusyCursor);
        QCOMPARE(form.ProgressBar1->geometry(), QRect(10, 24, 488, 17));
        QCOMPARE(form.Label1->pos(), QPoint(10, 7));
        QVERIFY(form.Label1->text().isEmpty());
        QVERIFY(form.findChild<QWidget*>("Bevel1") != nullptr);
        QVERIFY(form.findChild<QWidget*>("Shape1") != nullptr);
    }

    void cancelIsPostedNotSent() {
        CancelReceiver main;
        TForm2 form(&main);
        form.BitBtn1->click();
        QCOMPARE(main.cancels, 0); // nothing happens until events are processed
        QCoreApplication::processEvents();
        QCOMPARE(main.cancels, 1);
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(main.cancels, 2);
        QVERIFY(form.isVisible());
    }

    void barRunsOverSixtyFourBitCounts() {
        TForm2 form(nullptr);
        form.SetRange64(1000);
        form.SetPosition64(250);
        QCOMPARE(form.ProgressBar1->maximum(), 1000);
        QCOMPARE(form.ProgressBar1->value(), 250);

        const std::int64_t big = 5LL << 30; // a day of 5 GiB of files
        form.SetRange64(big);
        QVERIFY(form.ProgressBar1->maximum() > 0);
        form.SetPosition64(0);
        QCOMPARE(form.ProgressBar1->value(), 0);
        form.SetPosition64(big / 2);
        const double half = double(form.ProgressBar1->value()) / form.ProgressBar1->maximum();
        QVERIFY(half > 0.49 && half < 0.51);
        form.SetPosition64(big);
        QCOMPARE(form.ProgressBar1->value(), form.ProgressBar1->maximum());
    }

    void windowLivesForOneDay() {
        CancelReceiver main;
        WindowProgress progress(&main);
        progress.Create();
        QVERIFY(progress.Form2() != nullptr);
        QVERIFY(!progress.Form2()->isVisible());
        progress.Show("Поиск и загрузка файлов за 09.10.2006. Ожидайте...");
        QVERIFY(progress.Form2()->isVisible());
        QCOMPARE(progress.Form2()->Label1->text(),
                 QString("Поиск и загрузка файлов за 09.10.2006. Ожидайте..."));
        QCOMPARE(progress.Form2()->ProgressBar1->maximum(), 100);
        progress.SetMaximum(4000);
        progress.SetPosition(4000);
        QCOMPARE(progress.Form2()->ProgressBar1->value(), 4000);
        progress.Hide();
        QVERIFY(!progress.Form2()->isVisible());
        progress.Destroy();
        QVERIFY(progress.Form2() == nullptr);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindow_test.moc"
