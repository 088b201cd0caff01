#pragma once

#include "ui/PrintSnapshot.h"

#include <QDateTime>
#include <QLocale>
#include <QPageLayout>
#include <QRect>

#include <vector>

class QPainter;

namespace kestrom {

/// The printed pages of a grid snapshot: laid out from the row count, the
/// uniform row height and the column widths alone, so that any page can be
/// painted on its own and a million rows cost nothing until a page is shown.
/// A grid wider than a page continues on further pages: all rows of the
/// first columns, then all rows of the next columns.
///
///     GridPages pages(snapshot, layout, printer.resolution());
///     for (int p = 0; p < pages.PageCount(); ++p) pages.PaintPage(painter, p);
class GridPages {
  public:
    /// layout gives the paper, the orientation and the margins; dpi is the
    /// resolution of the device the pages are painted on.
    GridPages(PrintSnapshot snapshot, const QPageLayout& layout, int dpi);

    int PageCount() const;
    /// Paints page (0-based) in device coordinates of the full page (the
    /// painter's origin at the paper's top left corner).
    void PaintPage(QPainter& painter, int page) const;

    /// The rows (indexes into the snapshot's rows) and the columns (indexes
    /// into its columns) that a page holds.
    struct PageContent {
        int firstRow = 0;
        int rowCount = 0;
        int firstColumn = 0;
        int columnCount = 0;
    };
    PageContent Content(int page) const;
    const PrintSnapshot& Snapshot() const { return snapshot_; }
    const QPageLayout& Layout() const { return layout_; }
    int Dpi() const { return dpi_; }

    /// The moment and the locale "&[Date]", "&[Time]" and their kin stand
    /// for in the header lines (by default: when the pages were made, the
    /// default locale).
    void SetPrintMoment(const QDateTime& now, const QLocale& locale);

  private:
    int Scaled(int screenPx) const;
    /// The font of a point size at the device's resolution, in device pixels.
    QFont DeviceFont(const QFont& font) const;
    int HeaderHeight() const;
    int BandWidth(int firstColumn, int columnCount) const;
    void LayOutBands(int pageWidth);
    void PaintHeader(QPainter& painter, int page) const;
    void PaintTitles(QPainter& painter, const PageContent& content, int top) const;
    void PaintRows(QPainter& painter, const PageContent& content, int top) const;
    void PaintLines(QPainter& painter, const PageContent& content, int top) const;

    PrintSnapshot snapshot_;
    QPageLayout layout_;
    int dpi_;
    std::vector<int> columnBands_; ///< the first column of each band across
    int rowsPerPage_ = 1;
    int rowPages_ = 1;
    QRect paintRect_; ///< inside the margins, in device pixels
    QFont headerFont_;
    QFont gridFont_;
    int headerLineHeight_ = 0;
    int rowHeight_ = 1;
    int titleHeight_ = 1;
    int textMargin_ = 0;
    std::vector<int> columnWidths_; ///< scaled to the device
    QDateTime now_;
    QLocale locale_;
};

/// Replaces "&[Page]", "&[Pages]", "&[Date]", "&[ShortDate]", "&[LongDate]"
/// and "&[Time]" in a header or footer text.
QString ReplacePageFields(const QString& text, int page, int pageCount, const QDateTime& now,
                          const QLocale& locale);

} // namespace kestrom
