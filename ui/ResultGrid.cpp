#include "ui/ResultGrid.h"

#include "ui/CurrentRowDelegate.h"
#include "ui/DisplayCellTexts.h"
#include "ui/FilterCell.h"
#include "ui/FilterRow.h"
#include "ui/QtText.h"
#include "ui/WidthFitter.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <algorithm>
#include <stdexcept>

namespace kestrom {

namespace {

/// The minutes of a call, shown with two decimals.
const char16_t MinutesColumn[] = u"Прод_Мин";
constexpr const char* MinutesFormat = "0.00";

QFont GridFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace

ResultGrid::ResultGrid(QWidget* parent, ResultModel* model)
    : QTableView(parent), model_(model != nullptr ? model : new ResultModel(this)),
      titles_(new TitleHeader(this)), filterRow_(new FilterRow) {
    setObjectName(QStringLiteral("DBGridEh1"));
    setHorizontalHeader(titles_);
    setModel(model_);
    titles_->SetFilterRow(filterRow_);
    filterRow_->values = [this](int column) { return ColumnValues(column); };
    connect(filterRow_, &FilterRow::conditionEdited, this, &ResultGrid::EditCondition);
    connect(filterRow_, &FilterRow::sortChosen, this, &ResultGrid::ChooseSort);
    connect(filterRow_, &FilterRow::clearAllChosen, this, &ResultGrid::ClearFilter);
    connect(titles_, &QHeaderView::sectionClicked, this, [this](int logical) {
        ClickTitle(logical, titles_->ClickModifiers().testFlag(Qt::ControlModifier));
    });
    // A double click on a title's right border fits that column to its cells.
    disconnect(titles_, SIGNAL(sectionHandleDoubleClicked(int)), this,
               SLOT(resizeColumnToContents(int)));
    connect(titles_, &QHeaderView::sectionHandleDoubleClicked, this, &ResultGrid::FitColumnWidth);
    // A title click sorts; it marks no column (see eventFilter).
    titles_->viewport()->installEventFilter(this);
    connect(model_, &ResultModel::shownRowsChanged, this, &ResultGrid::shownRowsChanged);
    colouring_.gridVisible = [this] { return isVisible(); };
    model_->SetRowColouring(&colouring_);

    setEditTriggers(NoEditTriggers);
    // Blocks of cells are marked; the current row is drawn highlighted.
    setSelectionBehavior(SelectItems);
    setSelectionMode(ContiguousSelection);
    setItemDelegate(new CurrentRowDelegate(*this));
    setSortingEnabled(false);
    setAlternatingRowColors(true);
    QPalette colours = palette();
    colours.setColor(QPalette::AlternateBase, colours.color(QPalette::Button));
    setPalette(colours);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);

    titles_->setDefaultSectionSize(DefaultColumnWidth);
    // A vertical title needs no more than one line's height.
    titles_->setMinimumSectionSize(1);
    titles_->setSectionResizeMode(QHeaderView::Stretch);

    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setFixedWidth(IndicatorWidth);

    const QFont font = GridFont();
    setFont(font);
    titles_->setFont(font);
    indicator->setFont(font);
    UpdateRowHeight();
}

ResultGrid::~ResultGrid() {
    model_->SetRowColouring(nullptr);
}

int ResultGrid::RowHeight() const {
    return QFontMetrics(font()).height() + 2;
}

void ResultGrid::UpdateRowHeight() {
    const int height = RowHeight();
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

QSize ResultGrid::minimumSizeHint() const {
    constexpr int VisibleRows = 3;
    QSize hint = QTableView::minimumSizeHint();
    const int scrollBar = horizontalScrollBar()->sizeHint().height();
    const int titles = titles_->isHidden() ? 0 : titles_->sizeHint().height();
    hint.setHeight(
        std::max(hint.height(), 2 * frameWidth() + titles + VisibleRows * RowHeight() + scrollBar));
    return hint;
}

void ResultGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateRowHeight();
}

void ResultGrid::PrepareForOpening() {
    titles_->SetVertical(true);
    titles_->setStretchLastSection(false);
    titles_->setSectionResizeMode(QHeaderView::Interactive);
    fitsToWidth_ = false;
    updateGeometries();
    updateGeometry();
}

void ResultGrid::BeginOpening() {
    PrepareForOpening();
    DetachData();
    HideGrid();
    filterRow_->Rebuild(0);
    filter_.reset();
    texts_.reset();
    hasResult_ = false;
    model_->Clear();
}

void ResultGrid::ShowResult(Query& query, const std::vector<std::string>& displayed,
                            const std::vector<std::string>& master) {
    model_->StartLoad(query);
    if (!model_->LoadRemaining()) throw std::runtime_error(model_->LastError().toStdString());
    SetUpColumns(ToQStringList(displayed), ToQStringList(master));
    hasResult_ = true;
    AttachData();
    ShowGrid();
}

void ResultGrid::SetUpColumns(const QStringList& displayed, const QStringList& master) {
    const int columns = model_->columnCount();

    // A fresh column set in result order.
    for (int logical = 0; logical < columns; ++logical) {
        const int visual = titles_->visualIndex(logical);
        if (visual != logical) titles_->moveSection(visual, logical);
    }
    model_->ClearDisplayFormats();
    model_->SetDisplayFormat(model_->ColumnIndex(QString::fromUtf16(MinutesColumn)),
                             QString::fromLatin1(MinutesFormat));
    // Every title is a button; what a click does belongs to the sorting.
    titles_->setSectionsClickable(true);
    for (int logical = 0; logical < columns; ++logical) {
        if (!fitsToWidth_) titles_->resizeSection(logical, DefaultColumnWidth);
        setColumnHidden(logical, true);
    }

    QStringList names;
    for (const QString& name : displayed)
        if (model_->ColumnIndex(name) >= 0) names << name;
    for (const QString& name : names) {
        const auto place = master.indexOf(name);
        if (place >= 0 && place < columns) setColumnHidden(static_cast<int>(place), false);
    }
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const int logical = model_->ColumnIndex(names[i]);
        titles_->moveSection(titles_->visualIndex(logical), i);
    }

