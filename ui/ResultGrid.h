#pragma once

#include "results/RowFilter.h"
#include "results/TitleSortMarks.h"
#include "ui/FindDialog.h"
#include "ui/ResultModel.h"
#include "ui/RowColouring.h"
#include "ui/TitleHeader.h"

#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

class CellTexts;
class FilterRow;
class WidthFitter;

/// DBGridEh1, the read-only grid of the open result. It shows the rows of a
/// ResultModel with a uniform row height of one text line plus 2 pixels in
/// Tahoma 8 pt. Until the first opening its titles are horizontal and its
/// columns share its width; the opening turns the titles vertical and lets
/// every column keep its own width from then on.
///
/// The window's part of an opening, in order:
///
///     grid.BeginOpening();                  // before the query is opened
///     ... OpenResultQuery(query, sortList) ...
///     grid.ShowResult(query, listBox1, listBox3);
///
/// or, step by step, with the rows read from the event loop:
///
///     grid.PrepareForOpening(); grid.DetachData(); grid.HideGrid();
///     grid.Model().StartLoad(query);
///     grid.SetUpColumns(listBox1, listBox3);
///     grid.AttachData(); grid.ShowGrid();
///
/// A click on a title sets the sort marks (TitleSortMarks) and asks for the
/// query to be run again in the new order (sortRequested); the window re-runs
/// it and hands the rows back through ShowReorderedResult. The filter row
/// under the titles narrows the rows held, in memory; shownRowsChanged tells
/// the window to count them again.
class ResultGrid : public QTableView {
    Q_OBJECT
  public:
    /// The width a column gets when the columns are rebuilt.
    static constexpr int DefaultColumnWidth = 64;
    /// The width of the row indicator at the left.
    static constexpr int IndicatorWidth = 11;

    /// Shows model, or a model of its own when model is null.
    explicit ResultGrid(QWidget* parent = nullptr, ResultModel* model = nullptr);
    ~ResultGrid() override;

    ResultModel& Model() const { return *model_; }
    TitleHeader& Titles() const { return *titles_; }

    /// The start of an opening: PrepareForOpening, the data source off, the
    /// grid hidden and the previous result dropped.
    void BeginOpening();
    /// The end of a successful opening: reads every row of the open query
    /// (batch by batch), sets up the columns, turns the data source on and
    /// shows the grid. Raises std::runtime_error with the engine's message
    /// when reading the rows fails; the grid then stays hidden.
    void ShowResult(Query& query, const std::vector<std::string>& displayed,
                    const std::vector<std::string>& master);

    /// Turns the titles vertical and the fitting of the columns to the
    /// grid's width off, for good.
    void PrepareForOpening();
    bool TitlesVertical() const { return titles_->IsVertical(); }
    bool FitsToWidth() const { return fitsToWidth_; }

    /// Rebuilds the columns over the model's current result: one per result
    /// column in result order, each with the default width and a clickable
    /// title, all hidden, "Прод_Мин" with the format "0.00"; then the column
    /// at the place that each name of displayed has in master is shown, and
    /// the displayed names come first, in their order, the hidden columns
    /// after them. Names that are no result column are left out.
    void SetUpColumns(const QStringList& displayed, const QStringList& master);
    /// The names of the shown columns, left to right.
    QStringList DisplayedColumns() const;

    void HideGrid() { hide(); }
    void ShowGrid() { show(); }
    /// The data source off and on again: no rows are shown while it is off
    /// (a load of the call table runs); the columns stay as they are.
    void DetachData() { model_->SetEnabled(false); }
    void AttachData() { model_->SetEnabled(true); }
    void SetAttached(bool attached) { model_->SetEnabled(attached); }

    /// One text line of the grid's font plus 2 pixels.
    int RowHeight() const;

