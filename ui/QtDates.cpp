#include "ui/QtDates.h"

namespace kestrom {

QDate ToQDate(TDateTime v) {
    const CivilDate d = CivilFromDays(DatePart(v));
    return QDate(d.year, d.month, d.day);
}

QTime ToQTime(TDateTime v) {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(TimeOfDayMs(v)));
}

QDateTime ToQDateTime(TDateTime v) {
    return QDateTime(ToQDate(v), ToQTime(v));
}

TDateTime ToDateTime(const QDateTime& v) {
    const QDate d = v.date();
    return EncodeDate({d.year(), d.month(), d.day()}) + ToDateTime(v.time());
}

TDateTime ToDateTime(const QTime& t) {
    return static_cast<double>(t.msecsSinceStartOfDay()) / static_cast<double>(MsPerDay);
}

QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || c != QLatin1Char('t')) {
            out += c;
            continue;
        }
        // A time zone field: drop it with the blanks that set it off.
        while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t'))
            ++i;
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        while (i + 1 < format.size() && format[i + 1].isSpace() && out.isEmpty())
            ++i;
    }
    return out.trimmed();
}

} // namespace kestrom
