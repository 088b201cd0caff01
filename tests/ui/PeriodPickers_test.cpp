#include "ui/PeriodPickers.h"

#include "tests/ui/Child.h"

#include "settings/SettingsState.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrom;

namespace {

using test::Child;

// 8 October 2026: "a week ago" is the 1st.
TDateTime Today() {
    return EncodeDate({2026, 10, 8});
}

struct Pickers {
    QTemporaryDir dir;
    SettingsState settings;
    PeriodPickers* pickers;
    Pickers() {
        settings.ProgramDir = dir.path().toStdString() + "/";
        pickers = new PeriodPickers(
            settings, [](const QString&) {}, Today);
    }
    ~Pickers() { delete pickers; }
    QDateTimeEdit* start() { return Child<QDateTimeEdit>(pickers, "DateTimePicker1"); }
    QDateTimeEdit* end() { return Child<QDateTimeEdit>(pickers, "DateTimePicker2"); }
    QAction* mark(const char* name) { return Child<QAction>(pickers, name); }
};

} // namespace

class PeriodPickersTest : public QObject {
    Q_OBJECT
  private slots:
    void datePresetsSetOnlyTheirPicker() {
        Pickers p;
        QCOMPARE(p.start()->time(), QTime(0, 0));
        QCOMPARE(p.end()->time(), QTime(23, 59));
        const QDate end = p.end()->date();
        p.mark("N7")->trigger(); // a week ago, on the 8th: the 1st
        QCOMPARE(p.start()->date(), QDate(2026, 10, 1));
        QCOMPARE(p.start()->time(), QTime(0, 0));
        QCOMPARE(p.end()->date(), end);
        QVERIFY(p.mark("N7")->isChecked() && !p.mark("N6")->isChecked() &&
                !p.mark("N5")->isChecked());
        QFile saved(p.dir.path() + "/addpar.ini");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY(text.contains("Date1_mon=1") && text.contains("Date1_yd=0"));
        p.mark("N9")->trigger();
        QCOMPARE(p.end()->date(), QDate(2026, 10, 7));
        QCOMPARE(p.end()->time(), QTime(23, 59));
        QVERIFY(p.mark("N9")->isChecked() && !p.mark("N8")->isChecked());
    }

    void checkedPresetsSetTheDates() {
        Pickers p;
        p.start()->setDate(QDate(2026, 1, 1));
        p.end()->setDate(QDate(2026, 1, 2));
        p.pickers->SetMarks({}); // no preset checked: both dates stay
        p.pickers->ApplyMarkedDates();
        QCOMPARE(p.start()->date(), QDate(2026, 1, 1));
        QCOMPARE(p.end()->date(), QDate(2026, 1, 2));
        p.pickers->SetMarks({false, true, false, true, false});
        QCOMPARE(p.start()->date(), QDate(2026, 1, 1)); // the marks alone move nothing
        p.pickers->ApplyMarkedDates();
        QCOMPARE(p.start()->dateTime(), QDateTime(QDate(2026, 10, 7), QTime(0, 0)));
        QCOMPARE(p.end()->dateTime(), QDateTime(QDate(2026, 10, 8), QTime(23, 59)));
        QCOMPARE(p.pickers->Marks(), (DatePresets{false, true, false, true, false}));
    }
};

QTEST_MAIN(PeriodPickersTest)
#include "PeriodPickers_test.moc"
