#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Dates and times, which a workbook stores as numbers of days shown through
// a date format.
namespace workbook {

enum class DateKind { Date, Time, DateTime };

// Whether number format `index` with the format text `text` (empty for the
// built-in formats) shows a date, a time or both; nothing for other formats.
// In a format text, quoted text, escaped characters and bracketed parts
// (colours, conditions) do not count.
std::optional<DateKind> dateKindOf(std::uint16_t index, const std::string& text);

// `days` since the start of the workbook's date system as text:
// "2026-12-07", "13:45:00" or "2026-12-07 13:45:00". In the 1900 system day 1
// is 1900-01-01 and the system counts a 29 February 1900 that never was; in
// the 1904 system day 0 is 1904-01-01. Nothing for a number no date can be.
std::optional<std::string> dateText(double days, bool system1904, DateKind kind);

} // namespace workbook
