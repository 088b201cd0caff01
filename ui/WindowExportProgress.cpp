#include "ui/WindowExportProgress.h"

#include <QApplication>

#include <algorithm>
#include <climits>

namespace kestrom {

WindowExportProgress::WindowExportProgress(QWidget* window)
    : dialog_(QString::fromUtf8("Экспорт..."), QString::fromUtf8("Отмена"), 0, 1, window) {
    dialog_.setObjectName(QStringLiteral("ExportProgress"));
    dialog_.setWindowTitle(QApplication::applicationDisplayName());
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(ShowAfterMs);
    dialog_.setAutoReset(false);
    dialog_.setAutoClose(false);
    dialog_.setValue(0);
}

bool WindowExportProgress::Step(std::size_t rowsWritten, std::size_t rowCount) {
    // The bar counts in an int.
    const auto scale = [&](std::size_t n) {
        return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
    };
    dialog_.setMaximum(std::max(1, scale(rowCount)));
    dialog_.setValue(scale(std::min(rowsWritten, rowCount)));
    QApplication::processEvents();
    return !dialog_.wasCanceled();
}

} // namespace kestrom
