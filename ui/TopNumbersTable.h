#pragma once

#include "results/CallStatistics.h"

#include <QLocale>
#include <QStringList>
#include <QTableWidget>

#include <vector>

namespace kestrom {

/// A small read-only table of the page "Статистика": the numbers with most
/// calls, one a row, with the columns "Номер", "Звонков" and "Минут" (the
/// counts and minutes in the given locale). A click on a row chooses its
/// number.
class TopNumbersTable : public QTableWidget {
    Q_OBJECT
  public:
    explicit TopNumbersTable(const char* name, QWidget* parent = nullptr);

    /// Replaces the rows.
    void SetNumbers(const std::vector<CallStatistics::NumberFigure>& numbers,
                    const QLocale& locale);
    /// The numbers of the rows, top down.
    const QStringList& Numbers() const { return numbers_; }

  signals:
    /// The number of the row clicked or activated.
    void numberChosen(const QString& number);

  private:
    void Choose(int row);

    QStringList numbers_;
};

} // namespace kestrom
