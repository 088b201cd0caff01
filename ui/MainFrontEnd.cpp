#include "ui/MainFrontEnd.h"

#include "settings/SettingsFiles.h"
#include "ui/ResultGrid.h"

#include <QStatusBar>

namespace kestrom {

MainFrontEnd::MainFrontEnd(QWidget* window, SettingsState& settings, ResultGrid* grid,
                           QStatusBar* statusBar)
    : WindowFrontEnd(window), settings_(settings), grid_(grid), statusBar_(statusBar) {}

void MainFrontEnd::LoadStarting() {
    WindowFrontEnd::LoadStarting();
    // Only now: a load refused by its checks leaves the status bar alone.
    statusBar_->showMessage(QString::fromUtf8("Идет загрузка файлов. Ожидайте..."));
}

void MainFrontEnd::SavePrintHeaders(const std::string& printStr, const std::string& printStr1) {
    settings_.PrintStr = printStr;
    settings_.PrintStr1 = printStr1;
    kestrom::SavePrintHeaders(settings_);
}

void MainFrontEnd::SetResultAttached(bool attached) {
    grid_->SetAttached(attached);
}

} // namespace kestrom
