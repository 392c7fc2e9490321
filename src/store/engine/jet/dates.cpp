/*
 * Jet's dates and Format (see dates.h). Calendar arithmetic counts days from
 * 1970-01-01 with the proleptic Gregorian rules in whole seconds; names of months and
 * days, and the named formats, are written as Jet writes them in the United States.
 */
#include "store/engine/jet/dates.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kavdb::engine::jet {

namespace {

constexpr int64_t kEpochDay = -25569; // Jet's day 0, 1899-12-30, from 1970-01-01
constexpr int64_t kDay = 86400;
constexpr double kFirstDay = -657434.0; // 100-01-01 and 10000-01-01: Jet's dates lie between
constexpr double kPastLastDay = 2958466.0;

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

int64_t daysIn(int64_t y, int64_t m)
{
    static constexpr int64_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

/* Jet's day number of a civil date (month 1..12). */
int64_t dayOf(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2 ? 1 : 0;
    int64_t era = floorDiv(y, 400);
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468 - kEpochDay;
}

struct Civil {
    int64_t y, m, d, hour, minute, second, day; // day: Jet's day number
};

/* Whole seconds since Jet's day 0: date arithmetic is exact in them. */
int64_t secondsOf(double serial)
{
    return std::llround(serial * kDay);
}

double serialOf(int64_t seconds)
{
    return static_cast<double>(seconds) / kDay;
}

Civil civilOf(int64_t seconds)
{
    int64_t day = floorDiv(seconds, kDay);
    int64_t rest = seconds - day * kDay;
    int64_t z = day + kEpochDay + 719468;
    int64_t era = floorDiv(z, 146097);
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (m <= 2 ? 1 : 0),
            m,
            doy - (153 * mp + 2) / 5 + 1,
            rest / 3600,
            rest / 60 % 60,
            rest % 60,
            day};
}

int64_t weekday(int64_t day) // 1 Sunday .. 7 Saturday; day 0 was a Saturday
{
    return day - floorDiv(day + 6, 7) * 7 + 7;
}

int64_t dayOfYear(const Civil& c)
{
    return c.day - dayOf(c.y, 1, 1) + 1;
}

std::optional<double> checked(int64_t seconds)
{
    double serial = serialOf(seconds);
    return serial >= kFirstDay && serial < kPastLastDay ? std::optional<double>(serial)
                                                        : std::nullopt;
}

bool lowerIs(std::string_view s, std::string_view lower)
{
    return s.size() == lower.size() && std::equal(s.begin(), s.end(), lower.begin(),
                                                  [](char a, char b) { return (a | 0x20) == b; });
}

/* Up to max digits at i. */
bool digits(std::string_view s, std::size_t& i, int64_t& value, int& count, int max)
{
    for (value = 0, count = 0; i < s.size() && count < max && s[i] >= '0' && s[i] <= '9'; ++count) {
        value = value * 10 + (s[i++] - '0');
    }
    return count > 0;
}

/* The date at i as a day number: three numbers with one separator, the year first (four
 * digits) or last (m/d/y, as Jet reads literals). i stays where it was when there is none. */
std::optional<int64_t> readDate(std::string_view s, std::size_t& i)
{
    std::size_t start = i;
    int64_t v[3];
    int n[3];
    bool three = digits(s, i, v[0], n[0], 4) && i < s.size() &&
                 std::strchr("-/:.", s[i]) != nullptr && (s[i] != ':' || n[0] == 4);
    char sep = three ? s[i++] : 0;
    three = three && digits(s, i, v[1], n[1], 2) && i < s.size() && s[i++] == sep &&
            digits(s, i, v[2], n[2], 4);
    if (!three) {
        i = start;
        return std::nullopt;
    }
    bool yearFirst = n[0] == 4;
    int64_t y = yearFirst ? v[0] : v[2] + (n[2] > 2 ? 0 : v[2] < 30 ? 2000 : 1900);
    int64_t m = yearFirst ? v[1] : v[0];
    int64_t d = yearFirst ? v[2] : v[1];
    if (m < 1 || m > 12 || d < 1 || d > daysIn(y, m)) {
        return std::nullopt;
    }
    return dayOf(y, m, d);
}

/* The time at i: h:mm[:ss] with an optional AM or PM, in seconds. */
std::optional<int64_t> readTime(std::string_view s, std::size_t& i)
{
    int64_t h = 0, m = 0, sec = 0;
    int n = 0;
    if (!digits(s, i, h, n, 2) || i >= s.size() || s[i++] != ':' || !digits(s, i, m, n, 2) ||
        (i < s.size() && s[i] == ':' && !digits(s, ++i, sec, n, 2))) {
        return std::nullopt;
    }
    while (i < s.size() && s[i] == ' ') {
        ++i;
    }
    if (i < s.size() && ((s[i] | 0x20) == 'a' || (s[i] | 0x20) == 'p')) {
        bool pm = (s[i] | 0x20) == 'p';
        i += i + 1 < s.size() && (s[i + 1] | 0x20) == 'm' ? 2 : 1;
        if (h < 1 || h > 12) {
            return std::nullopt;
        }
        h = h % 12 + (pm ? 12 : 0);
    }
    return h > 23 || m > 59 || sec > 59 ? std::nullopt
                                        : std::optional<int64_t>(h * 3600 + m * 60 + sec);
}

std::string padded(int64_t v, int width = 2)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(v));
    return text;
}

