#pragma once

#include "ui/WindowFrontEnd.h"

class QStatusBar;

namespace kestrom {

class ResultGrid;
struct SettingsState;

/// The load's front end of the main window: besides the messages and the
/// progress window of WindowFrontEnd it shows in the status bar that a load
/// goes ahead, keeps the print headers in the settings and detaches the grid
/// while a load runs.
class MainFrontEnd : public WindowFrontEnd {
  public:
    MainFrontEnd(QWidget* window, SettingsState& settings, ResultGrid* grid, QStatusBar* statusBar);

    void LoadStarting() override;
    void SavePrintHeaders(const std::string& printStr, const std::string& printStr1) override;
    void SetResultAttached(bool attached) override;

  private:
    SettingsState& settings_;
    ResultGrid* grid_;
    QStatusBar* statusBar_;
};

} // namespace kestrom
