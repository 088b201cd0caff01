#pragma once

#include "ui/ResultModel.h"
#include "ui/TitleHeader.h"

#include <QStringList>
#include <QTableView>

#include <string>
#include <vector>

namespace kestrom {

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

    /// Room for the whole title row and a few data rows: a layout never
    /// squeezes the grid so far that its vertical titles are cut.
    QSize minimumSizeHint() const override;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void UpdateRowHeight();

    ResultModel* model_;
    TitleHeader* titles_;
    bool fitsToWidth_ = true;
};

} // namespace kestrom
