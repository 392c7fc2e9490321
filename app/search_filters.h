/*
 * The time and place filters of `kavdb search`, read from the command line's words
 * (--from 2008-05-01, --near 43.30,5.37, --within 10km), and putting the lists of paths
 * that several filters give together. Stands on nothing but the standard library.
 */
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kavdb {

/* A date as the catalogue writes it ("2008-05-30" or "2008-05-30 15:56:01"), the bound
 * of a range of dates taken: a day alone stands for its first second as a start and its
 * last as an end. Empty when text is not a real date. */
std::optional<std::string> dateBound(const std::string& text, bool end);

struct Position {
    double latitude = 0;
    double longitude = 0;
};
/* "LAT,LON" in signed degrees; empty when malformed or out of range. */
std::optional<Position> parsePosition(const std::string& text);
/* "10km", "500m", "2.5 km" or metres as a bare number; empty when malformed or negative. */
std::optional<double> parseDistance(const std::string& text);

/* The paths of ranked in their order, kept when every one of filters holds them. */
std::vector<std::string> keepListed(const std::vector<std::string>& ranked,
                                    const std::vector<std::vector<std::string>>& filters);

} // namespace kavdb
