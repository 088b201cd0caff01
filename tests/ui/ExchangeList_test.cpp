#include "ui/ExchangeList.h"

#include "tests/ui/Child.h"

#include "settings/LineFile.h"
#include "settings/SettingsState.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace kestrom;

namespace {

using test::Child;

// The exchange list in a window of its own, beside another box to move the
// focus to, over a program directory of its own.
struct Exchange {
    QTemporaryDir dir;
    SettingsState settings;
    QStringList messages;
    bool autoSave = false;
    QWidget window;
    ExchangeList* list;
    QLineEdit* elsewhere;
    Exchange() {
        settings.ProgramDir = dir.path().toStdString() + "/";
        list = new ExchangeList(
            settings, [this](const QString& m) { messages << m; }, [this] { return autoSave; },
            &window);
        elsewhere = new QLineEdit(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(list);
        layout->addWidget(elsewhere);
        window.show();
    }
    QComboBox* box() { return Child<QComboBox>(list, "ComboBox3"); }
    QToolButton* toggle() { return Child<QToolButton>(list, "ToolButton5"); }
    void trigger(const char* name) { Child<QAction>(list, name)->trigger(); }
    std::size_t SavedLines() const {
        return ReadLineFile(settings.ProgramDir + "ListNode.ini")
            .value_or(std::vector<std::string>{})
            .size();
    }
};

} // namespace

class ExchangeListTest : public QObject {
    Q_OBJECT
  private slots:
    void toggleAndExchangeOfTheLoad() {
        Exchange e;
        QVERIFY(!e.box()->isEnabled());
        QCOMPARE(e.box()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Button));
        QCOMPARE(e.list->ExchangeNumber(), std::string("*"));
        e.toggle()->click();
        QVERIFY(e.box()->isEnabled());
        QCOMPARE(e.box()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));
        e.box()->setEditText("i3962");
        QCOMPARE(e.list->ExchangeNumber(), std::string("i3962"));
        QCOMPARE(e.list->SelectedIndex(), -1); // typed, not an item of the list
        e.toggle()->click();
        QCOMPARE(e.list->ExchangeNumber(), std::string("*"));
    }

    void addRemoveAndClear() {
        Exchange e;
        e.toggle()->click();
        e.box()->setEditText("i3962");
        e.trigger("AddNum");
        e.trigger("AddNum");
        QCOMPARE(e.box()->count(), 2);
        e.box()->setEditText("I3962"); // removal ignores case, and takes the first only
        e.trigger("N1");
        QCOMPARE(e.box()->count(), 1);
        QCOMPARE(e.box()->currentText(), QString("I3962"));
        QCOMPARE(e.SavedLines(), std::size_t{0}); // no auto-save asked for

        e.autoSave = true;
        e.box()->setEditText("i0000");
        e.trigger("N1");
        QCOMPARE(e.messages, QStringList{QString::fromUtf8("Номер в списке отсутсвует!")});
        QCOMPARE(e.SavedLines(), std::size_t{1}); // written even so

        e.trigger("N4"); // cleared in the window only
        QCOMPARE(e.box()->count(), 0);
        QCOMPARE(e.box()->currentText(), QString("i0000"));
        QCOMPARE(e.SavedLines(), std::size_t{1});
        e.trigger("N2"); // saved whatever the toggle says
        QCOMPARE(e.SavedLines(), std::size_t{0});

        // With the toggle released, add does nothing.
        e.toggle()->click();
        e.trigger("AddNum");
        QCOMPARE(e.box()->count(), 0);
    }

    void typedNumberKeepsItsLetterCase() {
        Exchange e;
        e.list->SetNumbers({"i3962"});
        e.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&e.window));
        e.toggle()->click(); // focuses the box
        QLineEdit* edit = e.box()->lineEdit();
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClicks(edit, "I3962");
        e.elsewhere->setFocus(); // the box's editing ends
        QTRY_VERIFY(e.elsewhere->hasFocus());
        QCOMPARE(e.box()->currentText(), QString("I3962"));
        e.trigger("AddNum");
        QCOMPARE(e.list->Numbers(), (std::vector<std::string>{"i3962", "I3962"}));
    }

    void storedSelection() {
        Exchange e;
        e.list->SetNumbers({"i3962", "i3963", "i3964"});
        QCOMPARE(e.box()->currentText(), QString());
        e.list->SelectStored(1);
        QCOMPARE(e.box()->currentText(), QString("i3963"));
        QCOMPARE(e.list->SelectedIndex(), 1);
        e.list->SelectStored(5); // outside the list: no selection, an empty box
        QCOMPARE(e.box()->currentIndex(), -1);
        QCOMPARE(e.box()->currentText(), QString());
    }
};

QTEST_MAIN(ExchangeListTest)
#include "ExchangeList_test.moc"
