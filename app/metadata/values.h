/*
 * Metadata values as the catalogue keeps them: numbers as numbers (FNumber 7.1, FocalLength
 * 135, ExposureTime in seconds, coordinates in signed degrees), the exposure also as the
 * text photographers read ("1/160"), dates as "YYYY-MM-DD HH:MM:SS", texts trimmed and in
 * UTF-8, lists (keywords, people) as one text of entries separated by "; ".
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kavdb::metadata {

/* One item a photo gives, named as the catalogue's table and item; its value is a text,
 * a whole number or a number (the MetaTag types 0, 1 and 3). */
using ItemValue = std::variant<std::string, int32_t, double>;
struct PhotoItem {
    std::string table;
    std::string name;
    ItemValue value;
};
using PhotoItems = std::vector<PhotoItem>;

/* numerator / denominator; none unless both are positive (zero numerators allowed). */
std::optional<double> ratio(int64_t numerator, int64_t denominator);

/* An exposure time in seconds as people write it: "1/N" below one second, a decimal
 * ("2.5", "30") from one second up. */
std::optional<std::string> exposureText(int64_t numerator, int64_t denominator);

/* EXIF "YYYY:MM:DD HH:MM:SS" as "YYYY-MM-DD HH:MM:SS"; other texts trimmed, unchanged;
 * a date without any digit (a camera without a clock) as the empty text. */
std::string dateText(const std::string& exifDate);

/* An XMP date ("2008-03-15T09:52:01-04:00", "2003-08-31", "2005-12-17T22:03:32Z") as
 * "YYYY-MM-DD[ HH:MM:SS]", the time as the photo gives it (no zone shift); "" when it is
 * not a date. */
std::string xmpDateText(const std::string& xmpDate);

/* Degrees, minutes and seconds with a hemisphere letter (N, S, E, W) as signed degrees. */
double signedDegrees(double degrees, double minutes, double seconds, char hemisphere);

/* A text without the blanks and NULs cameras pad their fixed fields with. */
std::string trimmedText(const std::string& text);

/* text cut to at most maxBytes bytes without splitting a UTF-8 character. */
std::string cutText(const std::string& text, std::size_t maxBytes);

/* The text unchanged when it is valid UTF-8, else read as Latin-1 (what IPTC-IIM texts
 * are when no character set is declared). */
std::string utf8Text(const std::string& text);

/* Entries joined by "; ", each trimmed (a ';' inside one becomes ','), empty and
 * repeated entries left out. */
std::string joinedList(const std::vector<std::string>& entries);

/* The entries of a list text: split at ';' and, when commas is set, at ',' too. */
std::vector<std::string> splitList(const std::string& text, bool commas);

} // namespace kavdb::metadata
