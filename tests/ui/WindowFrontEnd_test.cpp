#include "ui/WindowFrontEnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace kestrom;

namespace {

// Answers the next modal message box: records its text and check box, ticks
// the box when asked, and presses OK.
struct BoxAnswer {
    QStringList texts;
    QStringList checkBoxes;
    bool tick = false;

    void Arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            texts << box->text();
            checkBoxes << (box->checkBox() != nullptr ? box->checkBox()->text() : QString());
            if (tick && box->checkBox() != nullptr) box->checkBox()->setChecked(true);
            box->button(QMessageBox::Ok)->click();
        });
    }
};

} // namespace

class WindowFrontEndTest : public QObject {
    Q_OBJECT
  private slots:
    // Ten years of days without files need not mean 3,652 boxes.
    void daysWithoutFilesCanBeSilencedForTheRestOfALoad() {
        QWidget window;
        window.show();
        WindowFrontEnd fe(&window);
        BoxAnswer answer;

        fe.LoadStarting();
        answer.Arm();
        fe.NoFilesForDay("Файлы за 01.10.2006 не найдены!");
        answer.tick = true;
        answer.Arm();
        fe.NoFilesForDay("Файлы за 02.10.2006 не найдены!");
        answer.Arm(); // no box is expected: the timer finds none and does nothing
        fe.NoFilesForDay("Файлы за 03.10.2006 не найдены!");
        QCoreApplication::processEvents();
        QCOMPARE(answer.texts, (QStringList{QString::fromUtf8("Файлы за 01.10.2006 не найдены!"),
                                            QString::fromUtf8("Файлы за 02.10.2006 не найдены!")}));
        QCOMPARE(answer.checkBoxes.size(), 2);
        QCOMPARE(answer.checkBoxes[0], QString::fromUtf8("Не показывать для остальных дней"));

        // Other messages of the same load still show; the next load starts afresh.
        answer.tick = false;
        answer.Arm();
        fe.Information("Пропущено повреждённых записей: 1.");
        QCOMPARE(answer.texts.size(), 3);
        QCOMPARE(answer.checkBoxes[2], QString());
        fe.LoadStarting();
        answer.Arm();
        fe.NoFilesForDay("Файлы за 04.10.2006 не найдены!");
        QCOMPARE(answer.texts.size(), 4);
        QCOMPARE(answer.texts.back(), QString::fromUtf8("Файлы за 04.10.2006 не найдены!"));
    }
};

QTEST_MAIN(WindowFrontEndTest)
#include "WindowFrontEnd_test.moc"
