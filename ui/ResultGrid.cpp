#include "ui/ResultGrid.h"

#include "ui/QtText.h"

#include <QEvent>
#include <QFontMetrics>
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
      titles_(new TitleHeader(this)) {
    setObjectName(QStringLiteral("DBGridEh1"));
    setHorizontalHeader(titles_);
    setModel(model_);

    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
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

ResultGrid::~ResultGrid() = default;

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
    model_->Clear();
}

void ResultGrid::ShowResult(Query& query, const std::vector<std::string>& displayed,
                            const std::vector<std::string>& master) {
    model_->StartLoad(query);
    if (!model_->LoadRemaining()) throw std::runtime_error(model_->LastError().toStdString());
    SetUpColumns(ToQStringList(displayed), ToQStringList(master));
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

    titles_->updateGeometry();
    updateGeometries();
    updateGeometry(); // the title row's height changes the grid's minimum
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
