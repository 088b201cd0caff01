#include "results/HtmlExportWriter.h"

#include "base/Cp1251.h"

#include <algorithm>

namespace kestrom {

namespace {

constexpr std::string_view LineEnd = "\r\n";

void AppendRgb(std::string& out, Rgb colour) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (int shift = 20; shift >= 0; shift -= 4)
        out.push_back(Hex[(colour >> shift) & 0xF]);
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Appends the Windows-1251 bytes of text (ASCII bytes keep their value in
// the code page, so the replacements can run after the conversion).
void AppendEscaped(std::string& out, std::string_view utf8) {
    if (utf8.empty()) {
        out.append("&nbsp");
        return;
    }
    std::string converted;
    std::string_view text = utf8;
    if (!IsAscii(utf8)) {
        converted = Utf8ToCp1251(utf8);
        text = converted;
    }
    for (const char c : text) {
        switch (c) {
        case '&':
            out.append("&amp");
            break;
        case '<':
            out.append("&lt");
            break;
        case '>':
            out.append("&gt");
            break;
        case '"':
            out.append("&quot");
            break;
        default:
            out.push_back(c);
        }
    }
}

std::string FontStart(const ExportFont& font) {
    std::string out = "<FONT STYLE=\"font-family: " + Utf8ToCp1251(font.name) +
                      "; font-size: " + std::to_string(font.points) + "pt; color: #";
    AppendRgb(out, font.colour);
    out.append("\">");
    if (font.bold) out.append("<B>");
    if (font.italic) out.append("<I>");
    if (font.underline) out.append("<U>");
    if (font.strikeOut) out.append("<STRIKE>");
    return out;
}

// The closing tags in the order of the opening ones.
std::string FontEnd(const ExportFont& font) {
    std::string out;
    if (font.bold) out.append("</B>");
    if (font.italic) out.append("</I>");
    if (font.underline) out.append("</U>");
    if (font.strikeOut) out.append("</STRIKE>");
    out.append("</FONT>");
    return out;
}

std::string_view AlignmentName(ExportAlignment alignment) {
    switch (alignment) {
    case ExportAlignment::Right:
        return "RIGHT";
    case ExportAlignment::Center:
        return "CENTER";
    case ExportAlignment::Left:
        break;
    }
    return "LEFT";
}

} // namespace

HtmlExportWriter::HtmlExportWriter(ExportOutput& out, const ExportTable& table)
    : out_(out), table_(table) {
    for (const ExportColumn& column : table.columns) {
        CellPieces p;
        p.start = "  <TD WIDTH=" + std::to_string(column.widthPx) + " ALIGN=\"";
        p.start.append(AlignmentName(column.alignment)).append("\" BGCOLOR=#");
        p.font = ">" + FontStart(column.font);
        p.end = FontEnd(column.font) + "</TD>" + std::string(LineEnd);
        pieces_.push_back(std::move(p));
    }
}

void HtmlExportWriter::Line(std::string_view text) {
    out_.Buffer().append(text).append(LineEnd);
}

void HtmlExportWriter::Begin() {
    Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
    Line("<HTML>");
    Line("<HEAD>");
    Line("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">");
    Line("<TITLE>");
    Line(Utf8ToCp1251(table_.gridName));
    Line("</TITLE>");
    Line("</HEAD>");
    Line("<BODY>");
    std::string table = "<TABLE BORDER=0 CELLSPACING=1 CELLPADDING=1 BGCOLOR=#";
    AppendRgb(table, table_.buttonFace);
    table.append(">").append(LineEnd);
    Line(table);
    // A table without columns has no title row, only its data rows.
    if (!table_.columns.empty()) TitleRow();
    out_.Spill();
}

void HtmlExportWriter::TitleRow() {
    Line("<TR>");
    const std::string fontStart = FontStart(table_.titleFont);
    const std::string fontEnd = FontEnd(table_.titleFont);
    std::string& out = out_.Buffer();
    for (const ExportColumn& column : table_.columns) {
        out.append("  <TD WIDTH=").append(std::to_string(column.widthPx));
        out.append(" ALIGN=\"CENTER\">").append(fontStart);
        AppendEscaped(out, column.caption);
        out.append(fontEnd).append("</TD>").append(LineEnd);
    }
    Line("</TR>");
}

void HtmlExportWriter::Row(std::span<const ExportCell> cells) {
    std::string& out = out_.Buffer();
    out.append("<TR>").append(LineEnd);
    const std::size_t n = std::min(cells.size(), pieces_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const CellPieces& p = pieces_[i];
        out.append(p.start);
        AppendRgb(out, cells[i].background);
        out.append(p.font);
        AppendEscaped(out, cells[i].text);
        out.append(p.end);
    }
    out.append("</TR>").append(LineEnd);
    out_.Spill();
}

void HtmlExportWriter::End() {
    Line("</TABLE>");
    Line("</BODY>");
    Line("</HTML>");
    out_.Flush();
}

} // namespace kestrom
