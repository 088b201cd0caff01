#include "ui/GridPages.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrom {

namespace {

/// The room left and right of a cell's text, in screen pixels.
constexpr int TextMarginPx = 2;
/// The room left and right of a title's text, in screen pixels.
constexpr int TitleMarginPx = 3;

constexpr Qt::Alignment HorizontalAlignment =
    Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify;

/// The locale's long time form without the time zone.
QString TimeText(const QTime& time, const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QString());
    return locale.toString(time, format.trimmed());
}

} // namespace

QString ReplacePageFields(const QString& text, int page, int pageCount, const QDateTime& now,
                          const QLocale& locale) {
    if (!text.contains(QLatin1String("&["))) return text;
    const QString shortDate = locale.toString(now.date(), QLocale::ShortFormat);
    QString result = text;
    result.replace(QLatin1String("&[Pages]"), QString::number(pageCount));
    result.replace(QLatin1String("&[Page]"), QString::number(page));
    result.replace(QLatin1String("&[ShortDate]"), shortDate);
    result.replace(QLatin1String("&[LongDate]"), locale.toString(now.date(), QLocale::LongFormat));
    result.replace(QLatin1String("&[Date]"), shortDate);
    result.replace(QLatin1String("&[Time]"), TimeText(now.time(), locale));
    return result;
}

GridPages::GridPages(PrintSnapshot snapshot, const QPageLayout& layout, int dpi)
    : snapshot_(std::move(snapshot)), layout_(layout), dpi_(std::max(1, dpi)),
      now_(QDateTime::currentDateTime()) {
    paintRect_ = layout_.paintRectPixels(dpi_);
    headerFont_ = DeviceFont(snapshot_.headerFont);
    gridFont_ = DeviceFont(snapshot_.gridFont);
    headerLineHeight_ = QFontMetrics(headerFont_).height();
    rowHeight_ = std::max(1, Scaled(snapshot_.rowHeightPx));
    titleHeight_ = std::max(1, Scaled(snapshot_.titleHeightPx));
    textMargin_ = Scaled(TextMarginPx);
    for (const PrintSnapshot::Column& column : snapshot_.columns)
        columnWidths_.push_back(std::max(1, Scaled(column.widthPx)));
    LayOutBands(paintRect_.width());

    const int rowRoom = paintRect_.height() - HeaderHeight() - titleHeight_;
    rowsPerPage_ = std::max(1, rowRoom / rowHeight_);
    const auto rows = static_cast<long long>(snapshot_.rows.size());
    rowPages_ = static_cast<int>(std::max(1LL, (rows + rowsPerPage_ - 1) / rowsPerPage_));
}

void GridPages::SetPrintMoment(const QDateTime& now, const QLocale& locale) {
    now_ = now;
    locale_ = locale;
}

int GridPages::Scaled(int screenPx) const {
    const int screenDpi = std::max(1, snapshot_.screenDpi);
    return static_cast<int>(std::lround(static_cast<double>(screenPx) * dpi_ / screenDpi));
}

QFont GridPages::DeviceFont(const QFont& font) const {
    QFont device = font;
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 8.0;
    device.setPixelSize(std::max(1, static_cast<int>(std::lround(points * dpi_ / 72.0))));
    return device;
}

int GridPages::HeaderHeight() const {
    const auto lines = static_cast<int>(snapshot_.headerLines.size());
    if (lines == 0) return 0;
    // Half a line of room between the header and the titles.
    return lines * headerLineHeight_ + headerLineHeight_ / 2;
}

void GridPages::LayOutBands(int pageWidth) {
    columnBands_.assign(1, 0);
    int used = 0;
    for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
        const int width = columnWidths_[i];
        if (used > 0 && used + width > pageWidth) {
            columnBands_.push_back(static_cast<int>(i));
            used = 0;
        }
        used += width;
    }
}

int GridPages::PageCount() const {
    return rowPages_ * static_cast<int>(columnBands_.size());
}

GridPages::PageContent GridPages::Content(int page) const {
    PageContent content;
    if (page < 0 || page >= PageCount()) return content;
    const auto band = static_cast<std::size_t>(page / rowPages_);
    const int rowPage = page % rowPages_;
    const auto rows = static_cast<int>(snapshot_.rows.size());
    content.firstRow = rowPage * rowsPerPage_;
    content.rowCount = std::clamp(rows - content.firstRow, 0, rowsPerPage_);
    content.firstColumn = columnBands_[band];
    const int end = band + 1 < columnBands_.size() ? columnBands_[band + 1]
                                                   : static_cast<int>(columnWidths_.size());
    content.columnCount = end - content.firstColumn;
    return content;
}