/* A non-negative number rounded to places decimals, half away from zero on its decimal
 * digits (as Format rounds): its integer and fraction digits. */
void roundDecimal(double v, int places, std::string& whole, std::string& fraction)
{
    char text[400]; // a double's integer digits, a point and at most 33 decimals
    std::snprintf(text, sizeof text, "%.*f", places + 3, v);
    std::string all(text);
    std::size_t point = all.find('.');
    all.erase(point, 1);
    std::size_t keep = point + static_cast<std::size_t>(places);
    bool up = all[keep] >= '5';
    all.resize(keep);
    for (std::size_t i = all.size(); up && i-- > 0;) {
        up = all[i] == '9';
        all[i] = up ? '0' : static_cast<char>(all[i] + 1);
    }
    whole = (up ? "1" : "") + all.substr(0, point);
    fraction = all.substr(point);
}

/* One run of a date pattern's letters (or a marker) at p[i], as it reads for c. */
std::string datePiece(std::string_view p, std::size_t& i, const Civil& c, bool twelve,
                      bool afterHour)
{
    char l = static_cast<char>(p[i] | 0x20);
    std::size_t run = 1;
    while (i + run < p.size() && (p[i + run] | 0x20) == l) {
        ++run;
    }
    bool marker = lowerIs(p.substr(i, 5), "am/pm") || lowerIs(p.substr(i, 3), "a/p");
    if (marker) {
        bool full = lowerIs(p.substr(i, 5), "am/pm");
        bool lower = p[i] == 'a' || p[i] == 'p';
        i += full ? 5 : 3;
        std::string m = std::string(1, c.hour < 12 ? 'A' : 'P') + (full ? "M" : "");
        std::transform(m.begin(), m.end(), m.begin(),
                       [&](char x) { return lower ? static_cast<char>(x | 0x20) : x; });
        return m;
    }
    i += run;
    auto number = [&](int64_t v) { return run >= 2 ? padded(v) : std::to_string(v); };
    auto named = [&](const char* name) {
        return run >= 4 ? std::string(name) : std::string(name, 3);
    };
    switch (l) {
    case 'y':
        return run >= 3   ? padded(c.y, 4)
               : run == 2 ? padded(c.y % 100)
                          : std::to_string(dayOfYear(c));
    case 'm':
        return afterHour && run <= 2 ? number(c.minute)
               : run >= 3            ? named(kMonths[c.m - 1])
                                     : number(c.m);
    case 'd':
        return run >= 3 ? named(kWeekdays[weekday(c.day) - 1]) : number(c.d);
    case 'h':
        return number(twelve ? (c.hour + 11) % 12 + 1 : c.hour);
    case 'n':
        return number(c.minute);
    case 's':
        return number(c.second);
    case 'q':
        return std::to_string((c.m - 1) / 3 + 1);
    case 'w':
        return std::to_string(*datePart(run >= 2 ? "ww" : "w", serialOf(c.day * kDay)));
    default:
        return std::string(p.substr(i - run, run));
    }
}

} // namespace

NumberPattern readNumberPattern(std::string_view p)
{
    NumberPattern np;
    bool digit = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        if (c == '0' || c == '#') {
            digit = true;
            if (np.point) {
                ++(c == '0' ? np.decZeros : np.decHashes);
            } else {
                np.intZeros += c == '0' ? 1 : 0;
            }
        } else if ((c == '.' && !np.point) || (c == ',' && digit && !np.point)) {
            (c == '.' ? np.point : np.thousands) = digit = true;
        } else {
            std::size_t close = c == '"' ? std::min(p.find('"', i + 1), p.size()) : i;
            std::string literal = c == '"' ? std::string(p.substr(i + 1, close - i - 1))
                                  : c == '\\' && i + 1 < p.size() ? std::string(1, p[i + 1])
                                                                  : std::string(1, c);
            i = c == '\\' && i + 1 < p.size() ? i + 1 : close;
            np.percent = np.percent || c == '%';
            (digit ? np.suffix : np.prefix) += literal;
        }
    }
    return np;
}