    // No marks and an empty filter row: the order is the sort list's.
    marks_.Clear();
    sortPending_ = false;
    ShowMarks();
    filterRow_->Rebuild(columns);
    filter_.reset();
    texts_ = std::make_unique<DisplayCellTexts>(*model_);
    filter_ = std::make_unique<RowFilter>(model_->Result().Columns(), *texts_);
    if (model_->HasRowIndex()) model_->RemoveRowIndex();

    titles_->updateGeometry();
    updateGeometries();
    updateGeometry(); // the title row's height changes the grid's minimum
    titles_->PlaceFilterRow();
    viewport()->update();
}

QStringList ResultGrid::DisplayedColumns() const {
    QStringList names;
    for (int visual = 0; visual < titles_->count(); ++visual) {
        const int logical = titles_->logicalIndex(visual);
        if (!titles_->isSectionHidden(logical)) names << model_->ColumnName(logical);
    }
    return names;
}

} // namespace kestrom

namespace kestrom {

// --- sorting by title clicks --------------------------------------------------

void ResultGrid::ClickTitle(int logicalIndex, bool ctrl) {
    const QString name = model_->ColumnName(logicalIndex);
    if (name.isEmpty()) return;
    marks_.Click(ToStdString(name), ctrl);
    ShowMarks();
    if (ctrl) {
        sortPending_ = true;
        setFocus(Qt::MouseFocusReason);
        return;
    }
    sortPending_ = false;
    emit sortRequested();
}

void ResultGrid::ChooseSort(int logicalIndex, SortDirection direction) {
    const QString name = model_->ColumnName(logicalIndex);
    if (name.isEmpty()) return;
    marks_.SetOnly(ToStdString(name), direction);
    ShowMarks();
    sortPending_ = false;
    emit sortRequested();
}

void ResultGrid::ApplySortMarks() {
    if (!sortPending_) return;
    sortPending_ = false;
    emit sortRequested();
}

void ResultGrid::ShowMarks() {
    QHash<int, TitleHeader::Mark> shown;
    const auto& marks = marks_.Marks();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const int logical = model_->ColumnIndex(ToQString(marks[i].column));
        if (logical >= 0) shown.insert(logical, {marks[i].direction, static_cast<int>(i) + 1});
    }
    titles_->SetMarks(std::move(shown));
}

void ResultGrid::ShowReorderedResult(Query& query) {
    hasResult_ = false;
    model_->ReloadRows(query);
    if (!model_->LoadRemaining()) throw std::runtime_error(model_->LastError().toStdString());
    hasResult_ = true;
    ApplyFilter();
}

void ResultGrid::DropRows() {
    hasResult_ = false;
    model_->ClearRows();
}

void ResultGrid::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Control) ApplySortMarks();
}

void ResultGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    ApplySortMarks();
}

// --- the filter row -----------------------------------------------------------

QString ResultGrid::SetFilterCondition(int logicalIndex, const QString& text) {
    if (!filter_ || logicalIndex < 0 || logicalIndex >= model_->columnCount()) return {};
    const QString error =
        ToQString(filter_->Set(static_cast<std::size_t>(logicalIndex), ToStdString(text)));
    if (FilterCell* cell = filterRow_->Cell(logicalIndex)) {
        if (cell->Condition() != text) cell->SetCondition(text);
        cell->ShowError(error);
    }
    ApplyFilter();
    return error;
}

