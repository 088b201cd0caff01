#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

/// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

/// The font of a title or of a column's cells.
struct ExportFont {
    std::string name = "Tahoma";
    int points = 8;
    Rgb colour = 0x000000;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

enum class ExportAlignment { Left, Right, Center };

/// How a column's values go into the typed formats (XLS, XLSX): integers,
/// floating-point numbers, or texts, dates and times.
enum class ExportKind { Integer, Float, Text, Date, Time };

/// One exported column, as the grid shows it.
struct ExportColumn {
    std::string caption; ///< the title, UTF-8 (the result column name)
    int widthPx = 64;
    ExportFont font;
    ExportAlignment alignment = ExportAlignment::Left;
    ExportKind kind = ExportKind::Text;
};

/// The parameters of one data cell. The views stay valid until the next
/// row is asked for.
struct ExportCell {
    bool null = false;
    std::string_view text;    ///< the display text, UTF-8
    std::int64_t integer = 0; ///< the value of an Integer column
    double number = 0;        ///< the value of a Float column
    std::string_view stored;  ///< a Date ("YYYY-MM-DD") or Time ("HH:MM:SS[.zzz]") as stored
    Rgb background = 0xFFFFFF;
};

/// The exported columns and what the whole table needs.
struct ExportTable {
    std::vector<ExportColumn> columns;
    ExportFont titleFont;      ///< the font of the title row
    Rgb buttonFace = 0xF0F0F0; ///< the table's background in HTML
    /// The cells' normal background (the window colour): XLSX fills only
    /// the cells of any other background.
    Rgb cellBackground = 0xFFFFFF;
    std::string gridName = "DBGridEh1";
};

/// The rows to write, in order, one at a time.
class ExportRows {
  public:
    virtual ~ExportRows() = default;
    /// How many rows Next will give in all.
    virtual std::size_t RowCount() const = 0;
    /// Fills cells with one cell per exported column for the next row;
    /// false after the last row.
    virtual bool Next(std::vector<ExportCell>& cells) = 0;
};

} // namespace kestrom
