#include "ui/ColumnChooser.h"

#include "tests/ui/Child.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDates.h"
#include "ui/ResultGrid.h"
#include "ui/WindowFrontEnd.h"

#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "results/ResultQuery.h"
#include "settings/LineFile.h"
#include "tools/AmaGenerator.h"
#include "ui/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace kestrom;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// A program directory of its own with the lookup tables beside it.
struct ProgramDir {
    QTemporaryDir dir;
    std::string path;
    ProgramDir() : path(dir.path().toStdString() + "/") {
        for (const char* t : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            fs::copy_file(fs::path(KESTROM_BIN_DIR) / t, fs::path(path) / t);
    }
    bool Has(const char* name) const { return fs::exists(fs::path(path) / name); }
    QByteArray Read(const char* name) const {
        QFile f(QString::fromStdString(path + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// 8 October 2026: "a week ago" is the 1st.
TDateTime Today() {
    return EncodeDate({2026, 10, 8});
}

// A control of the window by its name; a missing one ends the test program.
using test::Child;

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList messages;
    explicit Window(const ProgramDir& dir, bool show = true) {
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [this](const QString& m) { messages << m; };
        form->today = Today;
        if (show) form->show(); // the first activation restores the state
    }
    TSearchForm* operator->() { return form.get(); }
    template <class T> T* c(const char* name) { return Child<T>(form.get(), name); }
    QToolButton* toggle(const char* name) { return c<QToolButton>(name); }
    QCheckBox* check(const char* name) { return c<QCheckBox>(name); }
    QComboBox* combo(const char* name) { return c<QComboBox>(name); }
    QPushButton* button(const char* name) { return c<QPushButton>(name); }
    QDateTimeEdit* picker(const char* name) { return c<QDateTimeEdit>(name); }
    void trigger(const char* action) { c<QAction>(action)->trigger(); }
    TColumnChooser* chooser() { return c<TColumnChooser>("ColumnChooser"); }
    ResultGrid* grid() { return c<ResultGrid>("DBGridEh1"); }
    QStatusBar* statusBar() { return c<QStatusBar>("StatusBar1"); }
};

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
    w.combo("ComboBox5")->setEditText(ama.path());
    w.toggle("ToolButton1")->click();
    w.combo("ComboBox1")->setCurrentIndex(5);
    w.check("CheckBox1")->setChecked(false);
}

std::int64_t StoredRows(const ProgramDir& dir) {
    Database db(dir.path);
    Query q(db);
    q.SetLines({"SELECT COUNT(*) AS n FROM AMG"});
    q.Open();
    return q.AsInteger("n");
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartInAnEmptyDirectory() {
        ProgramDir dir;
        Window w(dir);
        QCOMPARE(w.chooser()->Displayed().size(), std::size_t{18});
        QCOMPARE(w.chooser()->Sort().size(), std::size_t{2});
        QCOMPARE(w.picker("DateTimePicker1")->date(), QDate(2026, 10, 7));
        QCOMPARE(w.picker("DateTimePicker2")->date(), QDate(2026, 10, 8));
        QCOMPARE(w.picker("DateTimePicker1")->time(), QTime(0, 0));
        QCOMPARE(w.picker("DateTimePicker2")->time(), QTime(23, 59));
        QVERIFY(w.check("CheckBox1")->isChecked());
        QVERIFY(w.check("CheckBox3")->isChecked());
        QVERIFY(!w.check("CheckBox5")->isChecked());
        QVERIFY(dir.Has("Kestrom.ini") && dir.Has("ListNode.ini") && dir.Has("History.ini"));
        QVERIFY(!dir.Has("addpar.ini"));
        QVERIFY(w.combo("ComboBox5")->currentText().isEmpty());
        QVERIFY(w.c<QWidget>("Panel5")->isHidden());
        const auto panels = w.statusBar()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(panels.size(), 3);
        QCOMPARE(panels[1]->width(), 300);
        QCOMPARE(w.combo("ComboBox1")->currentText(), QString::fromUtf8("равно"));
        QCOMPARE(w.combo("ComboBox4")->currentText(), QString("AND"));
        QVERIFY(w.messages.isEmpty());
    }

    void captionCarriesTheFirstEightCharactersOfTheVersion() {
        QCOMPARE(WindowCaption("2.2.1.0.12"),
                 QString::fromUtf8("Программа просмотра АМА-записей v.2.2.1.0."));
        QCOMPARE(WindowCaption("2.2"), QString::fromUtf8("Программа просмотра АМА-записей v.2.2"));
        ProgramDir dir;
        Window w(dir);
        QCOMPARE(w->windowTitle(), QString::fromUtf8("Программа просмотра АМА-записей v.") +
                                       QString::fromUtf8(KESTROM_FILE_VERSION).left(8));
    }

    void requestHoldsEveryFilterControl() {
        ProgramDir dir;
        Window w(dir);
        w.toggle("ToolButton1")->click();
        w.combo("ComboBox1")->setCurrentIndex(2);
        w.c<QLineEdit>("Edit2")->setText("3962,3963");
        w.combo("ComboBox4")->setCurrentIndex(1);
        w.toggle("ToolButton4")->click();
        w.combo("ComboBox2")->setCurrentIndex(6);
        w.c<QLineEdit>("Edit3")->setText("8029");
        w.toggle("ToolButton12")->click();
        w.c<QSpinBox>("Edit4")->setValue(120);
        w.toggle("ToolButton14")->click();
        w.c<QSpinBox>("Edit5")->setValue(345);
        w.toggle("ToolButton20")->click();
        w.c<QSpinBox>("Edit1")->setValue(41);
        w.toggle("ToolButton16")->click();
        w.c<QTimeEdit>("DateTimePicker3")->setTime(QTime(8, 15, 30));
        w.toggle("ToolButton18")->click();
        w.c<QTimeEdit>("DateTimePicker4")->setTime(QTime(17, 45, 5));
        w.toggle("ToolButton5")->click();
        w.combo("ComboBox3")->setEditText("i3962");
        w.check("CheckBox1")->setChecked(false);
        w.check("CheckBox3")->setChecked(false);
        w.combo("ComboBox5")->setEditText(QString::fromStdString(dir.path));

        LoadRequest r = w->Request();
        TPreFilter f = r.Filter;
        QVERIFY(f.NumberAOn);
        QCOMPARE(f.NumberAMatch, 2);
        QCOMPARE(f.NumberAText, std::string("3962,3963"));
        QCOMPARE(f.NumberJoin, 1);
        QVERIFY(f.NumberBOn);
        QCOMPARE(f.NumberBMatch, 6);
        QCOMPARE(f.NumberBText, std::string("8029"));
        QVERIFY(f.InTrunkGroupOn);
        QCOMPARE(f.InTrunkGroup, 120);
        QVERIFY(f.OutTrunkGroupOn);
        QCOMPARE(f.OutTrunkGroup, 345);
        QVERIFY(f.ErrorCodeOn);
        QCOMPARE(f.ErrorCode, 41);
        QVERIFY(f.TimeFromOn);
        QCOMPARE(ToQTime(f.TimeFrom), QTime(8, 15, 30));
        QVERIFY(f.TimeToOn);
        QCOMPARE(ToQTime(f.TimeTo), QTime(17, 45, 5));
        QCOMPARE(f.ExchangeNumber, std::string("i3962"));
        QVERIFY(!f.OnlySuccessful);
        QCOMPARE(r.Period.AmaFolder, dir.path);
        QCOMPARE(ToQDateTime(r.Period.Start), QDateTime(QDate(2026, 10, 7), QTime(0, 0)));
        QCOMPARE(ToQDateTime(r.Period.End), QDateTime(QDate(2026, 10, 8), QTime(23, 59)));
        QVERIFY(!r.AutoOpen);

        // Every toggle released: every filter off and every exchange asked
        // for; the texts and numbers stay, the times go back to midnight.
        for (const char* t : {"ToolButton1", "ToolButton4", "ToolButton12", "ToolButton14",
                              "ToolButton20", "ToolButton16", "ToolButton18", "ToolButton5"})
            w.toggle(t)->click();
        w.check("CheckBox1")->setChecked(true);
        r = w->Request();
        f = r.Filter;
        QVERIFY(!f.NumberAOn && !f.NumberBOn && !f.InTrunkGroupOn && !f.OutTrunkGroupOn);
        QVERIFY(!f.ErrorCodeOn && !f.TimeFromOn && !f.TimeToOn);
        QCOMPARE(f.ExchangeNumber, std::string("*"));
        QVERIFY(f.OnlySuccessful);
        QCOMPARE(f.NumberAText, std::string("3962,3963"));
        QCOMPARE(f.OutTrunkGroup, 345);
        QCOMPARE(f.TimeFrom, 0.0);
        QCOMPARE(f.TimeTo, 0.0);
    }

    void errorCodeAloneIsAFilter() {
        ProgramDir dir;
        QTemporaryDir ama; // no files: the load runs and stores nothing
        Window w(dir);
        w.combo("ComboBox5")->setEditText(ama.path());
        w.toggle("ToolButton20")->click();
        w.button("ButtonGroup1")->click();
        QVERIFY(!w.messages.isEmpty()); // the days without files
        QVERIFY(!w.messages.contains(QString::fromUtf8("Не выбран фильтр!")));
        QCOMPARE(w.statusBar()->currentMessage(), QString::fromUtf8("Загружено: 0 записей."));
    }

    void defaultsSetEveryValueTheyShould() {
        ProgramDir dir;
        Window w(dir);
        // Everything away from its default first.
        w.chooser()->SetDisplayed({"Номер_Б"});
        w.chooser()->SetSort({"Прод_мс[Down]"});
        for (const char* c : {"CheckBox1", "CheckBox3"})
            w.check(c)->setChecked(false);
        for (const char* c : {"CheckBox2", "CheckBox4", "CheckBox6", "CheckBox5"})
            w.check(c)->setChecked(true);
        w.toggle("ToolButton5")->click();
        w.combo("ComboBox3")->addItems({"i3962", "i3963"});
        w.combo("ComboBox3")->setCurrentIndex(1);
        w.trigger("N7"); // writes addpar.ini and moves the start date
        w.trigger("N9");
        for (const char* mark : {"N5", "N6", "N7", "N8", "N9"})
            w.c<QAction>(mark)->setChecked(true);
        w.combo("ComboBox1")->setCurrentIndex(3);
        w.combo("ComboBox2")->setCurrentIndex(5);
        w.combo("ComboBox4")->setCurrentIndex(1);
        const QDateTime start = w.picker("DateTimePicker1")->dateTime();
        const QDateTime end = w.picker("DateTimePicker2")->dateTime();
        const QByteArray saved = dir.Read("addpar.ini");

        w.button("ButtonGroup12")->click();
        Names all;
        for (std::string_view n : ResultColumnNames())
            all.emplace_back(n);
        QCOMPARE(w.chooser()->Displayed(), all);
        QCOMPARE(w.chooser()->Sort(), (Names{"Дата_иниц[Up]", "Время_иниц[Up]"}));
        QVERIFY(w.check("CheckBox1")->isChecked());
        QVERIFY(!w.check("CheckBox2")->isChecked());
        QVERIFY(w.check("CheckBox3")->isChecked());
        QVERIFY(!w.check("CheckBox4")->isChecked());
        QVERIFY(!w.check("CheckBox6")->isChecked());
        QVERIFY(!w.check("CheckBox5")->isChecked());
        QVERIFY(!w.toggle("ToolButton5")->isChecked());
        QVERIFY(!w.c<QAction>("N5")->isChecked());
        QVERIFY(w.c<QAction>("N6")->isChecked());
        QVERIFY(!w.c<QAction>("N7")->isChecked());
        QVERIFY(w.c<QAction>("N8")->isChecked());
        QVERIFY(!w.c<QAction>("N9")->isChecked());
        QCOMPARE(w.combo("ComboBox1")->currentText(), QString::fromUtf8("равно"));
        QCOMPARE(w.combo("ComboBox2")->currentText(), QString::fromUtf8("равно"));
        QCOMPARE(w.combo("ComboBox3")->currentIndex(), 0);
        QCOMPARE(w.combo("ComboBox3")->currentText(), QString("i3962"));
        QCOMPARE(w.combo("ComboBox4")->currentText(), QString("AND"));
        // Nothing is saved and the dates stay.
        QCOMPARE(dir.Read("addpar.ini"), saved);
        QCOMPARE(w.picker("DateTimePicker1")->dateTime(), start);
        QCOMPARE(w.picker("DateTimePicker2")->dateTime(), end);
    }

    void stateSavedAndRestoredAcrossTwoWindows() {
        ProgramDir dir;
        {
            Window w(dir);
            w.chooser()->SetDisplayed({"Номер_Б", "Ошибка"});
            w.chooser()->SetSort({"Прод_мс[Down]"});
            w.check("CheckBox6")->setChecked(true);
            w.check("CheckBox1")->setChecked(false);
            w.combo("ComboBox1")->setCurrentIndex(3);
            w.combo("ComboBox3")->addItem("i3962");
            w.combo("ComboBox3")->setCurrentIndex(0);
            w.toggle("ToolButton5")->click();
            w.trigger("N5");
            w.button("ButtonGroup13")->click(); // "Сохранить состояние"
            QVERIFY(w.messages.isEmpty());
        }
        Window v(dir);
        QCOMPARE(v.chooser()->Displayed(), (Names{"Номер_Б", "Ошибка"}));
        QCOMPARE(v.chooser()->Sort(), (Names{"Прод_мс[Down]"}));
        QVERIFY(v.check("CheckBox6")->isChecked());
        QVERIFY(!v.check("CheckBox1")->isChecked());
        QCOMPARE(v.combo("ComboBox1")->currentIndex(), 3);
        QCOMPARE(v.combo("ComboBox3")->currentText(), QString("i3962"));
        QVERIFY(v.toggle("ToolButton5")->isChecked());
        QVERIFY(v.combo("ComboBox3")->isEnabled()); // the toggle was applied
        QCOMPARE(v.picker("DateTimePicker1")->date(), QDate(2026, 10, 8));

        // "По умолчанию" changes the window only; "Восстановить состояние" brings it back.
        v.button("ButtonGroup12")->click();
        QCOMPARE(v.chooser()->Displayed().size(), std::size_t{20});
        QVERIFY(!v.toggle("ToolButton5")->isChecked());
        QCOMPARE(v.picker("DateTimePicker1")->date(), QDate(2026, 10, 8)); // dates untouched
        v.button("ButtonGroup14")->click();
        QCOMPARE(v.chooser()->Displayed().size(), std::size_t{2});
    }

    void stateRestoredAtTheFirstActivationOnly() {
        ProgramDir dir;
        {
            Window w(dir);
            w.check("CheckBox6")->setChecked(true);
            w.combo("ComboBox1")->setCurrentIndex(3);
            w.button("ButtonGroup13")->click();
        }
        Window v(dir, false);
        QVERIFY(!v.check("CheckBox6")->isChecked()); // created, not yet activated
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(v.form.get(), &activate);
        QVERIFY(v.check("CheckBox6")->isChecked());
        QCOMPARE(v.combo("ComboBox1")->currentIndex(), 3);

        // What the user changes afterwards survives every later activation.
        v.check("CheckBox6")->setChecked(false);
        v.combo("ComboBox1")->setCurrentIndex(1);
        v.chooser()->SetDisplayed({"Ошибка"});
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(v.form.get(), &deactivate);
        QCoreApplication::sendEvent(v.form.get(), &activate);
        v->show();
        v->hide();
        v->show();
        QVERIFY(!v.check("CheckBox6")->isChecked());
        QCOMPARE(v.combo("ComboBox1")->currentIndex(), 1);
        QCOMPARE(v.chooser()->Displayed(), (Names{"Ошибка"}));
    }

    void exchangeListSavedWhenAutoSaveIsChecked() {
        ProgramDir dir;
        Window w(dir);
        w.toggle("ToolButton5")->click();
        w.combo("ComboBox3")->setEditText("i3962");
        w.trigger("AddNum");
        QCOMPARE(ReadLineFile(dir.path + "ListNode.ini")->size(), std::size_t{0});
        w.check("CheckBox4")->setChecked(true);
        w.trigger("AddNum");
        QCOMPARE(ReadLineFile(dir.path + "ListNode.ini")->size(), std::size_t{2});
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
        QString statusWhileRunning;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, [&] {
            if (!w->LoadRunning() || checkedWhileRunning) return;
            checkedWhileRunning = true;
            disabledWhileRunning = !w.button("ButtonGroup1")->isEnabled() &&
                                   !w.button("ButtonGroup3")->isEnabled() &&
                                   !w.button("ButtonGroup12")->isEnabled();
            statusWhileRunning = w.statusBar()->currentMessage();
            w->startLoad(); // refused
        });
        probe.start();
        w.button("ButtonGroup1")->click();
        probe.stop();
        QVERIFY(checkedWhileRunning);
        QVERIFY(disabledWhileRunning);
        QCOMPARE(statusWhileRunning, QString::fromUtf8("Идет загрузка файлов. Ожидайте..."));
        QVERIFY(w.messages.contains(
            QString::fromUtf8("Идёт загрузка файлов. Дождитесь её окончания.")));
        QVERIFY(w.button("ButtonGroup1")->isEnabled());
        QVERIFY(w.grid()->model() != nullptr);
        QVERIFY(w.grid()->model()->rowCount() > 1000);
        QVERIFY(w.grid()->isVisible());
        QVERIFY(manifest.Total.Sound > static_cast<std::uint64_t>(w.grid()->model()->rowCount()));
    }

    // The option "Загружать из архива (PostgreSQL)" sends "Начать" to the
    // archive named by the program directory's service file instead of the
    // AMA folder; an archive that cannot be reached leaves the call table
    // as it was. (The load from a real archive is tested in the archive's
    // own tests against a server.)
    void theArchiveOptionLoadsFromTheArchiveNotTheFolder() {
        ProgramDir dir;
        QTemporaryDir ama;
        WriteSampleFiles(ama, 500);
        Window w(dir);
        PrepareLoadOfEveryCall(w, ama);
        w.button("ButtonGroup1")->click(); // from the folder: the table fills
        const std::int64_t fromFolder = StoredRows(dir);
        QVERIFY(fromFolder > 500);
        w.messages.clear();

        w.check("ArchiveSourceOption")->setChecked(true);
        w.button("ButtonGroup1")->click(); // no service file yet
        QCOMPARE(w.messages.size(), 1);
        QVERIFY(
            w.messages[0].startsWith(QString::fromUtf8("Не найден файл подключения к архиву ")));
        QVERIFY(w.messages[0].contains(QString::fromStdString(dir.path + "pg_service.conf")));

        // A server nobody listens on (port 1 of the loopback).
        QFile service(QString::fromStdString(dir.path + "pg_service.conf"));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write("[kestrom]\nhost=127.0.0.1\nport=1\ndbname=kestrom\nuser=reader\n"
                      "connect_timeout=5\n");
        service.close();
        w.messages.clear();
        w.button("ButtonGroup1")->click();
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages[0].startsWith(QString::fromUtf8("Сервер архива недоступен")),
                 qPrintable(w.messages[0]));
        QCOMPARE(StoredRows(dir), fromFolder);
        QVERIFY(w.button("ButtonGroup1")->isEnabled());

        // The option is part of the saved state.
        w.button("ButtonGroup13")->click();
        QVERIFY(dir.Read("addpar.ini").contains("\r\nArchiveSource=1\r\n"));
        w.check("ArchiveSourceOption")->setChecked(false);
        w.messages.clear();
        w.button("ButtonGroup1")->click(); // from the folder again
        QVERIFY(w.messages.isEmpty());
        QCOMPARE(StoredRows(dir), fromFolder);
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
            Child<QPushButton>(form, "BitBtn1")->click(); // posts the cancel to the main window
            pressed = true;
        });
        probe.start();
        w.button("ButtonGroup1")->click();
        probe.stop();
        QVERIFY(pressed);
        QVERIFY(!w->LoadRunning());
        // The first day stopped early and the second was never loaded.
        QVERIFY(w.grid()->model()->rowCount() < static_cast<int>(manifest.Files[0].Counts.Sound));
        QVERIFY(w.messages.isEmpty());
    }

    void closingDuringALoadStopsItAndCloses() {
        ProgramDir dir;
        QTemporaryDir ama;
        const auto manifest = WriteSampleFiles(ama, 20000);
        {
            Window w(dir);
            PrepareLoadOfEveryCall(w, ama);
            w.check("CheckBox5")->setChecked(true);
            w.check("CheckBox6")->setChecked(true);
            bool asked = false;
            QTimer probe;
            probe.setInterval(0);
            connect(&probe, &QTimer::timeout, [&] {
                if (asked || !w->LoadRunning()) return;
                asked = true;
                w->close(); // one close, while the load yields
            });
            probe.start();
            w.button("ButtonGroup1")->click();
            probe.stop();
            QVERIFY(asked);
            QVERIFY(!w->LoadRunning());
            QVERIFY(!w->isVisible());
            QVERIFY(w.messages.isEmpty());
        }
        // Stopped at a record of the first day; what was stored is there.
        const std::int64_t stored = StoredRows(dir);
        QVERIFY2(stored > 0 && stored < static_cast<std::int64_t>(manifest.Files[0].Counts.Sound),
                 qPrintable(QString::number(stored)));
        // The state was saved as at every close.
        Window v(dir);
        QVERIFY(v.check("CheckBox6")->isChecked());
        QVERIFY(v.check("CheckBox5")->isChecked());
    }

    void closingSavesTheStateOnlyWhenAskedTo() {
        ProgramDir dir;
        {
            Window w(dir);
            w.check("CheckBox6")->setChecked(true);
            w->close(); // "Автосохранение состояния по выходу" unchecked: nothing written
        }
        QVERIFY(!dir.Has("addpar.ini"));
        {
            Window w(dir);
            QVERIFY(!w.check("CheckBox6")->isChecked());
            w.check("CheckBox6")->setChecked(true);
            w.check("CheckBox5")->setChecked(true);
            QVERIFY(w->close());
        }
        QVERIFY(dir.Has("addpar.ini"));
        Window v(dir);
        QVERIFY(v.check("CheckBox6")->isChecked());
        QVERIFY(v.check("CheckBox5")->isChecked());
    }

    void windowClosedMinimisedOpensMinimised() {
        ProgramDir dir;
        {
            Window w(dir);
            w.check("CheckBox5")->setChecked(true);
            w->showMinimized();
            QTRY_VERIFY(w->isMinimized());
            QVERIFY(w->close());
        }
        QVERIFY(dir.Read("addpar.ini").contains("window=1"));

        // The state reaches the window once it is on screen: a platform that
        // resizes a window while mapping it drops a state set before.
        Window v(dir, false);
        bool minimisedOnScreen = false;
        struct StateWatch : QObject {
            bool* seen;
            explicit StateWatch(bool* s) : seen(s) {}
            bool eventFilter(QObject* o, QEvent* e) override {
                auto* w = static_cast<QWidget*>(o);
                if (e->type() == QEvent::WindowStateChange && w->isMinimized())
                    *seen = w->windowHandle() != nullptr && w->windowHandle()->isVisible();
                return false;
            }
        } watch(&minimisedOnScreen);
        v->installEventFilter(&watch);
        v->show();
        QTRY_VERIFY(v->isMinimized());
        QVERIFY(minimisedOnScreen);
        v->removeEventFilter(&watch);
    }

    void windowShrinksToItsDesignedSize() {
        ProgramDir dir;
        Window w(dir);
        // Every command stays on screen at the designed size and in a wide
        // window, where the right-hand commands keep to the right edge.
        const auto commandsOnScreen = [&w] {
            std::vector<std::pair<const char*, QRect>> seen;
            for (const char* name :
                 {"ButtonGroup1", "ButtonGroup3", "ButtonGroup5", "ButtonGroup2", "ButtonGroup6",
                  "ButtonGroup13", "ButtonGroup14", "ButtonGroup12", "ButtonGroup4", "ComboBox3",
                  "DateTimePicker2", "CheckBox1"}) {
                auto* b = w.c<QWidget>(name);
                const QRect r(b->mapTo(w.form.get(), QPoint(0, 0)), b->size());
                QVERIFY2(b->isVisible() && w->rect().contains(r), name);
                for (const auto& [other, rect] : seen)
                    QVERIFY2(!rect.intersects(r),
                             qPrintable(QString("%1 over %2").arg(name, other)));
                seen.emplace_back(name, r);
            }
        };
        w->resize(787, 496);
        QApplication::processEvents();
        QCOMPARE(w->size(), QSize(787, 496));
        commandsOnScreen();
        w.button("ButtonGroup6")->click(); // the settings panel takes no extra width
        QApplication::processEvents();
        w->resize(787, 496);
        QCOMPARE(w->size(), QSize(787, 496));
        commandsOnScreen();
        w->resize(1400, 700);
        QApplication::processEvents();
        commandsOnScreen();
        const auto rightEdge = [&w](const char* name) {
            QPushButton* b = w.button(name);
            return b->mapTo(w.form.get(), QPoint(b->width(), 0)).x();
        };
        QVERIFY(rightEdge("ButtonGroup2") > 1400 - 40);
        QVERIFY(rightEdge("ButtonGroup4") > 1400 - 40);
        QCOMPARE(w.button("ButtonGroup2")->y(), w.button("ButtonGroup1")->y()); // one line
    }

    void settingsPanelLeavesRoomForTheRowsAndTheLists() {
        ProgramDir dir;
        QTemporaryDir ama;
        WriteSampleFiles(ama, 100);
        Window w(dir);
        PrepareLoadOfEveryCall(w, ama);
        w.button("ButtonGroup1")->click(); // opens the result with its vertical titles
        w.button("ButtonGroup6")->click();
        w->resize(787, 496);
        QApplication::processEvents();
        QCOMPARE(w->size(), QSize(787, 496)); // the room is not found by growing the window
        ResultGrid* grid = w.grid();
        QVERIFY(grid->isVisible() && grid->model()->rowCount() > 10);
        QVERIFY2(grid->viewport()->height() >= 3 * grid->RowHeight(),
                 qPrintable(QString::number(grid->viewport()->height())));
        // The panel scrolls; each list shows all the items it holds.
        for (const char* name : {"ListBox3", "ListBox1"}) {
            auto* list = w.c<QListWidget>(name);
            QVERIFY(list->count() >= 18);
            const QRect last = list->visualItemRect(list->item(list->count() - 1));
            QVERIFY2(list->viewport()->rect().contains(last), name);
        }
        // With room enough, the whole panel is seen without scrolling it.
        w->resize(1280, 800);
        QApplication::processEvents();
        auto* panel = w.c<QScrollArea>("Panel5");
        auto* list = w.c<QListWidget>("ListBox3");
        const QRect last = list->visualItemRect(list->item(19));
        const QPoint bottom = list->viewport()->mapTo(panel->viewport(), last.bottomLeft());
        QVERIFY(panel->viewport()->rect().contains(bottom));
        QVERIFY(grid->viewport()->height() >= 3 * grid->RowHeight());
    }

    // A table left by a load that broke off is shown, and said to be
    // incomplete once; a damaged table file is named with what to do.
    void openingTellsOfABrokenOffLoadAndOfADamagedTable() {
        ProgramDir dir;
        {
            Database db(dir.path);
            EmptyCallTable(db); // a load that began and never recorded its end
        }
        Window w(dir);
        QStringList errors;
        w->showError = [&](const QString& t, const QString& m) { errors << t + "|" + m; };
        w.button("ButtonGroup3")->click();
        QCOMPARE(errors, QStringList{});
        QCOMPARE(w.messages, QStringList{ToQString(IncompleteLoadMessage)});
        w.button("ButtonGroup3")->click();
        QCOMPARE(w.messages.size(), 1); // once

        w.messages.clear();
        {
            QFile amg(QString::fromStdString(dir.path + "AMG.db"));
            QVERIFY(amg.open(QIODevice::WriteOnly | QIODevice::Truncate));
            amg.write(QByteArray(8192, 'x'));
        }
        Window fresh(dir);
        fresh->showError = [&](const QString& t, const QString& m) { errors << t + "|" + m; };
        fresh.button("ButtonGroup3")->click();
        QCOMPARE(errors, QStringList{QString::fromUtf8("Error|Ошибка #100")});
        QCOMPARE(fresh.messages.size(), 1);
        QVERIFY2(fresh.messages[0].contains("AMG.db"), qPrintable(fresh.messages[0]));
    }

    void refusedLoadsLeaveTheStatusBarAndAFailedOpeningTheLayout() {
        ProgramDir dir;
        Window w(dir);
        QString errorTitle, errorText;
        w->showError = [&](const QString& t, const QString& m) {
            errorTitle = t;
            errorText = m;
        };
        QStringList statusAtMessage;
        w->showMessage = [&](const QString& m) {
            w.messages << m;
            statusAtMessage << w.statusBar()->currentMessage();
        };
        w.button("ButtonGroup1")->click();
        w.toggle("ToolButton12")->click();
        w.button("ButtonGroup1")->click(); // no AMA folder
        w.combo("ComboBox5")->setEditText(QString::fromStdString(dir.path));
        w.picker("DateTimePicker1")->setDate(QDate(2026, 10, 9));
        w.button("ButtonGroup1")->click(); // the end before the start
        QCOMPARE(w.messages,
                 (QStringList{QString::fromUtf8("Не выбран фильтр!"),
                              QString::fromUtf8("Не указан путь к файлам *.AMA!"),
                              QString::fromUtf8("Дата окончания периода раньше даты начала!")}));
        QCOMPARE(statusAtMessage, (QStringList{QString(), QString(), QString()}));

        errorText.clear();
        w.button("ButtonGroup6")->click();
        w.chooser()->SetSort({"Нет_такого[Up]"});
        w.button("ButtonGroup3")->click();
        QCOMPARE(errorTitle, QString("Error"));
        QCOMPARE(errorText, QString::fromUtf8("Ошибка #100"));
        // The grid is hidden; the settings panel stays at the top with its
        // own height, in a small window and in a large one.
        auto* panel = w.c<QWidget>("Panel5");
        for (const QSize size : {QSize(787, 496), QSize(1280, 800)}) {
            w->resize(size);
            QApplication::processEvents();
            QVERIFY(w.grid()->isHidden());
            QCOMPARE(panel->geometry().top(), 0);
            QVERIFY(panel->height() <= panel->sizeHint().height());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindow_test.moc"
