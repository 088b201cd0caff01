#include "ui/PrintCommand.h"

#include "load/LoadCommand.h"
#include "ui/GridPages.h"
#include "ui/PdfPages.h"
#include "ui/PrintPreview.h"
#include "ui/PrintSnapshotOfGrid.h"
#include "ui/QtText.h"
#include "ui/ResultGrid.h"

#include <QApplication>

#include <memory>

namespace kestrom {

PrintCommand::PrintCommand(QWidget* window, ResultGrid& grid, const LoadSession& session)
    : window_(window), grid_(grid), session_(session), layout_(PrintPageLayout()) {}

PrintCommand::~PrintCommand() {
    delete preview_.data();
}

void PrintCommand::Run() {
    SetHeader();
    layout_.setOrientation(QPageLayout::Landscape);
    if (!grid_.HasResult()) return;
    ShowPreview();
}

void PrintCommand::SetHeader() {
    headerLines_.clear();
    for (const std::string* line : {&session_.PrintStr(), &session_.PrintStr1()})
        if (!line->empty()) headerLines_ << ToQString(*line);
}

void PrintCommand::ShowPreview() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The grid does not repaint while the pages are prepared.
    const bool updates = grid_.updatesEnabled();
    grid_.setUpdatesEnabled(false);
    auto pages = std::make_unique<GridPages>(PrintSnapshotOfGrid(grid_, headerLines_), layout_,
                                             PdfResolution);
    grid_.setUpdatesEnabled(updates);
    if (!preview_) preview_ = new PrintPreview(window_);
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
    preview_->SetPages(std::move(pages));
    QApplication::restoreOverrideCursor();
}

} // namespace kestrom
