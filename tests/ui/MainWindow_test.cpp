#include "ui/ProgressBarF.h"
#include "ui/ResultGrid.h"
#include "ui/Unit1.h"
#include "ui/Unit1Chooser.h"

#include "settings/LineFile.h"
#include "tools/AmaGenerator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace kestrom;
namespace fs = std::filesystem;

namespace {

// A program directory of its own with the lookup tables beside it.
struct ProgramDir {
    QTemporaryDir dir;
    std::string path;
    ProgramDir() : path(dir.path().toStdString() + "/") {
        for (const char* t : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            fs::copy_file(fs::path(KESTROM_BIN_DIR) / t, fs::path(path) / t);
    }
    bool Has(const char* name) const { return fs::exists(fs::path(path) / name); }
};

// 8 October 2026: "a week ago" is the 1st.
TDateTime Today() {
    return EncodeDate({2026, 10, 8});
}

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList messages;
    explicit Window(const ProgramDir& dir) {
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [this](const QString& m) { messages << m; };
        form->today = Today;
        form->show(); // the first activation restores the state
    }
    TSearchForm* operator->() { return form.get(); }
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

QDate Date(QDateTimeEdit* e) {
    return e->date();
}

// Two days (7 and 8 October 2026) of two files each in the folder.
gen::GenerationManifest WriteSampleFiles(const QTemporaryDir& ama, std::uint64_t recordsPerFile) {
    gen::GeneratorOptions o;
    o.From = {2026, 10, 7};
    o.Days = 2;
    o.FilesPerDay = 2;
    o.RecordsPerFile = recordsPerFile;
    return gen::WriteFiles(o, ama.path().toStdString());
}

// The AMA folder, and number A "не равно" an empty number with every call kept:
// the filter that lets every call with a number A through.
void PrepareLoadOfEveryCall(Window& w, const QTemporaryDir& ama) {
    w->ComboBox5->setEditText(ama.path());
    w->ToolButton1->click();
    w->ComboBox1->setCurrentIndex(5);
    w->CheckBox1->setChecked(false);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartInAnEmptyDirectory() {
        ProgramDir dir;
        Window w(dir);
        QCOMPARE(w->windowTitle(), QString::fromUtf8("Программа просмотра АМА-записей v.2.2.1.0"));
        QCOMPARE(w->Chooser->ListBox1->count(), 18);
        QCOMPARE(w->Chooser->ListBox2->count(), 2);
        QCOMPARE(Date(w->DateTimePicker1), QDate(2026, 10, 7));
        QCOMPARE(Date(w->DateTimePicker2), QDate(2026, 10, 8));
        QCOMPARE(w->DateTimePicker1->time(), QTime(0, 0));
        QCOMPARE(w->DateTimePicker2->time(), QTime(23, 59));
        QVERIFY(w->CheckBox1->isChecked());
        QVERIFY(w->CheckBox3->isChecked());
        QVERIFY(!w->CheckBox5->isChecked());
        QVERIFY(dir.Has("Kestrom.ini") && dir.Has("ListNode.ini") && dir.Has("History.ini"));
        QVERIFY(!dir.Has("addpar.ini"));
        QVERIFY(w->ComboBox5->currentText().isEmpty());
        QVERIFY(w->Panel5->isHidden());
        QCOMPARE(w->StatusPanels.size(), std::size_t{3});
        QCOMPARE(w->StatusPanels[1]->width(), 300);
        QCOMPARE(w->ComboBox1->currentText(), QString::fromUtf8("равно"));
        QCOMPARE(w->ComboBox4->currentText(), QString("AND"));
        QVERIFY(w.messages.isEmpty());
    }

    void togglesEnableAndColourTheirControls() {
        ProgramDir dir;
        Window w(dir);
        QVERIFY(!w->Edit2->isEnabled());
        QCOMPARE(Base(w->Edit2), Grey());
        QVERIFY(w->ComboBox4->isEnabled());
        w->ToolButton1->click();
        QVERIFY(w->Edit2->isEnabled() && w->ComboBox1->isEnabled());
        QCOMPARE(Base(w->Edit2), White());
        w->Edit2->setText("100");
        w->ToolButton1->click();
        QVERIFY(!w->Edit2->isEnabled());
        QCOMPARE(Base(w->ComboBox1), Grey());
        w->ToolButton1->click();
        QCOMPARE(w->Edit2->text(), QString("100")); // the text survives

        for (QToolButton* b : {w->ToolButton12, w->ToolButton14, w->ToolButton20})
            b->click();
        QVERIFY(w->Edit4->isEnabled() && w->Edit5->isEnabled() && w->Edit1->isEnabled());
        QCOMPARE(w->Edit4->maximum(), 32767);
        QCOMPARE(w->Edit1->maximum(), 127);

        // Releasing a time toggle sets its picker back to 00:00:00.
        w->ToolButton16->click();
        w->DateTimePicker3->setTime(QTime(10, 15));
        w->ToolButton16->click();
        QCOMPARE(w->DateTimePicker3->time(), QTime(0, 0));
        QVERIFY(!w->DateTimePicker3->isEnabled());
        w->ToolButton16->click();
        QCOMPARE(w->DateTimePicker3->time(), QTime(0, 0));
    }

    void timeTogglesKeepAnHourApartAcrossMidnight() {
        ProgramDir dir;
        Window w(dir);
        w->ToolButton18->click();
        w->DateTimePicker4->setTime(QTime(0, 30));
        w->ToolButton16->click();
        QCOMPARE(w->DateTimePicker3->time(), QTime(23, 30));

        Window v(dir);
        v->ToolButton16->click();
        v->DateTimePicker3->setTime(QTime(23, 30));
        v->ToolButton18->click();
        QCOMPARE(v->DateTimePicker4->time(), QTime(0, 30));
    }

    void exchangeListAddRemoveAndClear() {
        ProgramDir dir;
        Window w(dir);
        w->ToolButton5->click();
        QVERIFY(w->ComboBox3->isEnabled());
        QCOMPARE(Base(w->ComboBox3), White());
        w->ComboBox3->setEditText("i3962");
        w->AddNumClick();
        w->AddNumClick();
        QCOMPARE(w->ComboBox3->count(), 2);
        w->ComboBox3->setEditText("I3962"); // removal ignores case, and takes the first only
        w->N1Click();
        QCOMPARE(w->ComboBox3->count(), 1);
        QCOMPARE(w->ComboBox3->currentText(), QString("I3962"));

        w->CheckBox4->setChecked(true);
        w->ComboBox3->setEditText("i0000");
        w->N1Click();
        QCOMPARE(w.messages, QStringList{QString::fromUtf8("Номер в списке отсутсвует!")});
        const auto saved = ReadLineFile(dir.path + "ListNode.ini");
        QVERIFY(saved.has_value());
        QCOMPARE(saved->size(), std::size_t{1}); // written even so

        w->N4Click(); // cleared in the window only
        QCOMPARE(w->ComboBox3->count(), 0);
        QCOMPARE(ReadLineFile(dir.path + "ListNode.ini")->size(), std::size_t{1});

        // With the toggle released, add does nothing.
        w->ToolButton5->click();
        w->AddNumClick();
        QCOMPARE(w->ComboBox3->count(), 0);
    }

    void datePresetsSetOnlyTheirPicker() {
        ProgramDir dir;
        Window w(dir);
        const QDate end = Date(w->DateTimePicker2);
        w->N7Click(); // a week ago, on the 8th: the 1st
        QCOMPARE(Date(w->DateTimePicker1), QDate(2026, 10, 1));
        QCOMPARE(w->DateTimePicker1->time(), QTime(0, 0));
        QCOMPARE(Date(w->DateTimePicker2), end);
        QVERIFY(w->N7->isChecked() && !w->N6->isChecked() && !w->N5->isChecked());
        QVERIFY(dir.Has("addpar.ini"));
        w->N9Click();
        QCOMPARE(Date(w->DateTimePicker2), QDate(2026, 10, 7));
        QCOMPARE(w->DateTimePicker2->time(), QTime(23, 59));
    }

    void stateSavedAndRestoredAcrossTwoWindows() {
        ProgramDir dir;
        {
            Window w(dir);
            w->Chooser->SetDisplayed({"Номер_Б", "Ошибка"});
            w->Chooser->SetSort({"Прод_мс[Down]"});
            w->CheckBox6->setChecked(true);
            w->CheckBox1->setChecked(false);
            w->ComboBox1->setCurrentIndex(3);
            w->ComboBox3->addItem("i3962");
            w->ComboBox3->setCurrentIndex(0);
            w->ToolButton5->click();
            w->N5Click();
            w->ButtonGroup13->click(); // "Сохранить состояние"
            QVERIFY(w.messages.isEmpty());
        }
        Window v(dir);
        QCOMPARE(v->Chooser->Displayed(), (std::vector<std::string>{"Номер_Б", "Ошибка"}));
        QCOMPARE(v->Chooser->Sort(), (std::vector<std::string>{"Прод_мс[Down]"}));
        QVERIFY(v->CheckBox6->isChecked());
        QVERIFY(!v->CheckBox1->isChecked());
        QCOMPARE(v->ComboBox1->currentIndex(), 3);
        QCOMPARE(v->ComboBox3->currentText(), QString("i3962"));
        QVERIFY(v->ToolButton5->isChecked());
        QVERIFY(v->ComboBox3->isEnabled()); // the toggle was applied
        QCOMPARE(Date(v->DateTimePicker1), QDate(2026, 10, 8));

        // "По умолчанию" changes the window only; "Восстановить состояние" brings it back.
        v->ButtonGroup12->click();
        QCOMPARE(v->Chooser->ListBox1->count(), 20);
        QVERIFY(!v->ToolButton5->isChecked());
        QCOMPARE(Date(v->DateTimePicker1), QDate(2026, 10, 8)); // dates untouched
        v->ButtonGroup14->click();
        QCOMPARE(v->Chooser->ListBox1->count(), 2);
    }

    void loadThroughStartFillsTheGrid() {
        ProgramDir dir;
        QTemporaryDir ama;
        const auto manifest = WriteSampleFiles(ama, 3000);
        Window w(dir);
        PrepareLoadOfEveryCall(w, ama);

        // While the load runs, "Начать" and the other table commands are off.
        bool checkedWhileRunning = false;
        bool disabledWhileRunning = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, [&] {
            if (!w->LoadRunning() || checkedWhileRunning) return;
            checkedWhileRunning = true;
            disabledWhileRunning = !w->ButtonGroup1->isEnabled() && !w->ButtonGroup3->isEnabled() &&
                                   !w->ButtonGroup12->isEnabled();
            w->BitBtn1Click(); // refused
        });
        probe.start();
        w->ButtonGroup1->click();
        probe.stop();
        QVERIFY(checkedWhileRunning);
        QVERIFY(disabledWhileRunning);
        QVERIFY(w.messages.contains(
            QString::fromUtf8("Идёт загрузка файлов. Дождитесь её окончания.")));
        QVERIFY(w->ButtonGroup1->isEnabled());
        QVERIFY(w->DBGridEh1->model() != nullptr);
        QVERIFY(w->DBGridEh1->model()->rowCount() > 1000);
        QVERIFY(w->DBGridEh1->isVisible());
        QVERIFY(manifest.Total.Sound >
                static_cast<std::uint64_t>(w->DBGridEh1->model()->rowCount()));
    }

