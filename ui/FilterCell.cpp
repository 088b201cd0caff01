#include "ui/FilterCell.h"

#include "ui/FilterChoices.h"

#include <QLineEdit>
#include <QListView>

namespace kestrom {

FilterCell::FilterCell(int column, QWidget* parent)
    : QComboBox(parent), column_(column), choices_(new FilterChoices(this)) {
    setObjectName(QStringLiteral("FilterCell%1").arg(column));
    setEditable(true);
    setFrame(false); // the grid's lines frame the cells
    setInsertPolicy(NoInsert);
    setCompleter(nullptr);
    setSizeAdjustPolicy(AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(1);
    setMaxVisibleItems(20);
    setModel(choices_);
    if (auto* list = qobject_cast<QListView*>(view())) list->setUniformItemSizes(true);
    SetCondition({});

    pause_.setSingleShot(true);
    pause_.setInterval(PauseMs);
    connect(&pause_, &QTimer::timeout, this, &FilterCell::HandOn);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { pause_.start(); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, &FilterCell::HandOn);
    connect(this, qOverload<int>(&QComboBox::activated), this, &FilterCell::Choose);
}

void FilterCell::SetCondition(const QString& text) {
    pause_.stop();
    const QSignalBlocker quiet(this);
    setCurrentIndex(-1);
    setEditText(text);
    condition_ = text;
}

void FilterCell::ShowError(const QString& message) {
    invalid_ = !message.isEmpty();
    setToolTip(message);
    lineEdit()->setStyleSheet(invalid_ ? QStringLiteral("background-color: #ffc0c0;") : QString());
}

void FilterCell::showPopup() {
    if (pause_.isActive()) HandOn();
    const QString text = Condition();
    choices_->SetValues(values ? values() : QStringList());
    SetCondition(text);
    QComboBox::showPopup();
}

void FilterCell::HandOn() {
    pause_.stop();
    condition_ = Condition();
    emit conditionEdited(column_, condition_);
}

void FilterCell::Choose(int row) {
    using Choice = FilterChoices::Choice;
    // The list has put the item's text in the cell already.
    const QString before = condition_;
    const QString text = choices_->data(choices_->index(row)).toString();
    switch (choices_->ChoiceAt(row)) {
    case Choice::SortAscending:
    case Choice::SortDescending: {
        const bool up = choices_->ChoiceAt(row) == Choice::SortAscending;
        SetCondition(before);
        emit sortChosen(column_, up ? SortDirection::Ascending : SortDirection::Descending);
        return;
    }
    case Choice::Separator:
        SetCondition(before);
        return;
    case Choice::ClearAll:
        SetCondition({});
        emit clearAllChosen();
        return;
    case Choice::All:
        SetCondition({});
        break;
    case Choice::NotEmpty:
    case Choice::Empty:
        SetCondition(text);
        break;
    case Choice::Value:
        SetCondition(QStringLiteral("=") + text);
        break;
    }
    HandOn();
}

} // namespace kestrom
