#pragma once

#include "ui/Guarded.h"

#include <QScrollArea>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTableWidget;

namespace kestrom {

class TColumnChooser;
struct SettingsState;

/// The settings panel (Panel5), hidden at start: the path editor
/// (ValueListEditor1) with the AMA folder box and its history (ComboBox5) and
/// the two "..." buttons, the column chooser (GroupBox4), the option check
/// boxes and "Убрать панель". It asks for the height of its whole content,
/// so that the chooser's lists show all their items, and gives way to the
/// grid below it in a small window: its content then scrolls.
class SettingsPanel : public QScrollArea {
    Q_OBJECT
  public:
    SettingsPanel(SettingsState& settings, InformFn inform, QWidget* parent = nullptr);

    /// Where the "..." buttons get a file of the folder to choose; empty
    /// when the user cancels. By default the open-file dialog.
    std::function<QString()> chooseFile;

    /// Shows the paths file, the AMA folder and the folder history as the
    /// settings hold them.
    void ShowPaths();
    /// The text of the AMA folder box.
    std::string AmaFolder() const;

    bool AutoOpen() const;          // CheckBox3
    bool AutoSaveExchanges() const; // CheckBox4
    bool SaveOnExit() const;        // CheckBox5
    bool OptimizeColumns() const;   // CheckBox2
    bool ColourRows() const;        // CheckBox6
    /// Loads take their rows from the shared archive.
    bool ArchiveSource() const; // ArchiveSourceOption

    TColumnChooser& Chooser() const { return *chooser_; }

    QSize sizeHint() const override;

    /// The chooser's lists and the options from s.
    void Apply(const SettingsState& s);
    /// The chooser's lists, the options and the folder history into s.
    void ReadInto(SettingsState& s) const;

  signals:
    /// CheckBox6 was ticked or cleared.
    void colourRowsToggled();

  public slots:
    void chooseAmaFolder();                    // BitBtn3Click
    void chooseExportFolder();                 // BtnExportPachClick
    void editAmaFolder(const QString& folder); // ComboBox5Change

  private:
    QString ChooseFile();

    SettingsState& settings_;
    InformFn inform_;
    QTableWidget* pathEditor_ = nullptr;           // ValueListEditor1
    QComboBox* amaFolderBox_ = nullptr;            // ComboBox5
    QPushButton* amaFolderButton_ = nullptr;       // BitBtn3
    QPushButton* exportFolderButton_ = nullptr;    // BtnExportPach
    QGroupBox* chooserGroup_ = nullptr;            // GroupBox4
    TColumnChooser* chooser_ = nullptr;            // ColumnChooser
    QCheckBox* autoOpenOption_ = nullptr;          // CheckBox3
    QCheckBox* optimizeColumnsOption_ = nullptr;   // CheckBox2
    QCheckBox* colourRowsOption_ = nullptr;        // CheckBox6
    QCheckBox* autoSaveExchangesOption_ = nullptr; // CheckBox4
    QCheckBox* saveOnExitOption_ = nullptr;        // CheckBox5
    QCheckBox* archiveSourceOption_ = nullptr;     // ArchiveSourceOption
    QPushButton* hideButton_ = nullptr;            // ButtonGroup7
};

} // namespace kestrom