int GridPages::BandWidth(int firstColumn, int columnCount) const {
    int width = 0;
    for (int i = firstColumn; i < firstColumn + columnCount; ++i)
        width += columnWidths_[static_cast<std::size_t>(i)];
    return std::min(width, paintRect_.width());
}

void GridPages::PaintPage(QPainter& painter, int page) const {
    if (page < 0 || page >= PageCount()) return;
    painter.save();
    painter.setClipRect(paintRect_);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    PaintHeader(painter, page);
    const PageContent content = Content(page);
    const int top = paintRect_.top() + HeaderHeight();
    PaintTitles(painter, content, top);
    PaintRows(painter, content, top + titleHeight_);
    PaintLines(painter, content, top);
    painter.restore();
}

void GridPages::PaintHeader(QPainter& painter, int page) const {
    painter.setFont(headerFont_);
    int y = paintRect_.top();
    for (const QString& line : snapshot_.headerLines) {
        const QString text = ReplacePageFields(line, page + 1, PageCount(), now_, locale_);
        painter.drawText(QRect(paintRect_.left(), y, paintRect_.width(), headerLineHeight_),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        y += headerLineHeight_;
    }
}

void GridPages::PaintTitles(QPainter& painter, const PageContent& content, int top) const {
    painter.setFont(gridFont_);
    const int margin = Scaled(TitleMarginPx);
    int x = paintRect_.left();
    for (int i = content.firstColumn; i < content.firstColumn + content.columnCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const QRect cell(x, top, columnWidths_[at], titleHeight_);
        const QString& caption = snapshot_.columns[at].caption;
        painter.save();
        painter.setClipRect(cell.intersected(paintRect_));
        if (snapshot_.verticalTitles) {
            // Turned a quarter to the left, read from the bottom up, as on the screen.
            painter.translate(cell.left(), cell.bottom() + 1);
            painter.rotate(-90);
            const QRect turned(margin, 0, cell.height() - 2 * margin, cell.width());
            painter.drawText(turned, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             caption);
        } else {
            painter.drawText(cell.adjusted(margin, 0, -margin, 0),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        }
        painter.restore();
        x += columnWidths_[at];
    }
}

void GridPages::PaintRows(QPainter& painter, const PageContent& content, int top) const {
    if (!snapshot_.text) return;
    painter.setFont(gridFont_);
    for (int r = 0; r < content.rowCount; ++r) {
        const int viewRow = snapshot_.rows[static_cast<std::size_t>(content.firstRow + r)];
        const int y = top + r * rowHeight_;
        int x = paintRect_.left();
        for (int i = content.firstColumn; i < content.firstColumn + content.columnCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            const PrintSnapshot::Column& column = snapshot_.columns[at];
            const QRect cell(x, y, columnWidths_[at], rowHeight_);
            const Qt::Alignment alignment =
                (column.alignment & HorizontalAlignment) | Qt::AlignVCenter;
            painter.save();
            painter.setClipRect(cell.intersected(paintRect_));
            painter.drawText(cell.adjusted(textMargin_, 0, -textMargin_, 0),
                             static_cast<int>(alignment.toInt()) | Qt::TextSingleLine,
                             snapshot_.text(viewRow, column.logicalIndex));
            painter.restore();
            x += columnWidths_[at];
        }
    }
}

void GridPages::PaintLines(QPainter& painter, const PageContent& content, int top) const {
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, dpi_ / 200));
    painter.setPen(pen);
    const int left = paintRect_.left();
    const int right = left + BandWidth(content.firstColumn, content.columnCount);
    const int bottom = top + titleHeight_ + content.rowCount * rowHeight_;
    painter.drawLine(left, top, right, top);
    for (int r = 0; r <= content.rowCount; ++r) {
        const int y = top + titleHeight_ + r * rowHeight_;
        painter.drawLine(left, y, right, y);
    }
    int x = left;
    painter.drawLine(x, top, x, bottom);
    for (int i = content.firstColumn; i < content.firstColumn + content.columnCount; ++i) {
        x += columnWidths_[static_cast<std::size_t>(i)];
        painter.drawLine(std::min(x, right), top, std::min(x, right), bottom);
    }
}

} // namespace kestrom
