#pragma once
// The class library's date-time texts over the framework's day-count dates: format words as the framework
// writes them ("yyyy/mm/dd hh:nn", "yyyy年m月d日") and lenient reading of typed date texts.

#include "core/TDateTime.h"
#include "core/uAccRecord.h"

#include <QString>
#include <optional>

// Format letters, case-insensitive: y/yy two-digit year, yyy+ four digits; m/mm month (minutes right after
// an hour field), mmm/mmmm month name; d/dd day, ddd/dddd weekday name, ddddd/dddddd the short/long date
// format; h/hh, n/nn, s/ss, z/zzz time; "/" and ":" the separators of the settings; text in single or
// double quotes and any other character stand as written.
QString FormatDateTime(const QString& format, TDateTime value,
                       const TProcessFormats& settings = FormatSettings);

// A date written in the order of the settings' short date format with its date separator ("2024/4/1";
// a two-digit year within fifty years of today; month and day alone take the current year). nullopt when
// the text is no valid date.
std::optional<TDateTime> TryStrToDate(const QString& text, const TProcessFormats& settings = FormatSettings);
// A date as above, optionally followed by a time "h:n[:s[.z]]" with the settings' time separator; a time
// alone is a time on day 0.
std::optional<TDateTime> TryStrToDateTime(const QString& text,
                                          const TProcessFormats& settings = FormatSettings);
