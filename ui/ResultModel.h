#pragma once

#include "db/Query.h"
#include "results/ResultSet.h"
#include "ui/QtDates.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kestrom {

class RowColouring;

/// A number display format in the style of the formats the users know from
/// the old grid: "0" and "#" are digit places, "." the decimal point and ","
/// anywhere left of it turns on thousands separators. "0.00" shows 2.5 as
/// "2.50", "#.##" shows 0.5 as ".5", "#,##0" shows 1234567 as "1,234,567"
/// (with the locale's group separator).
/// The value is first taken to 15 significant decimal digits and then rounded
/// half away from zero, so 0.015 with "0.00" reads "0.02".
struct NumberFormat {
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;

    /// Empty for a text that holds anything else than the characters above
    /// or more than one decimal point.
    static std::optional<NumberFormat> Parse(std::string_view format);
    /// The value written with the locale's decimal point, group separator and
    /// minus sign. A value that rounds to zero has no minus sign.
    QString Apply(double value, const QLocale& locale) const;
};

/// The open result of the grid DBGridEh1 as a Qt table model: the rows are
/// held compactly in a ResultSet, and a cell's display text is made only
/// when a view asks for it.
///
/// Loading reads the open query in batches from the event loop, one
/// rowsInserted per batch. Every load gets a new generation number; a batch
/// of an older generation is dropped, so a load superseded by a new one (a
/// new opening, a new sort order) leaves nothing behind.
///
///     const quint64 g = model.StartLoad(query);   // columns now, rows later
///     grid.SetUpColumns(listBox1, listBox3);
///     connect(&model, &ResultModel::loadFinished, ...);
///
/// While the data source is disabled (SetEnabled(false), a load of the call
/// table runs) the model shows no rows but keeps its columns, and rows read
/// meanwhile appear when it is enabled again.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr std::size_t DefaultBatchRows = 10000;

    explicit ResultModel(QObject* parent = nullptr);
    ~ResultModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// Takes the columns of the open query, drops every row held and the
    /// display formats, and starts reading its rows from the current one on,
    /// one batch per turn of the event loop. The query must stay alive and
    /// untouched until the load ends or is superseded (by StartLoad or Clear).
    /// Returns the generation of the new load.
    quint64 StartLoad(Query& query);
    /// Reads the next batch of the load of that generation. False when that
    /// load is superseded or has ended (nothing is read then), or when this
    /// batch ended it.
    bool LoadBatch(quint64 generation);
    /// Reads the rest of the running load now, still batch by batch. True
    /// when it ended without an engine error (also when none was running).
    bool LoadRemaining();
    /// Drops columns and rows and supersedes a running load.
    void Clear();
    /// Starts reading the rows of the open query again for the same columns
    /// (the query re-run in another order): the rows held are dropped, the
    /// columns, their formats and the row filter's index stay, the index
    /// being emptied until the caller sets it again. Returns the generation.
    quint64 ReloadRows(Query& query);
    /// Drops the rows and keeps the columns (a re-run that failed).
    void ClearRows();

    /// The rows shown, as result rows in view order: all rows read, or
    /// when an index is set only those. Setting or removing the index
    /// tells the views once and sends shownRowsChanged.
    void SetRowIndex(std::vector<std::uint32_t> rows);
    void RemoveRowIndex();
    bool HasRowIndex() const { return indexed_; }
    /// The index set by SetRowIndex; empty without one.
    std::span<const std::uint32_t> RowIndex() const { return rowIndex_; }
    /// The result row behind a row of the views.
    std::size_t ResultRow(int viewRow) const {
        return indexed_ ? rowIndex_[static_cast<std::size_t>(viewRow)]
                        : static_cast<std::size_t>(viewRow);
    }

    /// The rule that colours whole rows (null: none). The rule must outlive
    /// the model or be removed first.
    void SetRowColouring(const RowColouring* colouring) { colouring_ = colouring; }

    quint64 Generation() const { return generation_; }
    bool IsLoading() const { return source_ != nullptr; }
    /// The engine's message of the last failed load; empty after a load that
    /// ended well.
    const QString& LastError() const { return lastError_; }
    void SetBatchRows(std::size_t rows) { batchRows_ = rows == 0 ? 1 : rows; }
    std::size_t BatchRows() const { return batchRows_; }

    /// The data source switch: disabled, the views see no rows.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }

    /// The locale of dates, times and numbers; the system's by default.
    void SetLocale(const QLocale& locale);
    const QLocale& Locale() const { return locale_; }
    /// The forms of dates and times in the cells.
    const QString& ShortDateFormat() const { return shortDateFormat_; }
    const QString& LongTimeFormat() const { return longTimeFormat_; }

    /// A number format for one column ("0.00"); an empty or unusable text
    /// removes it. Texts, dates and times ignore a format.
    void SetDisplayFormat(int column, const QString& format);
    QString DisplayFormat(int column) const;
    void ClearDisplayFormats();

    /// The display text of a cell of the result (row counted in the result,
    /// whether shown or not): integers in decimal, other numbers in the
    /// column's format or with up to 15 significant digits, dates in the
    /// short date format and times in the long time format of the locale,
    /// texts as stored, nothing for NULL.
    QString DisplayText(std::size_t row, int column) const;
    /// Numbers right, everything else left.
    Qt::Alignment ColumnAlignment(int column) const;
    /// Position of the column of that exact name, -1 when there is none.
    int ColumnIndex(const QString& name) const;
    QString ColumnName(int column) const;

    /// All rows read so far, shown or not.
    const ResultSet& Result() const { return rows_; }

  signals:
    /// The load of that generation has read its last row.
    void loadFinished(quint64 generation);
    /// The engine failed while the load of that generation read its rows;
    /// the rows read before stay.
    void loadFailed(quint64 generation, const QString& detail);
    /// The set of rows the views show changed as a whole: a load ended, the
    /// row index was set or removed, the data source was switched, the rows
    /// were dropped.
    void shownRowsChanged();

  private:
    struct ColumnInfo {
        QString name;
        FieldType type = FieldType::Text;
        QString formatText;
        std::optional<NumberFormat> format;
    };

    void ScheduleBatch(quint64 generation);
    void EndLoad();
    /// Tells the views about rows read but not yet shown.
    void ShowLoadedRows();
    /// The number of rows the views may see now.
    int AvailableRows() const;
    /// Tells the views that no row is shown.
    void HideAllRows();

    ResultSet rows_;
    std::vector<ColumnInfo> columns_;
    Query* source_ = nullptr;
    quint64 generation_ = 0;
    std::size_t batchRows_ = DefaultBatchRows;
    int shownRows_ = 0;
    bool enabled_ = true;
    bool indexed_ = false;
    std::vector<std::uint32_t> rowIndex_;
    const RowColouring* colouring_ = nullptr;
    QString lastError_;

    QLocale locale_;
    QLocale numberLocale_; ///< locale_ without group separators
    QString shortDateFormat_;
    QString longTimeFormat_;
};

} // namespace kestrom
