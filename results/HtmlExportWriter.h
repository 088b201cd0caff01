#pragma once

#include "results/ExportOutput.h"
#include "results/ExportWriter.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// The export as an HTML 3.2 page holding one table: a line per row and
/// per cell, each ended by CR LF, every cell's text in the cell's font,
/// background and alignment. The texts are Windows-1251, which a META line
/// after "<HEAD>" declares; a character the code page lacks becomes '?'.
/// In a text "&", "<", ">" and the double quote become "&amp", "&lt",
/// "&gt" and "&quot" (without semicolons), an empty text "&nbsp". A table
/// without columns has no title row, only an empty row per data row.
class HtmlExportWriter : public ExportWriter {
  public:
    /// table must outlive the writer.
    HtmlExportWriter(ExportOutput& out, const ExportTable& table);

    void Begin() override;
    void Row(std::span<const ExportCell> cells) override;
    void End() override;

  private:
    // The fixed pieces of a column's data cells around the colour and the text.
    struct CellPieces {
        std::string start; // "  <TD WIDTH=.. ALIGN=".." BGCOLOR=#"
        std::string font;  // ">" and the font's opening tags
        std::string end;   // the closing tags, "</TD>" and CR LF
    };

    void Line(std::string_view text);
    void TitleRow();

    ExportOutput& out_;
    const ExportTable& table_;
    std::vector<CellPieces> pieces_;
};

} // namespace kestrom
