#include "ui/TopNumbersTable.h"

#include "ui/QtText.h"

#include <QHeaderView>

namespace kestrom {

namespace {

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

} // namespace

TopNumbersTable::TopNumbersTable(const char* name, QWidget* parent) : QTableWidget(0, 3, parent) {
    setObjectName(QString::fromLatin1(name));
    setHorizontalHeaderLabels(
        {QString::fromUtf8("Номер"), QString::fromUtf8("Звонков"), QString::fromUtf8("Минут")});
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) { Choose(row); });
    connect(this, &QTableWidget::cellActivated, this, [this](int row, int) { Choose(row); });
}

void TopNumbersTable::SetNumbers(const std::vector<CallStatistics::NumberFigure>& numbers,
                                 const QLocale& locale) {
    numbers_.clear();
    clearContents();
    setRowCount(static_cast<int>(numbers.size()));
    const Qt::Alignment right = Qt::AlignRight;
    for (int row = 0; row < rowCount(); ++row) {
        const CallStatistics::NumberFigure& n = numbers[static_cast<std::size_t>(row)];
        numbers_ << ToQString(n.number);
        setItem(row, 0, Cell(numbers_.back(), Qt::AlignLeft));
        setItem(row, 1, Cell(locale.toString(static_cast<qlonglong>(n.calls)), right));
        setItem(row, 2, Cell(locale.toString(n.minutes, 'f', 2), right));
    }
}

void TopNumbersTable::Choose(int row) {
    if (row >= 0 && row < numbers_.size()) emit numberChosen(numbers_[row]);
}

} // namespace kestrom
