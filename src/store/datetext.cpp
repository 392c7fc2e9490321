/*
 * Date-time text, file update times and pixel-row widths (see datetext.h). Plain C and
 * POSIX underneath: no allocation except where a std::string is returned.
 */
#include "store/datetext.h"

#include "store/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace kavdb::store {

namespace {

/* The fields of the text in their stored order; the day of week follows the day. */
struct DateField {
    uint16_t SYSTEMTIME::*member;
    int width;
};
constexpr DateField kDateFields[] = {
    {&SYSTEMTIME::wYear, 4},      {&SYSTEMTIME::wMonth, 2},        {&SYSTEMTIME::wDay, 2},
    {&SYSTEMTIME::wDayOfWeek, 2}, {&SYSTEMTIME::wHour, 2},         {&SYSTEMTIME::wMinute, 2},
    {&SYSTEMTIME::wSecond, 2},    {&SYSTEMTIME::wMilliseconds, 3},
};
constexpr int kWidestField = 4;

SYSTEMTIME fromLocalTime(const std::tm& local, long nanoseconds)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<uint16_t>(local.tm_year + 1900);
    t.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
    t.wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
    t.wDay = static_cast<uint16_t>(local.tm_mday);
    t.wHour = static_cast<uint16_t>(local.tm_hour);
    t.wMinute = static_cast<uint16_t>(local.tm_min);
    t.wSecond = static_cast<uint16_t>(local.tm_sec);
    t.wMilliseconds = static_cast<uint16_t>(nanoseconds / 1000000);
    return t;
}

/* The local update time of a file examined by stat or fstat; false for a directory,
 * which is not a file whose update time the catalogue keeps. */
bool updateTimeOf(const struct stat& st, SYSTEMTIME* t)
{
    if (S_ISDIR(st.st_mode)) {
        return false;
    }
    std::tm local{};
    const std::time_t seconds = st.st_mtim.tv_sec;
    if (localtime_r(&seconds, &local) == nullptr) {
        return false;
    }
    *t = fromLocalTime(local, st.st_mtim.tv_nsec);
    return true;
}

} // namespace

char* appendPaddedNumber(uint16_t value, char* text, int width) noexcept
{
    char digits[8];
    const auto [last, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec; // five digits always fit
    const int count = static_cast<int>(last - digits);

    char* end = text + std::strlen(text);
    for (int i = count; i < width; ++i) {
        *end++ = '0';
    }
    std::memcpy(end, digits, static_cast<std::size_t>(count));
    end[count] = '\0';
    return text;
}

void writeDateText(const SYSTEMTIME& t, char* text) noexcept
{
    text[0] = '\0';
    for (const DateField& f : kDateFields) {
        appendPaddedNumber(t.*f.member, text, f.width);
    }
}

std::string dateText(const SYSTEMTIME& t)
{
    char text[kDateTextCapacity];
    writeDateText(t, text);
    return text;
}

void parseDateText(const char* text, SYSTEMTIME* t) noexcept
{
    if (text == nullptr || t == nullptr) {
        return;
    }
    // strnlen stops at the NUL, so a short text is never read past its end.
    const std::size_t length = strnlen(text, kDateTextLength);
    std::size_t offset = 0;
    for (const DateField& f : kDateFields) {
        char scratch[kWidestField + 1] = {};
        for (int i = 0; i < f.width && offset + i < length; ++i) {
            scratch[i] = text[offset + i];
        }
        t->*f.member = static_cast<uint16_t>(std::strtol(scratch, nullptr, 10));
        offset += static_cast<std::size_t>(f.width);
    }
}

int fileUpdateTime(const char* path, SYSTEMTIME* t) noexcept
{
    if (path == nullptr || t == nullptr || !mayRead(path)) {
        return -1;
    }
    struct stat st {};
    return ::stat(path, &st) == 0 && updateTimeOf(st, t) ? 1 : -1;
}

int fileTimeOrAbsence(const char* path, SYSTEMTIME* t) noexcept
{
    if (path == nullptr || t == nullptr) {
        return -1;
    }
    struct stat st {};
    if (::stat(path, &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
    }
    return updateTimeOf(st, t) ? 1 : -1;
}

int64_t rowStride(int32_t width, int32_t bitsPerPixel) noexcept
{
    if (width <= 0 || bitsPerPixel <= 0) {
        return 0;
    }
    const int64_t bits = static_cast<int64_t>(width) * bitsPerPixel;
    return (bits / 32) * 4 + (bits % 32 != 0 ? 4 : 0);
}

} // namespace kavdb::store