std::string_view namedPattern(std::string_view pattern)
{
    static constexpr std::string_view named[][2] = {{"long date", "dddd, mmmm d, yyyy"},
                                                    {"medium date", "d-mmm-yy"},
                                                    {"short date", "m/d/yyyy"},
                                                    {"long time", "h:nn:ss AM/PM"},
                                                    {"medium time", "h:nn AM/PM"},
                                                    {"short time", "hh:nn"},
                                                    {"fixed", "0.00"},
                                                    {"standard", "#,##0.00"},
                                                    {"percent", "0.00%"},
                                                    {"currency", "$#,##0.00"}};
    for (const auto& n : named) {
        if (lowerIs(pattern, n[0])) {
            return n[1];
        }
    }
    return pattern;
}

std::optional<double> parseDate(std::string_view text)
{
    std::size_t first = text.find_first_not_of(' ');
    text = first == std::string_view::npos
               ? ""
               : text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::size_t i = 0;
    std::optional<int64_t> day = readDate(text, i);
    if (day && i == text.size()) {
        return serialOf(*day * kDay);
    }
    if (day && text[i] != ' ' && text[i] != 'T') {
        return std::nullopt;
    }
    i += day ? 1 : 0;
    std::optional<int64_t> time = readTime(text, i);
    return time && i == text.size()
               ? std::optional<double>(serialOf(day.value_or(0) * kDay + *time))
               : std::nullopt;
}

bool isDate(double serial)
{
    return serial >= kFirstDay && serial < kPastLastDay;
}

std::string dateText(double serial)
{
    Civil c = civilOf(secondsOf(serial));
    std::string date = padded(c.y, 4) + "-" + padded(c.m) + "-" + padded(c.d);
    bool time = c.hour != 0 || c.minute != 0 || c.second != 0;
    return time ? date + " " + padded(c.hour) + ":" + padded(c.minute) + ":" + padded(c.second)
                : date;
}

std::optional<double> dateSerial(int64_t year, int64_t month, int64_t day)
{
    if (std::abs(year) > 100000 || std::abs(month) > 1200000 || std::abs(day) > 40000000) {
        return std::nullopt;
    }
    int64_t months = year * 12 + month - 1;
    int64_t y = floorDiv(months, 12);
    return checked((dayOf(y, months - y * 12 + 1, 1) + day - 1) * kDay);
}

std::optional<double> dateAdd(std::string_view interval, int64_t count, double serial)
{
    static constexpr std::pair<std::string_view, int64_t> steps[] = {
        {"yyyy", -12}, {"q", -3},        {"m", -1},   {"y", kDay}, {"d", kDay},
        {"w", kDay},   {"ww", 7 * kDay}, {"h", 3600}, {"n", 60},   {"s", 1}};
    int64_t seconds = secondsOf(serial);
    for (const auto& [word, step] : steps) {
        if (!lowerIs(interval, word) || std::abs(count) > 1000000000000) {
            continue;
        }
        if (step > 0) {
            return checked(seconds + step * count);
        }
        Civil c = civilOf(seconds); // months: a day past the month's end is its last day
        int64_t total = c.y * 12 + c.m - 1 - step * count;
        int64_t y = floorDiv(total, 12);
        int64_t m = total - y * 12 + 1;
        return checked(dayOf(y, m, std::min(c.d, daysIn(y, m))) * kDay + seconds - c.day * kDay);
    }
    return std::nullopt;
}

std::optional<int64_t> dateDiff(std::string_view interval, double from, double to)
{
    int64_t a = secondsOf(from), b = secondsOf(to);
    Civil x = civilOf(a), y = civilOf(b);
    const std::pair<std::string_view, int64_t> diffs[] = {
        {"yyyy", y.y - x.y},
        {"q", (y.y * 4 + (y.m - 1) / 3) - (x.y * 4 + (x.m - 1) / 3)},
        {"m", (y.y * 12 + y.m) - (x.y * 12 + x.m)},
        {"y", y.day - x.day},
        {"d", y.day - x.day},
        {"w", (y.day - x.day) / 7},
        {"ww", floorDiv(y.day - 1, 7) - floorDiv(x.day - 1, 7)}, // Sundays passed; day 1 was one
        {"h", floorDiv(b, 3600) - floorDiv(a, 3600)},
        {"n", floorDiv(b, 60) - floorDiv(a, 60)},
        {"s", b - a}};
    for (const auto& [word, diff] : diffs) {
        if (lowerIs(interval, word)) {
            return diff;
        }
    }
    return std::nullopt;
}

