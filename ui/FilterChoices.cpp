#include "ui/FilterChoices.h"

namespace kestrom {

const QStringList& FilterChoices::FixedTexts() {
    static const QStringList texts = {QString::fromUtf8("(Сортировка по возрастанию)"),
                                      QString::fromUtf8("(Сортировка по убыванию)"),
                                      QStringLiteral("-"),
                                      QString::fromUtf8("(Очистить фильтр)"),
                                      QString::fromUtf8("(Все)"),
                                      QString::fromUtf8("(Не пустые)"),
                                      QString::fromUtf8("(Пустые)")};
    return texts;
}

FilterChoices::FilterChoices(QObject* parent) : QAbstractListModel(parent) {}

void FilterChoices::SetValues(QStringList values) {
    beginResetModel();
    values_ = std::move(values);
    endResetModel();
}

FilterChoices::Choice FilterChoices::ChoiceAt(int row) const {
    if (row < 0 || row >= FixedTexts().size()) return Choice::Value;
    return static_cast<Choice>(row);
}

int FilterChoices::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FixedTexts().size() + values_.size());
}

QVariant FilterChoices::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int fixed = static_cast<int>(FixedTexts().size());
    if (role == Qt::AccessibleDescriptionRole)
        return ChoiceAt(row) == Choice::Separator ? QStringLiteral("separator") : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return row < fixed ? FixedTexts()[row] : values_.value(row - fixed);
}

Qt::ItemFlags FilterChoices::flags(const QModelIndex& index) const {
    if (!index.isValid() || ChoiceAt(index.row()) == Choice::Separator) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace kestrom
