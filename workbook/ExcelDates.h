#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Dates and times, which a workbook stores as numbers of days shown through
// a date format.
namespace workbook {

enum class DateKind { Date, Time, DateTime, Elapsed };

// How a number format shows a number of days. An elapsed time ("[h]:mm",
// "[mm]:ss", "[ss].00") counts the whole time in its first, bracketed field,
// then shows the smaller fields its format names, down to `lastUnit`, with
// `decimals` digits of a second after the seconds.
struct DateFormat {
    DateKind kind = DateKind::Date;
    char firstUnit = 'h'; // 'h', 'm' or 's'
    char lastUnit = 'h';
    std::uint8_t firstWidth = 1; // the least digits of the first field
    std::uint8_t decimals = 0;
};

// How number format `index` with the format text `text` (empty for the
// built-in formats) shows a date, a time, both or an elapsed time; nothing
// for other formats. In a format text, quoted text, escaped characters and
// bracketed parts (colours, conditions) other than an elapsed time's first
// field do not count.
std::optional<DateFormat> dateFormatOf(std::uint16_t index, const std::string& text);

// `days` since the start of the workbook's date system as text:
// "2026-12-07", "13:45:00", "2026-12-07 13:45:00" or "36:00". In the 1900
// system day 1 is 1900-01-01 and the system counts a 29 February 1900 that
// never was; in the 1904 system day 0 is 1904-01-01. Nothing for a number no
// date can be: before the system's start or after 9999-12-31 in either system.
std::optional<std::string> dateText(double days, bool system1904, const DateFormat& format);

} // namespace workbook
