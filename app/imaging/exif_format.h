/*
 * How camera values are written as catalogue text: plain numbers a search can compare
 * (FNumber "7.1", FocalLength "135", ExposureTime "1/160" or "2.5"), dates as
 * "YYYY-MM-DD HH:MM:SS", coordinates as signed decimal degrees ("-0.366667").
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kavdb::imaging {

/* A number with at most one decimal, without a trailing ".0"; none for d <= 0. */
std::optional<std::string> decimalText(int64_t numerator, int64_t denominator);

/* An exposure time in seconds: "1/N" below one second, a decimal from one second up. */
std::optional<std::string> exposureText(int64_t numerator, int64_t denominator);

/* EXIF "YYYY:MM:DD HH:MM:SS" as "YYYY-MM-DD HH:MM:SS"; other texts trimmed, unchanged;
 * a date without any digit (a camera without a clock) as the empty text. */
std::string dateText(const std::string& exifDate);

/* Degrees, minutes and seconds with a hemisphere letter (N, S, E, W) as signed degrees. */
std::string degreesText(double degrees, double minutes, double seconds, char hemisphere);

/* A camera text without the blanks and NULs cameras pad their fixed fields with. */
std::string trimmedText(const std::string& text);

/* text cut to at most maxBytes bytes without splitting a UTF-8 character. */
std::string cutText(const std::string& text, std::size_t maxBytes);

} // namespace kavdb::imaging
