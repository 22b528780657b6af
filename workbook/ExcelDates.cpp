#include "workbook/ExcelDates.h"

#include <cmath>
#include <cstdio>

namespace workbook {
namespace {

// Days since 1970-01-01 as a civil date (the proleptic Gregorian calendar).
void civilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

std::optional<DateKind> dateKindOf(std::uint16_t index, const std::string& text)
{
    if (index >= 14 && index <= 17) {
        return DateKind::Date;
    }
    if ((index >= 18 && index <= 21) || (index >= 45 && index <= 47)) {
        return DateKind::Time;
    }
    if (index == 22) {
        return DateKind::DateTime;
    }
    if (index < 164) {
        return std::nullopt;
    }
    bool date = false;
    bool time = false;
    bool monthOrMinute = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = static_cast<char>(text[i] | 0x20);
        if (text[i] == '"') {
            const std::size_t end = text.find('"', i + 1);
            i = end == std::string::npos ? text.size() : end;
        } else if (text[i] == '[') {
            const std::size_t end = text.find(']', i + 1);
            i = end == std::string::npos ? text.size() : end;
        } else if (text[i] == '\\' || text[i] == '_' || text[i] == '*') {
            ++i;
        } else if (text[i] == ';') {
            break; // only the first section counts
        } else if (c == 'd' || c == 'y') {
            date = true;
        } else if (c == 'h' || c == 's') {
            time = true;
        } else if (c == 'm') {
            monthOrMinute = true;
        }
    }
    date = date || (monthOrMinute && !time);
    if (date && time) {
        return DateKind::DateTime;
    }
    if (date) {
        return DateKind::Date;
    }
    return time ? std::optional(DateKind::Time) : std::nullopt;
}

std::optional<std::string> dateText(double days, bool system1904, DateKind kind)
{
    // Beyond the year 9999 or before the system's start no date is shown.
    if (!std::isfinite(days) || days < 0 || days >= 2958466) {
        return std::nullopt;
    }
    auto seconds = static_cast<std::int64_t>(std::llround(days * 86400.0));
    std::int64_t wholeDays = seconds / 86400;
    seconds %= 86400;
    // Day numbers from 1970-01-01; the 1900 system's day 60 is the 29 February 1900 it counts.
    std::int64_t sinceUnix = 0;
    if (system1904) {
        sinceUnix = wholeDays - 24107;
    } else {
        sinceUnix = wholeDays - (wholeDays >= 61 ? 25569 : 25568);
    }
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(sinceUnix, year, month, day);
    if (!system1904 && wholeDays == 60) {
        month = 2;
        day = 29;
    }
    char text[40];
    const int hours = static_cast<int>(seconds / 3600);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int secs = static_cast<int>(seconds % 60);
    switch (kind) {
    case DateKind::Date:
        std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(year), month,
                      day);
        break;
    case DateKind::Time:
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, secs);
        break;
    case DateKind::DateTime:
        std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d",
                      static_cast<long long>(year), month, day, hours, minutes, secs);
        break;
    }
    return std::string(text);
}

} // namespace workbook