void ResultGrid::EditCondition(int logicalIndex, const QString& text) {
    SetFilterCondition(logicalIndex, text);
}

void ResultGrid::ClearFilter() {
    if (filter_) filter_->Clear();
    filterRow_->ClearAll();
    ApplyFilter();
}

void ResultGrid::ApplyFilter() {
    if (!filter_ || filter_->Empty()) {
        if (model_->HasRowIndex()) model_->RemoveRowIndex();
        return;
    }
    model_->SetRowIndex(filter_->Apply(model_->Result(), *texts_));
}

QStringList ResultGrid::ColumnValues(int logicalIndex) const {
    QStringList values;
    const ResultSet& rows = model_->Result();
    if (logicalIndex < 0 || static_cast<std::size_t>(logicalIndex) >= rows.ColumnCount())
        return values;
    const auto column = static_cast<std::size_t>(logicalIndex);
    const auto addText = [&](std::size_t row) {
        const QString text = model_->DisplayText(row, logicalIndex);
        if (!text.isEmpty() && (values.isEmpty() || values.back() != text)) values << text;
    };
    if (rows.StorageOf(column) == ResultSet::Storage::Text) {
        std::vector<std::pair<std::string_view, std::size_t>> keys;
        for (std::size_t r = 0; r < rows.RowCount(); ++r)
            if (!rows.IsNull(r, column)) keys.emplace_back(rows.TextView(r, column), r);
        std::sort(keys.begin(), keys.end());
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (i == 0 || keys[i].first != keys[i - 1].first) addText(keys[i].second);
    } else {
        std::vector<std::pair<double, std::size_t>> keys;
        for (std::size_t r = 0; r < rows.RowCount(); ++r)
            if (!rows.IsNull(r, column)) keys.emplace_back(rows.AsFloat(r, column), r);
        std::sort(keys.begin(), keys.end());
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (i == 0 || keys[i].first != keys[i - 1].first) addText(keys[i].second);
    }
    return values;
}

// --- fitting ------------------------------------------------------------------

int ResultGrid::FittedWidth(int logicalIndex, WidthFitter& fitter) const {
    const QFontMetrics fm(font());
    int cells = 0;
    if (model_->rowCount() > 0)
        cells = (model_->HasRowIndex()
                     ? fitter.CellTextWidth(*model_, logicalIndex, model_->RowIndex(), fm)
                     : fitter.CellTextWidth(*model_, logicalIndex, fm)) +
                WidthFitter::CellMargin;
    return std::max(cells, titles_->TitleWidth(logicalIndex));
}

int ResultGrid::FittedWidth(int logicalIndex) const {
    WidthFitter fitter;
    return FittedWidth(logicalIndex, fitter);
}

void ResultGrid::FitColumnWidth(int logicalIndex) {
    if (logicalIndex < 0 || logicalIndex >= model_->columnCount()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    titles_->resizeSection(logicalIndex, FittedWidth(logicalIndex));
    QApplication::restoreOverrideCursor();
}

void ResultGrid::FitColumnWidths() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    WidthFitter fitter; // learns the font once for all the columns
    for (int logical = 0; logical < model_->columnCount(); ++logical)
        titles_->resizeSection(logical, FittedWidth(logical, fitter));
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

// --- keys and finding ---------------------------------------------------------

void ResultGrid::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Find)) {
        OpenFindDialog();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::ControlModifier) {
        MarkWholeColumns();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        // Enter moves on as Tab does.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QTableView::keyPressEvent(&tab);
        return;
    }
    QTableView::keyPressEvent(event);
}

void ResultGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0) titles_->PlaceFilterRow();
}

void ResultGrid::OpenFindDialog() {
    if (!finder_) {
        finder_ = new FindDialog(this);
        connect(finder_, &FindDialog::findNext, this, &ResultGrid::FindNext);
    }
    finder_->show();
    finder_->raise();
    finder_->activateWindow();
}