std::optional<int64_t> datePart(std::string_view interval, double serial)
{
    Civil c = civilOf(secondsOf(serial));
    const std::pair<std::string_view, int64_t> parts[] = {
        {"yyyy", c.y},   {"q", (c.m - 1) / 3 + 1},
        {"m", c.m},      {"y", dayOfYear(c)},
        {"d", c.d},      {"w", weekday(c.day)},
        {"h", c.hour},   {"n", c.minute},
        {"s", c.second}, {"ww", (dayOfYear(c) + weekday(c.day - dayOfYear(c) + 1) - 2) / 7 + 1}};
    for (const auto& [word, value] : parts) {
        if (lowerIs(interval, word)) {
            return value;
        }
    }
    return std::nullopt;
}

bool isDatePattern(std::string_view pattern)
{
    for (std::string_view number : {"fixed", "standard", "percent", "currency", "yes/no",
                                    "true/false", "on/off", "general number", "scientific"}) {
        if (lowerIs(pattern, number)) {
            return false;
        }
    }
    bool quoted = false;
    for (char c : pattern) {
        quoted = c == '"' ? !quoted : quoted;
        if (!quoted && c != '\0' && std::strchr("yYmMdDhHnNsSqQwW", c) != nullptr) {
            return true;
        }
    }
    return false;
}

std::string formatDate(double serial, std::string_view p)
{
    Civil c = civilOf(secondsOf(serial));
    bool time = c.hour != 0 || c.minute != 0 || c.second != 0;
    if (lowerIs(p, "general date")) {
        std::string date = c.day != 0 || !time ? formatDate(serial, "m/d/yyyy") : "";
        return date + (time ? (date.empty() ? "" : " ") + formatDate(serial, "h:nn:ss AM/PM") : "");
    }
    p = namedPattern(p);
    std::string lower(p.size(), ' ');
    std::transform(p.begin(), p.end(), lower.begin(),
                   [](char x) { return static_cast<char>(x | 0x20); });
    bool twelve =
        lower.find("am/pm") != std::string::npos || lower.find("a/p") != std::string::npos;
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == '"' || (p[i] == '\\' && i + 1 < p.size())) { // text as it is
            std::size_t close = p[i] == '"' ? std::min(p.find('"', i + 1), p.size()) : i + 2;
            out += p.substr(i + 1, close - i - 1);
            i = close + (p[i] == '"' ? 1 : 0);
        } else if (std::isalpha(static_cast<unsigned char>(p[i])) != 0) {
            bool hour = (p[i] | 0x20) == 'h';
            out += datePiece(p, i, c, twelve, afterHour);
            afterHour = hour;
        } else {
            out += p[i++];
        }
    }
    return out;
}

std::string formatNumber(double value, std::string_view pattern)
{
    for (std::string_view truth : {"yes/no", "true/false", "on/off"}) {
        if (lowerIs(pattern, truth)) {
            std::string_view word =
                value != 0 ? truth.substr(0, truth.find('/')) : truth.substr(truth.find('/') + 1);
            return static_cast<char>(word[0] & ~0x20) + std::string(word.substr(1));
        }
    }
    pattern = namedPattern(pattern);
    if (lowerIs(pattern, "general number") || pattern.empty() || !std::isfinite(value)) {
        return numberText(value);
    }
    std::size_t semi = pattern.find(';');
    bool negativeSection = value < 0 && semi != std::string_view::npos;
    NumberPattern np =
        readNumberPattern(negativeSection ? pattern.substr(semi + 1) : pattern.substr(0, semi));
    std::string whole, fraction;
    roundDecimal(std::fabs(value) * (np.percent ? 100 : 1),
                 std::min(np.decZeros + np.decHashes, 30), whole, fraction);
    while (static_cast<int>(fraction.size()) > np.decZeros && fraction.back() == '0') {
        fraction.pop_back();
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    whole.insert(
        0, static_cast<std::size_t>(std::max(0, np.intZeros - static_cast<int>(whole.size()))),
        '0');
    for (int i = static_cast<int>(whole.size()) - 3; np.thousands && i > 0; i -= 3) {
        whole.insert(static_cast<std::size_t>(i), ",");
    }
    bool negative = value < 0 && !negativeSection &&
                    (whole + fraction).find_first_not_of("0,") != std::string::npos;
    return (negative ? "-" : "") + np.prefix + whole + (np.point ? "." + fraction : "") + np.suffix;
}

std::string numberText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

} // namespace kavdb::engine::jet
