#pragma once

#include "ui/GridPages.h"

#include <QPageLayout>
#include <QString>

namespace kestrom {

/// The resolution printed grids are laid out in for a PDF file.
inline constexpr int PdfResolution = 1200;

/// The pages of a printed grid: A4 landscape, 2 cm margins on each side.
QPageLayout PrintPageLayout();

/// Writes every page of pages to a PDF file titled "Табличная информация",
/// on the paper of the pages' layout at their resolution. The file is
/// written beside fileName and put in its place only when complete: a
/// failure leaves no file behind and an existing file as it was. Returns
/// an empty text, or the reason of the failure (Russian).
QString WritePdfPages(const GridPages& pages, const QString& fileName);

} // namespace kestrom
