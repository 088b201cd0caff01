#pragma once

#include "results/ExportWriter.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace kestrom {

/// The export as an Excel workbook of one sheet, written by libxlsxwriter
/// in its constant-memory mode (each row goes to disk as soon as the next
/// one starts). Cells keep their types: Integer and Float cells are
/// numbers, Date cells dates shown "dd.mm.yyyy", Time cells times of the
/// whole seconds the grid shows, shown "hh:mm:ss", Text cells strings (at
/// most 32767 characters, the most a cell holds), NULL cells empty. A date
/// or time whose stored form does not read as one is written as its text.
///
/// The title row is bold, frozen above the data and carries an autofilter.
/// Column widths follow the grid's pixels: Excel's standard font has digits
/// 7 pixels wide plus 5 pixels of margin per column, so w pixels are
/// (w - 5) / 7 characters (w / 12 below 12 pixels), which Excel shows as
/// the same w pixels. A cell whose background differs from the table's
/// normal cell background gets a solid fill of that colour.
class XlsxExportWriter : public ExportWriter {
  public:
    /// The most data rows a sheet holds below its title row.
    static constexpr std::size_t MaxRows = 1048575;

    /// Writes the workbook to fileName at End, keeping the rows meanwhile
    /// in nameless temporary files in scratchFolder (the target's folder
    /// rather than /tmp, which may live in memory); name is the file the
    /// user chose, for messages. rowCount, the rows to come, sizes the
    /// autofilter. table must outlive the writer.
    XlsxExportWriter(const std::string& fileName, const std::string& scratchFolder,
                     std::string name, const ExportTable& table, std::size_t rowCount);
    /// Drops a workbook that End has not written, with its temporary files.
    ~XlsxExportWriter() override;
    XlsxExportWriter(const XlsxExportWriter&) = delete;
    XlsxExportWriter& operator=(const XlsxExportWriter&) = delete;

    void Begin() override;
    void Row(std::span<const ExportCell> cells) override;
    void End() override;

    /// The width in Excel's characters of a column of that many pixels.
    static double CharacterWidth(int pixels);

  private:
    lxw_format* FormatOf(ExportKind kind, std::uint32_t background);
    void Cell(std::uint16_t column, ExportKind kind, const ExportCell& cell);
    void Text(std::uint16_t column, std::string_view text, lxw_format* format);
    void Check(int error) const;

    std::string name_;
    std::string scratchFolder_; // named in the workbook's options while it lives
    const ExportTable& table_;
    std::size_t rowCount_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* titleFormat_ = nullptr;
    std::map<std::pair<ExportKind, std::uint32_t>, lxw_format*> formats_;
    std::uint32_t row_ = 0;
    std::string scratch_;
};

} // namespace kestrom
