#pragma once

#include "results/ResultQuery.h"

#include <QComboBox>
#include <QTimer>

#include <functional>

namespace kestrom {

class FilterChoices;

/// One cell of the grid's filter row: an editable drop-down under a column's
/// title. A typed condition is handed on after a short pause in typing, or at
/// once on Enter; the drop-down offers the sort items, the clearing items,
/// "(Не пустые)", "(Пустые)" and the column's values, which are gathered
/// only when the list opens. A condition found invalid is shown so: the
/// cell turns pink and its tooltip tells why.
class FilterCell : public QComboBox {
    Q_OBJECT
  public:
    /// The pause in typing after which a condition applies.
    static constexpr int PauseMs = 200;

    FilterCell(int column, QWidget* parent = nullptr);

    int Column() const { return column_; }
    /// The condition as typed.
    QString Condition() const { return currentText(); }
    /// Sets the text without handing it on.
    void SetCondition(const QString& text);
    /// The reason a condition is invalid; empty for a valid one.
    void ShowError(const QString& message);
    bool IsInvalid() const { return invalid_; }
    FilterChoices& Choices() const { return *choices_; }

    /// Gives the column's values (display texts, sorted, each once).
    std::function<QStringList()> values;

    void showPopup() override;

  signals:
    void conditionEdited(int column, const QString& text);
    void sortChosen(int column, SortDirection direction);
    void clearAllChosen();

  private:
    void Choose(int row);
    void HandOn();

    int column_;
    FilterChoices* choices_;
    QTimer pause_;
    QString condition_; ///< the text last handed on or set
    bool invalid_ = false;
};

} // namespace kestrom
