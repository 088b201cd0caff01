#include "ui/ProgressWindow.h"
#include "ui/WindowProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

using namespace kestrom;

class WindowProgressTest : public QObject {
    Q_OBJECT
  private slots:
    void windowLivesForOneDay() {
        QObject main;
        WindowProgress progress(&main);
        progress.Create();
        TForm2* form = progress.Form2();
        QVERIFY(form != nullptr);
        QVERIFY(!form->isVisible());
        progress.Show("Поиск и загрузка файлов за 09.10.2006. Ожидайте...");
        QVERIFY(form->isVisible());
        auto* bar = form->findChild<QProgressBar*>("ProgressBar1");
        QVERIFY(bar != nullptr);
        QCOMPARE(form->findChild<QLabel*>("Label1")->text(),
                 QString("Поиск и загрузка файлов за 09.10.2006. Ожидайте..."));
        QCOMPARE(bar->maximum(), 100);
        progress.SetMaximum(4000);
        progress.SetPosition(4000);
        QCOMPARE(bar->value(), 4000);
        progress.Hide();
        QVERIFY(!form->isVisible());
        progress.Destroy();
        QVERIFY(progress.Form2() == nullptr);
    }
};

QTEST_MAIN(WindowProgressTest)
#include "WindowProgress_test.moc"