    // --- sorting by title clicks -------------------------------------------
    const TitleSortMarks& SortMarks() const { return marks_; }
    /// A click on the title of a column (logical index), as the mouse gives
    /// it: without Ctrl the new order is asked for at once, with Ctrl when
    /// Ctrl is released or the grid loses the focus.
    void ClickTitle(int logicalIndex, bool ctrl);
    bool SortPending() const { return sortPending_; }
    /// Reads every row of the query run again in the new order; the columns,
    /// widths, marks and filter conditions stay. Raises std::runtime_error
    /// with the engine's message when reading fails.
    void ShowReorderedResult(Query& query);
    /// The re-run failed: no rows, the columns stay.
    void DropRows();
    /// A result is open: the last opening or re-run read its rows.
    bool HasResult() const { return hasResult_; }

    // --- the filter row ----------------------------------------------------
    FilterRow& Filters() const { return *filterRow_; }
    /// Sets the condition of a column (logical index) as if typed and applied.
    /// Returns the reason it is invalid, empty for a valid one.
    QString SetFilterCondition(int logicalIndex, const QString& text);
    /// Removes every condition.
    void ClearFilter();
    /// The conditions of the filter row; null before the first opening.
    const RowFilter* Filter() const { return filter_.get(); }

    // --- colouring, fitting, finding ---------------------------------------
    RowColouring& Colouring() { return colouring_; }
    /// Every column, hidden ones too, as wide as its widest cell text of the
    /// shown rows plus 4 pixels, or as its title needs, with the wait cursor.
    void FitColumnWidths();
    /// The same for one column.
    void FitColumnWidth(int logicalIndex);
    /// The width FitColumnWidth gives a column.
    int FittedWidth(int logicalIndex) const;
    /// Looks for the text from the cell after the current one on; moves there
    /// and returns true when found.
    bool FindNext(const FindRequest& request);
    /// Opens the find dialog (Ctrl+F).
    void OpenFindDialog();
    FindDialog* Finder() const { return finder_; }
    /// Where the grid's messages go; a message box by default.
    std::function<void(const QString&)> inform;

    // --- marked blocks ------------------------------------------------------
    /// A block of cells the user marked (dragging or Shift with the mouse or
    /// the arrow keys; Ctrl+Space widens it to whole columns). A plain click
    /// or move marks nothing: the current row alone is highlighted then.
    struct MarkedBlock {
        /// The shown columns of the block (logical indexes), left to right.
        std::vector<int> columns;
        int firstRow = 0; ///< view rows, top to bottom
        int lastRow = 0;
        /// The block spans every row: whole columns are marked.
        bool wholeColumns = false;
    };
    /// The marked block; none when nothing or a single cell is marked.
    std::optional<MarkedBlock> Marked() const;
    /// Marks the columns of the marked block, or the current column, over
    /// every row (Ctrl+Space).
    void MarkWholeColumns();
    /// Marks the cells from (firstRow, firstColumn) to (lastRow, lastColumn),
    /// columns as logical indexes and the block spanning them on the screen.
    void MarkBlock(int firstRow, int firstColumn, int lastRow, int lastColumn);

    /// Room for the whole title row and a few data rows: a layout never
    /// squeezes the grid so far that its vertical titles are cut.
    QSize minimumSizeHint() const override;

  signals:
    /// The sort marks changed and the query should run in their order.
    void sortRequested();
    /// The rows shown changed as a whole (filter, load, data source).
    void shownRowsChanged();

  protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void UpdateRowHeight();
    void ApplySortMarks();
    void ShowMarks();
    void ApplyFilter();
    void EditCondition(int logicalIndex, const QString& text);
    void ChooseSort(int logicalIndex, SortDirection direction);
    QStringList ColumnValues(int logicalIndex) const;
    int FittedWidth(int logicalIndex, WidthFitter& fitter) const;
    void Inform(const QString& text);
    void UpdateRow(int row);

    ResultModel* model_;
    TitleHeader* titles_;
    FilterRow* filterRow_;
    bool fitsToWidth_ = true;
    TitleSortMarks marks_;
    bool sortPending_ = false;
    bool hasResult_ = false;
    std::unique_ptr<CellTexts> texts_;
    std::unique_ptr<RowFilter> filter_; // over texts_
    RowColouring colouring_;
    QPointer<FindDialog> finder_;
};

} // namespace kestrom
