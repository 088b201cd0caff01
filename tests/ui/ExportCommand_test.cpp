// The command "Экспорт" as the user reaches it in the main window: the
// dialog's folder, name and types, the file of the rows the grid offers,
// the messages, cancelling and failures.

#include "tests/ui/CallsDir.h"
#include "tests/ui/Child.h"
#include "ui/ExportCommand.h"
#include "ui/FilterCell.h"
#include "ui/FilterRow.h"
#include "ui/MainWindow.h"
#include "ui/ResultGrid.h"
#include "ui/WindowExportProgress.h"

#include "base/Cp1251.h"
#include "settings/SettingsFiles.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace kestrom;

namespace {

using test::CallsDir;
using test::Child;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList messages; // title|text of the export's messages
    QStringList told;     // the window's other messages
    std::optional<ExportCommand::DialogSetup> setup;
    std::optional<ExportCommand::Choice> answer;

    explicit Window(const CallsDir& dir, const QString& exportFolder) {
        // Kestrom.ini: the AMA folder, then the export folder.
        std::ofstream(dir.path + "Kestrom.ini", std::ios::binary)
            << Utf8ToCp1251(std::string(AmaPathLineName) + "=" + dir.path) << "\r\n"
            << Utf8ToCp1251(std::string(ExportPathLineName) + "=" + exportFolder.toStdString())
            << "\r\n";
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [this](const QString& m) { told << m; };
        form->Export().inform = [this](const QString& t, const QString& m) {
            messages << t + "|" + m;
        };
        form->Export().chooseFile = [this](const ExportCommand::DialogSetup& s) {
            setup = s;
            return answer;
        };
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    template <class T> T* c(const char* name) { return Child<T>(form.get(), name); }
    ResultGrid* grid() { return c<ResultGrid>("DBGridEh1"); }
    void open() { c<QPushButton>("ButtonGroup3")->click(); }
    void exportTo(const QString& path, ExportFormat format) {
        answer = ExportCommand::Choice{path, format};
        c<QPushButton>("ButtonGroup5")->click();
    }
};

} // namespace

class ExportCommandTest : public QObject {
    Q_OBJECT
  private slots:
    void dialogStartsInTheExportFolderWithTheProposedName() {
        CallsDir dir;
        QTemporaryDir out;
        Window w(dir, out.path());
        w.c<QPushButton>("ButtonGroup5")->click(); // cancelled: nothing happens
        QVERIFY(w.setup.has_value());
        QCOMPARE(w.setup->folder, out.path());
        QCOMPARE(w.setup->proposedName, U("SierchRes_"));
        QCOMPARE(w.setup->fileTypes,
                 (QStringList{U("Файлы (*.htm)"), U("Файлы Exel (*.xls)"),
                              U("Книга Excel (*.xlsx)"), U("Файлы CSV (*.csv)")}));
        QCOMPARE(w.setup->defaultSuffix, QString("htm"));
        QCOMPARE(w.messages, QStringList{});

        // The number filters that are down, as typed.
        w.c<QToolButton>("ToolButton1")->click();
        w.c<QLineEdit>("Edit2")->setText("123");
        w.c<QPushButton>("ButtonGroup5")->click();
        QCOMPARE(w.setup->proposedName, U("SierchRes_№А_123_"));
        w.c<QToolButton>("ToolButton4")->click();
        w.c<QLineEdit>("Edit3")->setText("45");
        w.c<QPushButton>("ButtonGroup5")->click();
        QCOMPARE(w.setup->proposedName, U("SierchRes_№А_123_№B_45"));
        w.c<QToolButton>("ToolButton1")->click();
        w.c<QPushButton>("ButtonGroup5")->click();
        QCOMPARE(w.setup->proposedName, U("SierchRes_№B_45"));
        QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
    }

