#include "ui/ExchangeList.h"

#include "tests/ui/Child.h"
#include "ui/FilterBar.h"

#include "settings/SettingsState.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QtTest>

using namespace kestrom;

namespace {

using test::Child;

struct Bar {
    SettingsState settings;
    ExchangeList exchange{settings, [](const QString&) {}, [] { return false; }};
    FilterBar bar{exchange, "/"};
    Bar() { bar.show(); }
    QToolButton* toggle(const char* name) { return Child<QToolButton>(&bar, name); }
    template <class T> T* c(const char* name) { return Child<T>(&bar, name); }
};

QColor Base(QWidget* w) {
    return w->palette().color(QPalette::Base);
}
QColor White() {
    return QApplication::palette().color(QPalette::Base);
}
QColor Grey() {
    return QApplication::palette().color(QPalette::Button);
}

} // namespace

class FilterBarTest : public QObject {
    Q_OBJECT
  private slots:
    void togglesEnableAndColourTheirControls() {
        Bar b;
        auto* edit2 = b.c<QLineEdit>("Edit2");
        auto* mode1 = b.c<QComboBox>("ComboBox1");
        QVERIFY(!edit2->isEnabled());
        QCOMPARE(Base(edit2), Grey());
        QVERIFY(b.c<QComboBox>("ComboBox4")->isEnabled());
        b.toggle("ToolButton1")->click();
        QVERIFY(edit2->isEnabled() && mode1->isEnabled());
        QCOMPARE(Base(edit2), White());
        edit2->setText("100");
        b.toggle("ToolButton1")->click();
        QVERIFY(!edit2->isEnabled());
        QCOMPARE(Base(mode1), Grey());
        b.toggle("ToolButton1")->click();
        QCOMPARE(edit2->text(), QString("100")); // the text survives

        for (const char* t : {"ToolButton12", "ToolButton14", "ToolButton20"})
            b.toggle(t)->click();
        auto* inTrunk = b.c<QSpinBox>("Edit4");
        auto* errorCode = b.c<QSpinBox>("Edit1");
        QVERIFY(inTrunk->isEnabled() && b.c<QSpinBox>("Edit5")->isEnabled() &&
                errorCode->isEnabled());
        QCOMPARE(inTrunk->maximum(), 32767);
        QCOMPARE(errorCode->maximum(), 127);

        // Releasing a time toggle sets its picker back to 00:00:00.
        auto* from = b.c<QTimeEdit>("DateTimePicker3");
        b.toggle("ToolButton16")->click();
        from->setTime(QTime(10, 15));
        b.toggle("ToolButton16")->click();
        QCOMPARE(from->time(), QTime(0, 0));
        QVERIFY(!from->isEnabled());
        b.toggle("ToolButton16")->click();
        QCOMPARE(from->time(), QTime(0, 0));
    }

    void timeTogglesKeepAnHourApartAcrossMidnight() {
        Bar b;
        b.toggle("ToolButton18")->click();
        b.c<QTimeEdit>("DateTimePicker4")->setTime(QTime(0, 30));
        b.toggle("ToolButton16")->click();
        QCOMPARE(b.c<QTimeEdit>("DateTimePicker3")->time(), QTime(23, 30));

        Bar v;
        v.toggle("ToolButton16")->click();
        v.c<QTimeEdit>("DateTimePicker3")->setTime(QTime(23, 30));
        v.toggle("ToolButton18")->click();
        QCOMPARE(v.c<QTimeEdit>("DateTimePicker4")->time(), QTime(0, 30));
    }
};

QTEST_MAIN(FilterBarTest)
#include "FilterBar_test.moc"
