#include "ui/SettingsPanel.h"

#include "tests/ui/Child.h"

#include "settings/LineFile.h"
#include "settings/SettingsFiles.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrom;

namespace {

using test::Child;

// The panel over the settings files of a fresh program directory.
struct Panel {
    QTemporaryDir dir;
    SettingsState settings = DefaultState();
    QStringList messages;
    SettingsPanel* panel;
    QString chosen; // the file the "..." dialog answers with
    Panel() {
        settings.ProgramDir = dir.path().toStdString() + "/";
        LoadSettingsFiles(settings);
        panel = new SettingsPanel(settings, [this](const QString& m) { messages << m; });
        panel->chooseFile = [this] { return chosen; };
        panel->ShowPaths();
    }
    ~Panel() { delete panel; }
    std::vector<std::string> File(const char* name) const {
        return ReadLineFile(settings.ProgramDir + name).value_or(std::vector<std::string>{});
    }
    QComboBox* folderBox() { return Child<QComboBox>(panel, "ComboBox5"); }
};

} // namespace

class SettingsPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void hiddenAtStartAndHiddenByItsButton() {
        Panel p;
        QVERIFY(p.panel->isHidden());
        p.panel->show();
        Child<QPushButton>(p.panel, "ButtonGroup7")->click();
        QVERIFY(p.panel->isHidden());
    }

    void foldersChosenTypedAndRemembered() {
        Panel p;
        QDir(p.dir.path()).mkpath("a");
        QDir(p.dir.path()).mkpath("b");
        const std::string a = p.dir.path().toStdString() + "/a/";
        const std::string b = p.dir.path().toStdString() + "/b/";
        p.chosen = p.dir.path() + "/a/x.ama";
        Child<QPushButton>(p.panel, "BitBtn3")->click();
        p.chosen = p.dir.path() + "/b/y.ama";
        Child<QPushButton>(p.panel, "BitBtn3")->click();
        QCOMPARE(p.folderBox()->currentText().toStdString(), b);
        QCOMPARE(p.folderBox()->count(), 2);
        QCOMPARE(p.File("History.ini"), (std::vector<std::string>{b, a}));
        QCOMPARE(p.File("Kestrom.ini").front(), "Путь к файлам  *.ама=" + b);
        QCOMPARE(p.panel->AmaFolder(), b);

        // A cancelled dialog changes nothing.
        p.chosen.clear();
        Child<QPushButton>(p.panel, "BitBtn3")->click();
        QCOMPARE(p.File("History.ini").size(), std::size_t{2});

        // The export folder: line 2 only, the history stays.
        p.chosen = p.dir.path() + "/a/z.htm";
        Child<QPushButton>(p.panel, "BtnExportPach")->click();
        QCOMPARE(Child<QTableWidget>(p.panel, "ValueListEditor1")->item(1, 1)->text().toStdString(),
                 a);
        QCOMPARE(p.File("Kestrom.ini").at(1), "Путь экспорта=" + a);

        // A typed folder is stored as typed; the history is not touched.
        p.folderBox()->setEditText("/mnt/ama");
        QCOMPARE(p.File("Kestrom.ini").front(), std::string("Путь к файлам  *.ама=/mnt/ama"));
        QCOMPARE(p.File("History.ini").size(), std::size_t{2});
        QVERIFY(p.messages.isEmpty());
    }
};

QTEST_MAIN(SettingsPanelTest)
#include "SettingsPanel_test.moc"
