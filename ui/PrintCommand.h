#pragma once

#include "ui/PrintPreview.h"

#include <QPageLayout>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace kestrom {

class LoadSession;
class ResultGrid;

/// The command "Печать" (BitBtn4Click): the page header gets the print
/// lines of the last load (PrintStr, then PrintStr1, those not empty), the
/// paper is turned to landscape, and the preview window shows the pages of
/// the grid as it is now (PrintSnapshotOfGrid). The preview is created at
/// the first print and reused; with no result open nothing is shown. The
/// grid does not repaint while the pages are prepared and keeps its
/// current row.
class PrintCommand {
  public:
    PrintCommand(QWidget* window, ResultGrid& grid, const LoadSession& session);
    ~PrintCommand();

    void Run();

    /// The header lines the last run set.
    const QStringList& HeaderLines() const { return headerLines_; }
    /// The paper of the last run: A4, landscape, 2 cm margins.
    const QPageLayout& Layout() const { return layout_; }
    /// The preview window; null before the first print with a result.
    PrintPreview* Preview() const { return preview_; }

  private:
    void SetHeader();
    void ShowPreview();

    QWidget* window_;
    ResultGrid& grid_;
    const LoadSession& session_;
    QStringList headerLines_;
    QPageLayout layout_;
    QPointer<PrintPreview> preview_;
};

} // namespace kestrom
