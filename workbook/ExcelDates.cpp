#include "workbook/ExcelDates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

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

// Days of the 1900 system up to 9999-12-31, and how many more it counts than the 1904 system.
constexpr std::int64_t kDaysTo10000 = 2958466;
constexpr std::int64_t kDays1900To1904 = 1462;
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::uint8_t kMostDecimals = 3;

bool isElapsedField(const std::string& field)
{
    const char unit = field.empty() ? 0 : static_cast<char>(field[0] | 0x20);
    return (unit == 'h' || unit == 'm' || unit == 's') &&
           field.find_first_not_of(std::string{unit, static_cast<char>(unit & ~0x20)}) ==
               std::string::npos;
}

// `days` as the elapsed format shows them, rounded to its last digit.
std::string elapsedText(double days, const DateFormat& format)
{
    constexpr std::pair<char, std::int64_t> kUnits[] = {{'h', 3600}, {'m', 60}, {'s', 1}};
    std::int64_t scale = 1;
    for (std::uint8_t i = 0; i < format.decimals; ++i) {
        scale *= 10;
    }
    std::int64_t steps = std::llround(days * kSecondsPerDay * static_cast<double>(scale));
    std::string text;
    char field[32];
    bool started = false;
    for (const auto& [unit, seconds] : kUnits) {
        if (unit == format.firstUnit) {
            started = true;
        } else if (!started) {
            continue;
        }
        const std::int64_t size = seconds * scale;
        std::snprintf(field, sizeof field, text.empty() ? "%0*lld" : ":%0*lld",
                      text.empty() ? int{format.firstWidth} : 2,
                      static_cast<long long>(steps / size));
        text += field;
        steps %= size;
        if (unit == format.lastUnit) {
            break;
        }
    }
    if (format.decimals > 0 && format.lastUnit == 's') {
        std::snprintf(field, sizeof field, ".%0*lld", int{format.decimals},
                      static_cast<long long>(steps));
        text += field;
    }
    return text;
}

} // namespace

std::optional<DateFormat> dateFormatOf(std::uint16_t index, const std::string& text)
{
    if (index >= 14 && index <= 17) {
        return DateFormat{DateKind::Date};
    }
    if ((index >= 18 && index <= 21) || (index >= 45 && index <= 47)) {
        return DateFormat{DateKind::Time};
    }
    if (index == 22) {
        return DateFormat{DateKind::DateTime};
    }
    if (index < 164) {
        return std::nullopt;
    }
    std::optional<DateFormat> elapsed;
    bool date = false;
    bool time = false;
    bool monthOrMinute = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = static_cast<char>(text[i] | 0x20);
        if (text[i] == '"') {
            const std::size_t end = text.find('"', i + 1);
            i = end == std::string::npos ? text.size() : end;
        } else if (text[i] == '[') {
            const std::size_t end = std::min(text.find(']', i + 1), text.size());
            const std::string field = text.substr(i + 1, end - i - 1);
            if (!elapsed && isElapsedField(field)) {
                const auto unit = static_cast<char>(field[0] | 0x20);
                elapsed =
                    DateFormat{DateKind::Elapsed, unit, unit,
                               static_cast<std::uint8_t>(std::min<std::size_t>(field.size(), 9))};
            }
            i = end;
        } else if (elapsed && (c == 'm' || c == 's')) {
            elapsed->lastUnit = c == 's' || elapsed->lastUnit == 's' ? 's' : 'm';
        } else if (elapsed && text[i] == '.' && elapsed->lastUnit == 's') {
            for (; i + 1 < text.size() && text[i + 1] == '0'; ++i) {
                elapsed->decimals = std::min<std::uint8_t>(elapsed->decimals + 1, kMostDecimals);
            }
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
    if (elapsed) {
        return elapsed;
    }
    date = date || (monthOrMinute && !time);
    if (date && time) {
        return DateFormat{DateKind::DateTime};
    }
    if (date) {
        return DateFormat{DateKind::Date};
    }
    return time ? std::optional(DateFormat{DateKind::Time}) : std::nullopt;
}

std::optional<std::string> dateText(double days, bool system1904, const DateFormat& format)
{
    // Beyond the year 9999 or before the system's start no date is shown.
    const std::int64_t limit = system1904 ? kDaysTo10000 - kDays1900To1904 : kDaysTo10000;
    if (!std::isfinite(days) || days < 0 || days >= static_cast<double>(limit)) {
        return std::nullopt;
    }
    auto seconds = static_cast<std::int64_t>(std::llround(days * kSecondsPerDay));
    std::int64_t wholeDays = seconds / kSecondsPerDay;
    seconds %= kSecondsPerDay;
    if (wholeDays >= limit) {
        return std::nullopt;
    }
    // Day numbers from 1970-01-01; the 1900 system's day 60 is the 29 February 1900 it counts.
    std::int64_t sinceUnix = 0;
    if (system1904) {
        sinceUnix = wholeDays - 24107; // 1904-01-01
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
    switch (format.kind) {
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
    case DateKind::Elapsed:
        return elapsedText(days, format);
    }
    return std::string(text);
}

} // namespace workbook
