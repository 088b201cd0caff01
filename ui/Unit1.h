#pragma once

#include "db/Database.h"
#include "db/Query.h"
#include "load/LoadCommand.h"
#include "settings/SettingsState.h"
#include "ui/WindowFrontEnd.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTableWidget;
class QTimeEdit;
class QToolButton;

namespace kestrom {

class TColumnChooser;
class ResultGrid;

/// The program's main window: the period and the preliminary filter, the
/// command buttons, the settings panel, the result grid and the status bar.
class TSearchForm : public QWidget {
    Q_OBJECT
  public:
    /// programDir is the program directory (ending in a path delimiter): the
    /// settings files and the database lie there.
    explicit TSearchForm(std::string programDir, QWidget* parent = nullptr);
    ~TSearchForm() override;

    // Period and commands.
    QLabel* Label1 = nullptr;
    QDateTimeEdit* DateTimePicker1 = nullptr;
    QLabel* Label2 = nullptr;
    QDateTimeEdit* DateTimePicker2 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QPushButton* ButtonGroup1 = nullptr; // "Начать"
    QPushButton* ButtonGroup3 = nullptr; // "Открыть таблицу"
    QPushButton* ButtonGroup5 = nullptr; // "Экспорт"
    QPushButton* ButtonGroup2 = nullptr; // "Печать"

    // The preliminary filter.
    QGroupBox* GroupBox2 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QToolButton* ToolButton12 = nullptr;
    QSpinBox* Edit4 = nullptr; // with its spin arrows UpDown2
    QToolButton* ToolButton14 = nullptr;
    QSpinBox* Edit5 = nullptr; // with UpDown3
    QToolButton* ToolButton20 = nullptr;
    QSpinBox* Edit1 = nullptr; // with UpDown1
    QToolButton* ToolButton16 = nullptr;
    QTimeEdit* DateTimePicker3 = nullptr;
    QToolButton* ToolButton18 = nullptr;
    QTimeEdit* DateTimePicker4 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr; // the home page

    // The bottom toolbar.
    QCheckBox* CheckBox1 = nullptr;       // "Только успешные"
    QPushButton* ButtonGroup6 = nullptr;  // "Настройки"
    QPushButton* ButtonGroup13 = nullptr; // "Сохранить состояние"
    QPushButton* ButtonGroup14 = nullptr; // "Восстановить состояние"
    QPushButton* ButtonGroup12 = nullptr; // "По умолчанию"
    QPushButton* ButtonGroup4 = nullptr; // "Оптимизировать ширину колонок"

    // The settings panel.
    QWidget* Panel5 = nullptr;
    QTableWidget* ValueListEditor1 = nullptr;
    QComboBox* ComboBox5 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BtnExportPach = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    TColumnChooser* Chooser = nullptr;
    QCheckBox* CheckBox3 = nullptr; // "Открывать таблицу автоматически"
    QCheckBox* CheckBox2 = nullptr; // "Всегда оптимизировать ширину колонок"
    QCheckBox* CheckBox6 = nullptr; // "Включить подсветку строк"
    QCheckBox* CheckBox4 = nullptr; // "Автосохранение в списке № АТС"
    QCheckBox* CheckBox5 = nullptr; // "Автосохранение состояния по выходу"
    QPushButton* ButtonGroup7 = nullptr; // "Убрать панель"

    ResultGrid* DBGridEh1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::vector<QLabel*> StatusPanels;

    // Right-click menus.
    QMenu* PopupMenu1 = nullptr;
    QAction* AddNum = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N4 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QMenu* PopupMenu3 = nullptr;
    QAction* N8 = nullptr;
    QAction* N9 = nullptr;

    /// Where the window's information messages go; tests answer them here.
    /// By default a message box.
    std::function<void(const QString&)> showMessage;
    /// Where the error box of a failed result query goes (title, text).
    std::function<void(const QString&, const QString&)> showError;
    /// The folder a "..." button lets the user choose (a file of it); empty
    /// when the user cancels. By default the open-file dialog.
    std::function<QString()> chooseFile;
    /// "Today" of the date presets; by default the current local date.
    std::function<TDateTime()> today;

    const SettingsState& Settings() const { return settings_; }
    LoadSession& Session() { return session_; }
    WindowFrontEnd& FrontEnd();
    bool LoadRunning() const { return session_.Busy(); }

  public slots:
    // Commands.
    void BitBtn1Click();             // "Начать"
    void BitBtn2Click();             // "Открыть таблицу"
    void ButtonGroup6Items0Click();  // "Настройки"
    void ButtonGroup7Items0Click();  // "Убрать панель"
    void ButtonGroup13Items0Click(); // "Сохранить состояние"
    void ButtonGroup14Items0Click(); // "Восстановить состояние"
    void ButtonGroup12Items0Click(); // "По умолчанию"
    void Label3Click();
    void BitBtn3Click();
    void BtnExportPachClick();
    void ComboBox5Change(const QString& text);

    // Filter toggles.
    void ToolButton1Click();
    void ToolButton4Click();
    void ToolButton12Click();
    void ToolButton14Click();
    void ToolButton20Click();
    void ToolButton16Click();
    void ToolButton18Click();
    void ToolButton5Click();

    // Exchange list and date presets.
    void AddNumClick();
    void N1Click();
    void N2Click();
    void N4Click();
    void N5Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void N9Click();

    /// The cancel of a running load (the progress window's event).
    void MsgMain2();

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void BuildTopStrip(QWidget* parent);
    void BuildFilterBar(QWidget* parent);
    void BuildSettingsPanel(QWidget* parent);
    void BuildMenus();
    void FormCreate();
    void FormActivate();
    bool FormClose();

    void ReadControls();
    void ApplySettings();
    void ApplyPresetDates();
    TDateTime Today() const;
    void ShowSettingsMessages(const std::vector<std::string>& messages);
    void Inform(const QString& text);
    /// Runs a settings operation; its failure is shown and ends the command.
    bool Guarded(const std::function<void()>& op);
    void SetLoadRunning(bool running);
    LoadRequest RequestFromControls() const;
    void SetStartDate(TDateTime day);
    void SetEndDate(TDateTime day);
    void ChoosePreset(QAction* mark, std::initializer_list<QAction*> others, bool start,
                      int daysBack);

    std::string programDir_;
    SettingsState settings_ = DefaultState();
    Database db_;
    Query query_;
    LoadSession session_;
    std::unique_ptr<WindowFrontEnd> frontEnd_;
    bool firstActivation_ = true;
};

/// The window caption: "Программа просмотра АМА-записей v." followed by the
/// first 8 characters of the file version.
QString WindowCaption(const QString& fileVersion);

} // namespace kestrom
