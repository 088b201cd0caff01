#include "results/XlsExportWriter.h"

#include "base/Cp1251.h"
#include "results/ExportError.h"

#include <algorithm>
#include <array>
#include <bit>

namespace kestrom {

namespace {

constexpr std::uint16_t Bof = 0x0809;
constexpr std::uint16_t CodePage = 0x0042;
constexpr std::uint16_t LabelType = 0x0204;
constexpr std::uint16_t NumberType = 0x0203;
constexpr std::uint16_t RkType = 0x027E;
constexpr std::uint16_t BlankType = 0x0201;
constexpr std::uint16_t Eof = 0x000A;
constexpr std::uint16_t BlankFormat = 0x17;
constexpr std::int64_t RkMin = -536870912;
constexpr std::int64_t RkMax = 536870911;

void Put16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void Put64(std::string& out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

} // namespace

XlsExportWriter::XlsExportWriter(ExportOutput& out, const ExportTable& table)
    : out_(out), table_(table) {}

void XlsExportWriter::Header(std::uint16_t type, std::size_t length) {
    Put16(out_.Buffer(), type);
    Put16(out_.Buffer(), static_cast<std::uint16_t>(length));
}

void XlsExportWriter::CellStart(std::uint16_t type, std::size_t length, std::uint16_t format) {
    Header(type, length);
    Put16(out_.Buffer(), row_);
    Put16(out_.Buffer(), column_);
    Put16(out_.Buffer(), format);
}

void XlsExportWriter::Begin() {
    Header(Bof, 8);
    // Version 0, a worksheet, no build number and year.
    static constexpr std::array<std::uint16_t, 4> BofFields = {0x0000, 0x0010, 0x0000, 0x0000};
    for (const std::uint16_t field : BofFields)
        Put16(out_.Buffer(), field);
    Header(CodePage, 2);
    Put16(out_.Buffer(), 1251);
    if (table_.columns.empty()) return;
    for (const ExportColumn& column : table_.columns) {
        Label(column.caption);
        NextColumn();
    }
    NextRow();
}

void XlsExportWriter::Label(std::string_view utf8) {
    std::string text = Utf8ToCp1251(utf8);
    // One byte is one character in the code page, so the cut never splits one.
    text.resize(std::min(text.size(), MaxLabelBytes));
    CellStart(LabelType, 8 + text.size(), 0);
    Put16(out_.Buffer(), static_cast<std::uint16_t>(text.size()));
    out_.Buffer().append(text);
}

void XlsExportWriter::Number(double value) {
    CellStart(NumberType, 14, 0);
    Put64(out_.Buffer(), std::bit_cast<std::uint64_t>(value));
}

void XlsExportWriter::Integer(std::int64_t value) {
    if (value < RkMin || value > RkMax) {
        Number(static_cast<double>(value));
        return;
    }
    CellStart(RkType, 10, 0);
    Put32(out_.Buffer(), (static_cast<std::uint32_t>(value) << 2) | 2u);
}

void XlsExportWriter::Cell(ExportKind kind, const ExportCell& cell) {
    if (cell.null) {
        CellStart(BlankType, 6, BlankFormat);
        return;
    }
    switch (kind) {
    case ExportKind::Integer:
        Integer(cell.integer);
        return;
    case ExportKind::Float:
        Number(cell.number);
        return;
    case ExportKind::Text:
    case ExportKind::Date:
    case ExportKind::Time:
        break;
    }
    Label(cell.text);
}

void XlsExportWriter::Row(std::span<const ExportCell> cells) {
    // Row 0 holds the titles, so data row 65535 is the last the counter reaches.
    if (row_ == 0 && !table_.columns.empty())
        throw ExportError("Формат XLS вмещает не более 65535 строк.");
    const std::size_t n = std::min(cells.size(), table_.columns.size());
    for (std::size_t i = 0; i < n; ++i) {
        Cell(table_.columns[i].kind, cells[i]);
        NextColumn();
    }
    if (n > 0) NextRow();
    out_.Spill();
}

void XlsExportWriter::NextColumn() {
    ++column_;
}

void XlsExportWriter::NextRow() {
    ++row_;
    column_ = 0;
}

void XlsExportWriter::End() {
    Header(Eof, 0);
    out_.Flush();
}

} // namespace kestrom
