#pragma once

#include "base/DateTime.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kestrom {

/// The system's date-time values and Qt's, both ways.
QDate ToQDate(TDateTime v);
QTime ToQTime(TDateTime v);
QDateTime ToQDateTime(TDateTime v);
TDateTime ToDateTime(const QDateTime& v);
/// The time of day of a time alone as a date-time value (date part 0).
TDateTime ToDateTime(const QTime& t);

/// The locale's long time format without its time zone ("HH:mm:ss t" gives
/// "HH:mm:ss").
QString LongTimeFormatWithoutZone(const QLocale& locale);

} // namespace kestrom
