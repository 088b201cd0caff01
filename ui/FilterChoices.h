#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace kestrom {

/// The drop-down list of a filter cell: the sort items, a separator, the
/// clearing and emptiness items, then the column's values.
class FilterChoices : public QAbstractListModel {
    Q_OBJECT
  public:
    enum class Choice {
        SortAscending,
        SortDescending,
        Separator,
        ClearAll,
        All,
        NotEmpty,
        Empty,
        Value
    };

    /// The item texts before the values, in order ("-" is the separator).
    static const QStringList& FixedTexts();

    explicit FilterChoices(QObject* parent = nullptr);

    /// Replaces the values shown after the fixed items.
    void SetValues(QStringList values);
    const QStringList& Values() const { return values_; }
    Choice ChoiceAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    QStringList values_;
};

} // namespace kestrom
