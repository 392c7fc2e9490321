/*
 * Private to the engine layer: Jet's dates and Format, as plain computation. A date is
 * Jet's serial number (days since 1899-12-30, the time of day as the fraction); in SQL it
 * is the text "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", which sorts and compares as the date
 * does. Date literals (the front end) and the SQL functions (functions.cpp) stand on it.
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavdb::engine::jet {

/* A date read from text: yyyy-mm-dd, yyyy/mm/dd, yyyy:mm:dd (as cameras write it) or
 * m/d/yyyy, each with an optional time h:mm[:ss] [AM|PM]; or a time alone. Nothing for
 * a text that is no date, or names a day that does not exist. */
std::optional<double> parseDate(std::string_view text);
/* Whether a number is a day of Jet's range (the years 100 to 9999). */
bool isDate(double serial);
/* The SQL text of a date: its time only when it is not midnight. */
std::string dateText(double serial);
/* DateSerial: a month or day beyond its range counts on into the next. */
std::optional<double> dateSerial(int64_t year, int64_t month, int64_t day);

/* DateAdd, DateDiff and DatePart (Weekday is DatePart "w") with Jet's interval words
 * (yyyy q m y d w ww h n s); nothing for an interval Jet does not know, or a date beyond
 * Jet's range. */
std::optional<double> dateAdd(std::string_view interval, int64_t count, double serial);
std::optional<int64_t> dateDiff(std::string_view interval, double from, double to);
std::optional<int64_t> datePart(std::string_view interval, double serial);

/* A number pattern's section: digit places (0 shown, # when needed), the point, thousands
 * commas, a percent sign, and the literal texts before and after. */
struct NumberPattern {
    std::string prefix, suffix;
    int intZeros = 0, decZeros = 0, decHashes = 0;
    bool point = false, thousands = false, percent = false;
};
NumberPattern readNumberPattern(std::string_view section);
/* The pattern a named format (Fixed, Short Date, ...) stands for; any other pattern itself. */
std::string_view namedPattern(std::string_view pattern);

/* Format with a pattern: true when the pattern formats dates rather than numbers. */
bool isDatePattern(std::string_view pattern);
std::string formatDate(double serial, std::string_view pattern);
std::string formatNumber(double value, std::string_view pattern);
/* A number as CStr writes it: at most 15 significant digits, no exponent for ordinary sizes. */
std::string numberText(double value);

} // namespace kavdb::engine::jet
