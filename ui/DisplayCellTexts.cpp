#include "ui/DisplayCellTexts.h"

#include "ui/QtText.h"
#include "ui/ResultModel.h"

#include <QDate>
#include <QTime>

#include <charconv>

namespace kestrom {

DisplayCellTexts::DisplayCellTexts(const ResultModel& model) : model_(model) {
    const std::size_t columns = model.Result().ColumnCount();
    cache_.resize(columns);
    for (std::size_t c = 0; c < columns; ++c)
        forms_.push_back(FormOf(c));
}

DisplayCellTexts::Form DisplayCellTexts::FormOf(std::size_t column) const {
    const int c = static_cast<int>(column);
    const bool formatted = !model_.DisplayFormat(c).isEmpty();
    switch (model_.Result().Columns()[column].type) {
    case FieldType::Integer:
        return formatted ? Form::Model : Form::Integer;
    case FieldType::Float:
        return Form::Model;
    case FieldType::Date:
        return model_.ShortDateFormat() == QLatin1String("dd.MM.yyyy") ? Form::DayMonthYear
                                                                       : Form::Cached;
    case FieldType::Time:
        return model_.LongTimeFormat() == QLatin1String("HH:mm:ss") ? Form::TimeOfDay : Form::Model;
    case FieldType::Text:
        break;
    }
    return Form::Stored;
}

std::string_view DisplayCellTexts::Text(std::size_t row, std::size_t column,
                                        std::string& scratch) const {
    const ResultSet& rows = model_.Result();
    if (rows.IsNull(row, column)) return {};
    const std::string_view stored = rows.TextView(row, column);
    switch (forms_[column]) {
    case Form::Stored:
        return stored;
    case Form::Integer: {
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, rows.AsInteger(row, column)).ptr;
        scratch.assign(buf, end);
        return scratch;
    }
    case Form::DayMonthYear:
        // "YYYY-MM-DD" -> "DD.MM.YYYY"
        if (stored.size() != 10 || stored[4] != '-' || stored[7] != '-') break;
        scratch.assign(stored.substr(8, 2)).append(".").append(stored.substr(5, 2));
        scratch.append(".").append(stored.substr(0, 4));
        return scratch;
    case Form::TimeOfDay:
        // "HH:MM:SS[.zzz]" -> "HH:MM:SS"
        if (stored.size() < 8 || stored[2] != ':' || stored[5] != ':') break;
        return stored.substr(0, 8);
    case Form::Cached: {
        auto& known = cache_[column];
        auto found = known.find(std::string(stored));
        if (found == known.end())
            found = known
                        .emplace(std::string(stored),
                                 ToStdString(model_.DisplayText(row, static_cast<int>(column))))
                        .first;
        return found->second;
    }
    case Form::Model:
        break;
    }
    scratch = ToStdString(model_.DisplayText(row, static_cast<int>(column)));
    return scratch;
}

std::optional<std::string> DisplayCellTexts::StoredValue(std::size_t column, FieldType type,
                                                         std::string_view typed) const {
    const QString text = ToQString(typed).trimmed();
    const QLocale& locale = model_.Locale();
    if (type == FieldType::Date) {
        const QString& format = model_.ShortDateFormat();
        QDate date = locale.toDate(text, format);
        // A two-digit year reads as 19yy; the calls of this century end in 00 to 69.
        if (date.isValid() && !format.contains(QLatin1String("yyyy")) && date.year() < 1970)
            date = date.addYears(100);
        if (date.isValid()) return ToStdString(date.toString(QStringLiteral("yyyy-MM-dd")));
    } else if (type == FieldType::Time) {
        const QTime time = locale.toTime(text, model_.LongTimeFormat());
        if (time.isValid()) return ToStdString(time.toString(QStringLiteral("HH:mm:ss")));
    }
    return CellTexts::StoredValue(column, type, typed);
}

} // namespace kestrom