bool ResultGrid::FindNext(const FindRequest& request) {
    const Qt::CaseSensitivity cs = request.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto matches = [&](int viewRow, int logical) {
        const QString text = model_->DisplayText(model_->ResultRow(viewRow), logical);
        return request.wholeCell ? text.compare(request.text, cs) == 0
                                 : text.contains(request.text, cs);
    };
    std::vector<int> columns; // the shown columns, left to right
    for (int visual = 0; visual < titles_->count(); ++visual)
        if (!titles_->isSectionHidden(titles_->logicalIndex(visual)))
            columns.push_back(titles_->logicalIndex(visual));
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : 0;
    std::size_t next = 0; // the place in columns to look at first
    if (current.isValid()) {
        const auto at = std::find(columns.begin(), columns.end(), current.column());
        next = static_cast<std::size_t>(at - columns.begin()) + 1;
    }
    if (!request.allColumns && current.isValid()) columns = {current.column()};
    if (!request.allColumns && current.isValid()) next = 1;
    for (; row < model_->rowCount() && !columns.empty(); ++row, next = 0) {
        for (std::size_t i = next; i < columns.size(); ++i) {
            if (!matches(row, columns[i])) continue;
            setCurrentIndex(model_->index(row, columns[i]));
            scrollTo(currentIndex());
            return true;
        }
    }
    Inform(FindDialog::NotFoundText(request.text));
    return false;
}

// --- marked blocks ------------------------------------------------------------

QItemSelectionModel::SelectionFlags ResultGrid::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    if (event != nullptr) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonRelease) return QItemSelectionModel::NoUpdate;
        const bool press = type == QEvent::MouseButtonPress ||
                           type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress;
        // A plain click or move only moves the current cell.
        if (press &&
            !static_cast<const QInputEvent*>(event)->modifiers().testFlag(Qt::ShiftModifier))
            return QItemSelectionModel::Clear;
    }
    return QTableView::selectionCommand(index, event);
}

bool ResultGrid::eventFilter(QObject* watched, QEvent* event) {
    // The view selects a title's column while the mouse is pressed on it,
    // unless whole rows are selected: rows it is, for that while.
    if (watched == titles_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            setSelectionBehavior(SelectRows);
        else if (event->type() == QEvent::MouseButtonRelease)
            setSelectionBehavior(SelectItems);
    }
    return QTableView::eventFilter(watched, event);
}

void ResultGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (previous.isValid() && previous.row() != current.row()) UpdateRow(previous.row());
    if (current.isValid()) UpdateRow(current.row());
}

void ResultGrid::UpdateRow(int row) {
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

std::optional<ResultGrid::MarkedBlock> ResultGrid::Marked() const {
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty() || model_->rowCount() == 0) return std::nullopt;
    MarkedBlock block;
    block.firstRow = model_->rowCount();
    std::vector<int> logical;
    qsizetype cells = 0;
    for (const QItemSelectionRange& range : selection) {
        block.firstRow = std::min(block.firstRow, range.top());
        block.lastRow = std::max(block.lastRow, range.bottom());
        for (int c = range.left(); c <= range.right(); ++c)
            if (!titles_->isSectionHidden(c)) logical.push_back(c);
        cells += static_cast<qsizetype>(range.width()) * range.height();
    }
    block.wholeColumns = block.firstRow == 0 && block.lastRow == model_->rowCount() - 1;
    if (logical.empty() || (cells < 2 && !block.wholeColumns)) return std::nullopt;
    std::sort(logical.begin(), logical.end(),
              [this](int a, int b) { return titles_->visualIndex(a) < titles_->visualIndex(b); });
    logical.erase(std::unique(logical.begin(), logical.end()), logical.end());
    block.columns = std::move(logical);
    return block;
}

void ResultGrid::MarkBlock(int firstRow, int firstColumn, int lastRow, int lastColumn) {
    if (!model_->index(firstRow, firstColumn).isValid() ||
        !model_->index(lastRow, lastColumn).isValid())
        return;
    // The columns between the two on the screen, whatever their logical order.
    const int from = titles_->visualIndex(firstColumn);
    const int to = titles_->visualIndex(lastColumn);
    QItemSelection selection;
    for (int visual = std::min(from, to); visual <= std::max(from, to); ++visual) {
        const int logical = titles_->logicalIndex(visual);
        if (!titles_->isSectionHidden(logical))
            selection.select(model_->index(std::min(firstRow, lastRow), logical),
                             model_->index(std::max(firstRow, lastRow), logical));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ResultGrid::MarkWholeColumns() {
    const int rows = model_->rowCount();
    if (rows == 0) return;
    std::vector<int> columns;
    if (const auto block = Marked())
        columns = block->columns;
    else if (currentIndex().isValid())
        columns = {currentIndex().column()};
    if (columns.empty()) return;
    QItemSelection selection;
    for (int c : columns)
        selection.select(model_->index(0, c), model_->index(rows - 1, c));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ResultGrid::Inform(const QString& text) {
    if (inform)
        inform(text);
    else
        QMessageBox::information(this, QApplication::applicationDisplayName(), text);
}

} // namespace kestrom