    void theShownRowsInTheGridsOrderAndColours() {
        CallsDir dir;
        QTemporaryDir out;
        Window w(dir, out.path());
        w.open();
        w.c<QCheckBox>("CheckBox6")->setChecked(true);
        ResultGrid* grid = w.grid();
        const int number = grid->Model().ColumnIndex(U("Номер_А"));
        grid->SetFilterCondition(number, "<>3962002");
        grid->setCurrentIndex(grid->model()->index(1, number));

        const QString path = out.filePath("calls.htm");
        w.exportTo(path, ExportFormat::Html);
        QCOMPARE(w.messages,
                 QStringList{U("Information|Экспорт выполнен.\rФайл ") + path + U(" сохранен.")});
        const QString html = QString::fromStdString(Cp1251ToUtf8(Read(path).toStdString()));
        QVERIFY(html.startsWith("<!DOCTYPE HTML PUBLIC"));
        // The title row and the three rows the filter lets through, in the
        // grid's order (by start: 7, 9, 10 October), all successful: yellow.
        QCOMPARE(html.count("<TR>"), 4);
        const int shown = static_cast<int>(grid->DisplayedColumns().size());
        QCOMPARE(html.count("BGCOLOR=#FFFF00"), 3 * shown);
        QVERIFY(html.indexOf("3962003") < html.indexOf("3600000"));
        QVERIFY(html.indexOf("3600000") < html.indexOf("1800000"));
        QVERIFY(!html.contains("3962002"));
        QVERIFY(html.contains(U("Успешный")));
        // The grid as it was, with the focus.
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(grid->Model().rowCount(), 3);
        QVERIFY(grid->hasFocus());

        // Colouring off: the window colour.
        w.messages.clear();
        w.c<QCheckBox>("CheckBox6")->setChecked(false);
        w.exportTo(path, ExportFormat::Html);
        QCOMPARE(w.messages.size(), 1);
        QVERIFY(!QString::fromLatin1(Read(path)).contains("FFFF00"));
    }

    void eachTypeWritesItsFormat() {
        CallsDir dir;
        QTemporaryDir out;
        Window w(dir, out.path());
        w.open();
        const struct {
            ExportFormat format;
            const char* name;
            QByteArray start;
        } types[] = {{ExportFormat::Html, "a.htm", "<!DOCTYPE"},
                     {ExportFormat::Xls, "a.xls", QByteArray("\x09\x08\x08\x00", 4)},
                     {ExportFormat::Xlsx, "a.xlsx", "PK"},
                     {ExportFormat::Csv, "a.csv", "\xEF\xBB\xBF"}};
        for (const auto& t : types) {
            w.exportTo(out.filePath(t.name), t.format);
            QVERIFY2(Read(out.filePath(t.name)).startsWith(t.start), t.name);
        }
        QCOMPARE(w.messages.size(), 4);
    }

    void progressShowsLateAndCancels() {
        QWidget window;
        WindowExportProgress progress(&window);
        QCOMPARE(progress.Dialog().minimumDuration(), 500);
        const auto buttons = progress.Dialog().findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), U("Отмена"));
        QVERIFY(progress.Step(0, 1000000));
        QVERIFY(!progress.Dialog().isVisible()); // a short export shows nothing
        QTest::qWait(600);
        QVERIFY(progress.Step(5000, 1000000));
        QVERIFY(progress.Dialog().isVisible());
        QCOMPARE(progress.Dialog().value(), 5000);
        progress.Dialog().cancel();
        QVERIFY(!progress.Step(6000, 1000000));
    }

    void failuresTouchNoFile() {
        CallsDir dir;
        QTemporaryDir out;
        const QString failed = U("Information|Ошибка ввода/вывода.\rФайл не может быть создан.");
        {
            // No result open yet: the message, and no file.
            Window w(dir, out.path());
            w.exportTo(out.filePath("none.htm"), ExportFormat::Html);
            QCOMPARE(w.messages, QStringList{failed});
            QVERIFY(!QFile::exists(out.filePath("none.htm")));
        }
        Window w(dir, out.path());
        w.open();
        // A folder that does not exist.
        w.exportTo(out.filePath("missing/calls.htm"), ExportFormat::Html);
        QCOMPARE(w.messages, QStringList{failed});
        // A file that cannot be replaced (a folder of that name) stays.
        QVERIFY(QDir(out.path()).mkdir("taken.htm"));
        w.exportTo(out.filePath("taken.htm"), ExportFormat::Html);
        QCOMPARE(w.messages.size(), 2);
        QVERIFY(QFileInfo(out.filePath("taken.htm")).isDir());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{});
    }
};

QTEST_MAIN(ExportCommandTest)
#include "ExportCommand_test.moc"
