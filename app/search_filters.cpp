/*
 * Time and place filters and their combination (search_filters.h).
 */
#include "search_filters.h"

#include <cmath>
#include <cstdio>
#include <unordered_set>

namespace kavdb {
namespace {

bool leapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysIn(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

/* The number the whole text spells, or empty. */
std::optional<double> wholeNumber(const std::string& text)
{
    double value = 0;
    int used = 0;
    if (text.empty() || std::sscanf(text.c_str(), "%lf%n", &value, &used) != 1 ||
        used != static_cast<int>(text.size()) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string trimmed(const std::string& text)
{
    std::size_t a = text.find_first_not_of(" \t");
    std::size_t b = text.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
}

} // namespace

std::optional<std::string> dateBound(const std::string& text, bool end)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    const std::string t = trimmed(text);
    bool day = std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3 && used == 10 &&
               t.size() == 10;
    bool time =
        !day && t.size() == 19 &&
        std::sscanf(t.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) == 6 &&
        used == 19;
    if ((!day && !time) || y < 1 || mo < 1 || mo > 12 || d < 1 || d > daysIn(y, mo) || h > 23 ||
        mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    if (day)
        return t + (end ? " 23:59:59" : "");
    return t;
}

std::optional<Position> parsePosition(const std::string& text)
{
    std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    std::optional<double> lat = wholeNumber(trimmed(text.substr(0, comma)));
    std::optional<double> lon = wholeNumber(trimmed(text.substr(comma + 1)));
    if (!lat || !lon || std::abs(*lat) > 90.0 || std::abs(*lon) > 180.0)
        return std::nullopt;
    return Position{*lat, *lon};
}

std::optional<double> parseDistance(const std::string& text)
{
    std::string t = trimmed(text);
    double unit = 1.0;
    if (t.size() > 2 && t.compare(t.size() - 2, 2, "km") == 0) {
        unit = 1000.0;
        t = trimmed(t.substr(0, t.size() - 2));
    } else if (t.size() > 1 && t.back() == 'm') {
        t = trimmed(t.substr(0, t.size() - 1));
    }
    std::optional<double> n = wholeNumber(t);
    if (!n || *n < 0)
        return std::nullopt;
    return *n * unit;
}

std::vector<std::string> keepListed(const std::vector<std::string>& ranked,
                                    const std::vector<std::vector<std::string>>& filters)
{
    std::vector<std::unordered_set<std::string>> sets;
    for (const std::vector<std::string>& filter : filters)
        sets.emplace_back(filter.begin(), filter.end());
    std::vector<std::string> kept;
    for (const std::string& path : ranked) {
        bool everywhere = true;
        for (const auto& set : sets)
            everywhere = everywhere && set.count(path) > 0;
        if (everywhere)
            kept.push_back(path);
    }
    return kept;
}

} // namespace kavdb
