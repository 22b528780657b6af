#include "workbook/ExcelDates.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace workbook {
namespace {

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
    constexpr std::string_view kUnits = "hms";
    constexpr std::int64_t kSeconds[] = {3600, 60, 1};
    std::int64_t scale = 1;
    for (std::uint8_t i = 0; i < format.decimals; ++i) {
        scale *= 10;
    }
    std::int64_t steps = std::llround(days * kSecondsPerDay * static_cast<double>(scale));
    std::string text;
    char field[32];
    const std::size_t first = kUnits.find(format.firstUnit);
    for (std::size_t i = first; i <= std::min<std::size_t>(kUnits.find(format.lastUnit), 2); ++i) {
        const std::int64_t size = kSeconds[i] * scale;
        std::snprintf(field, sizeof field, i == first ? "%0*lld" : ":%0*lld",
                      i == first ? int{format.firstWidth} : 2,
                      static_cast<long long>(steps / size));
        text += field;
        steps %= size;
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
    // Of the built-in formats, 14 to 17 show dates, 18 to 21 and 45 to 47 times, 22 both.
    if (index < 164) {
        if ((index >= 14 && index <= 22) || (index >= 45 && index <= 47)) {
            return DateFormat{index <= 17   ? DateKind::Date
                              : index == 22 ? DateKind::DateTime
                                            : DateKind::Time};
        }
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
    if (!date && !time) {
        return std::nullopt;
    }
    return DateFormat{date && time ? DateKind::DateTime : date ? DateKind::Date : DateKind::Time};
}

std::optional<std::string> dateText(double days, bool system1904, const DateFormat& format)
{
    // Beyond the year 9999 or before the system's start no date is shown.
    const std::int64_t limit = system1904 ? kDaysTo10000 - kDays1900To1904 : kDaysTo10000;
    if (!std::isfinite(days) || days < 0 || days >= static_cast<double>(limit)) {
        return std::nullopt;
    }
    const std::int64_t seconds = std::llround(days * kSecondsPerDay);
    const std::int64_t wholeDays = seconds / kSecondsPerDay;
    // Rounding to the second can carry the last moment of 9999 into the year after.
    if (wholeDays >= limit) {
        return std::nullopt;
    }
    if (format.kind == DateKind::Elapsed) {
        return elapsedText(days, format);
    }
    // The 1900 system counts a 29 February 1900 that never was as its day 60: its days
    // before that count from 1899-12-31, those after from 1899-12-30.
    namespace chrono = std::chrono;
    const auto start = system1904 ? chrono::year(1904) / 1 / 1
                                  : chrono::year(1899) / 12 / (wholeDays < 60 ? 31 : 30);
    chrono::year_month_day date = chrono::sys_days(start) + chrono::days(wholeDays);
    if (!system1904 && wholeDays == 60) {
        date = chrono::year(1900) / 2 / 29;
    }
    char dateField[40];
    char timeField[16];
    std::snprintf(dateField, sizeof dateField, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    const auto clock = static_cast<int>(seconds % kSecondsPerDay);
    std::snprintf(timeField, sizeof timeField, "%02d:%02d:%02d", clock / 3600, clock / 60 % 60,
                  clock % 60);
    switch (format.kind) {
    case DateKind::Date:
        return dateField;
    case DateKind::Time:
        return timeField;
    default:
        return std::string(dateField) + ' ' + timeField;
    }
}

} // namespace workbook