    void cancelFromTheProgressWindowStopsTheLoad() {
        ProgramDir dir;
        QTemporaryDir ama;
        const auto manifest = WriteSampleFiles(ama, 20000);
        Window w(dir);
        PrepareLoadOfEveryCall(w, ama);
        bool pressed = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, [&] {
            TForm2* form = w->FrontEnd().Window().Form2();
            if (pressed || form == nullptr || !form->isVisible()) return;
            form->BitBtn1->click(); // posts the cancel to the main window
            pressed = true;
        });
        probe.start();
        w->ButtonGroup1->click();
        probe.stop();
        QVERIFY(pressed);
        QVERIFY(!w->LoadRunning());
        // The first day stopped early and the second was never loaded.
        QVERIFY(w->DBGridEh1->model()->rowCount() <
                static_cast<int>(manifest.Files[0].Counts.Sound));
        QVERIFY(w.messages.isEmpty());
    }

    void closingSavesTheStateOnlyWhenAskedTo() {
        ProgramDir dir;
        {
            Window w(dir);
            w->CheckBox6->setChecked(true);
            w->close(); // "Автосохранение состояния по выходу" unchecked: nothing written
        }
        QVERIFY(!dir.Has("addpar.ini"));
        {
            Window w(dir);
            QVERIFY(!w->CheckBox6->isChecked());
            w->CheckBox6->setChecked(true);
            w->CheckBox5->setChecked(true);
            QVERIFY(w->close());
        }
        QVERIFY(dir.Has("addpar.ini"));
        Window v(dir);
        QVERIFY(v->CheckBox6->isChecked());
        QVERIFY(v->CheckBox5->isChecked());
    }

    void refusedLoadsAndAFailedOpening() {
        ProgramDir dir;
        Window w(dir);
        w->ButtonGroup1->click();
        QCOMPARE(w.messages, QStringList{QString::fromUtf8("Не выбран фильтр!")});
        QString errorTitle, errorText;
        w->showError = [&](const QString& t, const QString& m) {
            errorTitle = t;
            errorText = m;
        };
        w->Chooser->SetSort({"Нет_такого[Up]"});
        w->ButtonGroup3->click();
        QCOMPARE(errorTitle, QString("Error"));
        QCOMPARE(errorText, QString::fromUtf8("Ошибка #100"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
