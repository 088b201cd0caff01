#pragma once

#include "results/ExportFile.h"

#include <QProgressDialog>

namespace kestrom {

/// The progress of an export in a window with "Отмена", shown only when the
/// export runs longer than half a second.
class WindowExportProgress : public ExportProgress {
  public:
    static constexpr int ShowAfterMs = 500;

    explicit WindowExportProgress(QWidget* window);

    bool Step(std::size_t rowsWritten, std::size_t rowCount) override;
    QProgressDialog& Dialog() { return dialog_; }

  private:
    QProgressDialog dialog_;
};

} // namespace kestrom
