/*
 * Date-time text and the pure value helpers shared by every layer.
 *
 * The catalogue stores a time as 19 digits without separators: year(4) month(2) day(2)
 * day-of-week(2) hour(2) minute(2) second(2) milliseconds(3), each padded with '0' on
 * the left; a field too large for its width is written whole, which lengthens the text.
 * Times compare equal exactly when their texts do. Also here: a file's last-write time
 * as local time, and the byte width of a padded pixel row.
 */
#pragma once

#include "kavdbmgr.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavdb::store {

/* Length of the text of a time whose fields fit their widths. */
inline constexpr std::size_t kDateTextLength = 19;
/* Room for the longest possible text (every field 5 digits) and its NUL. */
inline constexpr std::size_t kDateTextCapacity = 8 * 5 + 1;

/* Appends value in decimal to the NUL-terminated text, padded on the left with '0' to
 * width digits; returns text. */
char* appendPaddedNumber(uint16_t value, char* text, int width) noexcept;

/* Writes the text of t into text, which holds at least kDateTextCapacity bytes (20 are
 * enough while every field fits its width). */
void writeDateText(const SYSTEMTIME& t, char* text) noexcept;
std::string dateText(const SYSTEMTIME& t);

/* Reads every field from its positions in text. Only characters before the text's NUL
 * are read; a field lying wholly or partly beyond it reads what is there (nothing: 0). */
void parseDateText(const char* text, SYSTEMTIME* t) noexcept;

/* The file's last-write time as local time, milliseconds and day of week (0 = Sunday)
 * filled: 1, or -1 with *t untouched when the file could not be opened for reading or is
 * a directory. The file is never opened (file_probe.h). */
int fileUpdateTime(const char* path, SYSTEMTIME* t) noexcept;
/* The same time from a single stat, for walks over many files: 1 with *t filled, 0 when
 * the file certainly does not exist, -1 when that cannot be told or it has no update
 * time (a directory), *t untouched then. */
int fileTimeOrAbsence(const char* path, SYSTEMTIME* t) noexcept;

/* Bytes in one pixel row of width pixels at bitsPerPixel, rounded up to whole 32-bit
 * words; 0 when either is not positive. */
int64_t rowStride(int32_t width, int32_t bitsPerPixel) noexcept;

} // namespace kavdb::store
