#pragma once

#include "results/ExportFile.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace kestrom {

class ResultGrid;

/// The command "Экспорт" (ButtonGroup5Items0Click): a save dialog owned by
/// the window, starting in the export folder with the proposed name, then
/// the rows the grid offers (its displayed columns in display order, the
/// rows that pass its filter row in its order, each cell as the grid shows
/// it) written in the chosen format, and the message that says how it went.
/// The grid keeps its current row, view, filter and order, and gets the
/// focus back.
class ExportCommand {
  public:
    /// The file types of the dialog, in the order of ExportFormat.
    static const QStringList& FileTypes();

    /// What the dialog starts with.
    struct DialogSetup {
        QString folder;
        QString proposedName;
        QStringList fileTypes;
        QString defaultSuffix;
    };
    /// The file and type chosen; none when the user cancels.
    struct Choice {
        QString path;
        ExportFormat format = ExportFormat::Html;
    };

    ExportCommand(QWidget* window, ResultGrid& grid);

    /// Runs the command with the folder and the name the dialog proposes.
    void Run(const QString& folder, const QString& proposedName);

    /// Where the choice comes from; by default the save dialog.
    std::function<std::optional<Choice>(const DialogSetup&)> chooseFile;
    /// Where the message goes (title, text with a carriage return between
    /// its lines); by default an information box.
    std::function<void(const QString&, const QString&)> inform;

  private:
    std::optional<Choice> AskForFile(const DialogSetup& setup) const;
    ExportOutcome Write(const Choice& choice);
    void Inform(const QString& text) const;

    QWidget* window_;
    ResultGrid& grid_;
};

} // namespace kestrom
