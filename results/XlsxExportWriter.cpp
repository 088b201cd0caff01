#include "results/XlsxExportWriter.h"

#include "base/DateTime.h"
#include "results/ExportError.h"
#include "results/FileErrorText.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>

namespace kestrom {

namespace {

// ZIP64 lets a sheet's XML outgrow 4 GiB; some old readers warn about it,
// so only a table that could come near that size gets it (a cell takes well
// under 200 bytes of XML).
constexpr std::uint64_t Zip64Cells = 20'000'000;
// The most characters of a cell.
constexpr std::size_t MaxCharacters = 32767;

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (text.size() < at + count) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD" as a day Excel holds.
bool ReadDate(std::string_view text, lxw_datetime& date) {
    date = {};
    return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
           ReadDigits(text, 0, 4, date.year) && ReadDigits(text, 5, 2, date.month) &&
           ReadDigits(text, 8, 2, date.day) && date.year >= 1900 &&
           IsValidDate(date.year, date.month, date.day);
}

// "HH:MM:SS[.zzz]" as the fraction of a day of its whole seconds.
bool ReadTime(std::string_view text, double& dayFraction) {
    int hour = 0, minute = 0, second = 0;
    if (text.size() < 8 || text[2] != ':' || text[5] != ':' || !ReadDigits(text, 0, 2, hour) ||
        !ReadDigits(text, 3, 2, minute) || !ReadDigits(text, 6, 2, second) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    dayFraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    return true;
}

// The text cut after its first MaxCharacters characters.
std::string_view CutToCellLimit(std::string_view utf8) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
        if (++characters > MaxCharacters) return utf8.substr(0, i);
    }
    return utf8;
}

lxw_color_t ExcelColour(std::uint32_t rgb) {
    // libxlsxwriter reads 0 as no colour and has its own value for black.
    const lxw_color_t colour = rgb & 0xFFFFFF;
    return colour == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : colour;
}

} // namespace

XlsxExportWriter::XlsxExportWriter(const std::string& fileName, const std::string& scratchFolder,
                                   std::string name, const ExportTable& table, std::size_t rowCount)
    : name_(std::move(name)), scratchFolder_(scratchFolder), table_(table), rowCount_(rowCount) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratchFolder_.data();
    const std::uint64_t cells = static_cast<std::uint64_t>(rowCount) * table.columns.size();
    options.use_zip64 = cells >= Zip64Cells ? LXW_TRUE : LXW_FALSE;
    book_ = workbook_new_opt(fileName.c_str(), &options);
    if (book_ == nullptr) Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    sheet_ = workbook_add_worksheet(book_, nullptr);
    if (sheet_ == nullptr) {
        lxw_workbook_free(book_);
        book_ = nullptr;
        Check(LXW_ERROR_CREATING_TMPFILE);
    }
}

XlsxExportWriter::~XlsxExportWriter() {
    if (book_ != nullptr) lxw_workbook_free(book_);
}

double XlsxExportWriter::CharacterWidth(int pixels) {
    if (pixels <= 0) return 0;
    if (pixels < 12) return pixels / 12.0;
    return (pixels - 5) / 7.0;
}

void XlsxExportWriter::Begin() {
    if (table_.columns.empty()) return;
    if (table_.columns.size() > LXW_COL_MAX)
        throw ExportError("Формат XLSX вмещает не более 16384 столбцов.");
    titleFormat_ = workbook_add_format(book_);
    format_set_bold(titleFormat_);
    const auto lastColumn = static_cast<lxw_col_t>(table_.columns.size() - 1);
    for (lxw_col_t c = 0; c <= lastColumn; ++c) {
        const ExportColumn& column = table_.columns[c];
        Check(worksheet_set_column(sheet_, c, c, CharacterWidth(column.widthPx), nullptr));
        Text(c, column.caption, titleFormat_);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    const auto lastRow = static_cast<lxw_row_t>(rowCount_ < MaxRows ? rowCount_ : MaxRows);
    Check(worksheet_autofilter(sheet_, 0, 0, lastRow, lastColumn));
}

lxw_format* XlsxExportWriter::FormatOf(ExportKind kind, std::uint32_t background) {
    const bool filled = background != table_.cellBackground;
    if (!filled && kind != ExportKind::Date && kind != ExportKind::Time) return nullptr;
    lxw_format*& format = formats_[{kind, filled ? background : table_.cellBackground}];
    if (format != nullptr) return format;
    format = workbook_add_format(book_);
    if (kind == ExportKind::Date) format_set_num_format(format, "dd.mm.yyyy");
    if (kind == ExportKind::Time) format_set_num_format(format, "hh:mm:ss");
    if (filled) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, ExcelColour(background));
    }
    return format;
}

void XlsxExportWriter::Row(std::span<const ExportCell> cells) {
    ++row_;
    const std::size_t n = std::min(cells.size(), table_.columns.size());
    for (std::size_t i = 0; i < n; ++i)
        Cell(static_cast<std::uint16_t>(i), table_.columns[i].kind, cells[i]);
}

void XlsxExportWriter::Cell(std::uint16_t column, ExportKind kind, const ExportCell& cell) {
    if (cell.null) {
        // Left empty; only a coloured row gives it its fill.
        if (cell.background != table_.cellBackground)
            Check(worksheet_write_blank(sheet_, row_, column,
                                        FormatOf(ExportKind::Text, cell.background)));
        return;
    }
    lxw_format* const format = FormatOf(kind, cell.background);
    switch (kind) {
    case ExportKind::Integer:
        Check(worksheet_write_number(sheet_, row_, column, static_cast<double>(cell.integer),
                                     format));
        return;
    case ExportKind::Float:
        if (!std::isfinite(cell.number)) break;
        Check(worksheet_write_number(sheet_, row_, column, cell.number, format));
        return;
    case ExportKind::Date:
        if (lxw_datetime date; ReadDate(cell.stored, date)) {
            Check(worksheet_write_datetime(sheet_, row_, column, &date, format));
            return;
        }
        break;
    case ExportKind::Time:
        if (double time = 0; ReadTime(cell.stored, time)) {
            Check(worksheet_write_number(sheet_, row_, column, time, format));
            return;
        }
        break;
    case ExportKind::Text:
        break;
    }
    Text(column, cell.text, FormatOf(ExportKind::Text, cell.background));
}

void XlsxExportWriter::Text(std::uint16_t column, std::string_view text, lxw_format* format) {
    scratch_.assign(CutToCellLimit(text));
    if (scratch_.empty()) {
        if (format != nullptr) Check(worksheet_write_blank(sheet_, row_, column, format));
        return;
    }
    Check(worksheet_write_string(sheet_, row_, column, scratch_.c_str(), format));
}

void XlsxExportWriter::End() {
    lxw_workbook* const book = book_;
    book_ = nullptr; // closing frees it, whatever the outcome
    Check(workbook_close(book));
}

void XlsxExportWriter::Check(int error) const {
    if (error == LXW_NO_ERROR) return;
    const int saved = errno;
    std::string reason;
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        reason = "недостаточно памяти";
        break;
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        reason = saved != 0 ? FileErrorText(saved) : lxw_strerror(static_cast<lxw_error>(error));
        break;
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        reason = "строк больше, чем вмещает лист";
        break;
    default:
        reason = std::string("libxlsxwriter: ") + lxw_strerror(static_cast<lxw_error>(error));
    }
    throw ExportError("Ошибка записи в файл " + name_ + ": " + reason + ".");
}

} // namespace kestrom
