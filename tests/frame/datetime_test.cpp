/*
 * The stored date-time text both ways, the padded-number helper under it, and the
 * pixel-row width of thumbnails. Short texts are handed over in heap buffers of exactly
 * their size, so the sanitizer build catches any read past their end.
 */
#include "frame/datetime.h"
#include "frame/image_math.h"
#include "kavdbmgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

SYSTEMTIME makeTime(uint16_t year, uint16_t month, uint16_t day, uint16_t dayOfWeek, uint16_t hour,
                    uint16_t minute, uint16_t second, uint16_t ms)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wDayOfWeek = dayOfWeek;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

bool sameTime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::unique_ptr<char[]> exactCopy(const std::string& text)
{
    auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    return buffer;
}

/* ---- Time to text ----------------------------------------------------------------- */

struct TextCase {
    SYSTEMTIME time;
    const char* text;
};

class DateTextWriting : public ::testing::TestWithParam<TextCase> {};

TEST_P(DateTextWriting, WritesFieldsInStoredOrderIntoAnExactBuffer)
{
    const std::string expected = GetParam().text;
    // Exactly the text and its NUL, filled with junk first: the text starts empty.
    auto buffer = std::make_unique<char[]>(expected.size() + 1);
    std::memset(buffer.get(), '#', expected.size() + 1);
    SYSTEMTIMEtoSTR(GetParam().time, buffer.get());
    EXPECT_EQ(std::string(buffer.get()), expected);
    EXPECT_EQ(kavdb::frame::dateText(GetParam().time), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Times, DateTextWriting,
    ::testing::Values(TextCase{makeTime(2004, 7, 5, 1, 9, 8, 7, 6), "2004070501090807006"},
                      TextCase{makeTime(0, 0, 0, 0, 0, 0, 0, 0), "0000000000000000000"},
                      TextCase{makeTime(1999, 12, 31, 5, 23, 59, 59, 999), "1999123105235959999"},
                      TextCase{makeTime(12345, 7, 5, 1, 9, 8, 7, 6), "12345070501090807006"},
                      TextCase{makeTime(2004, 123, 5, 1, 9, 8, 7, 1000), "200412305010908071000"}));

TEST(DateTextLength, AFiveDigitYearLengthensTheTextByOne)
{
    char text[kavdb::store::kDateTextCapacity];
    SYSTEMTIMEtoSTR(makeTime(12345, 1, 1, 0, 0, 0, 0, 0), text);
    EXPECT_EQ(std::strlen(text), 20u);
    SYSTEMTIMEtoSTR(makeTime(2024, 1, 1, 0, 0, 0, 0, 0), text);
    EXPECT_EQ(std::strlen(text), kavdb::store::kDateTextLength);
}

TEST(DateTextLength, EveryFieldAtItsLargestFitsTheCapacity)
{
    char text[kavdb::store::kDateTextCapacity];
    SYSTEMTIMEtoSTR(makeTime(65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535), text);
    EXPECT_EQ(std::strlen(text) + 1, sizeof text);
}

/* ---- Text to time ----------------------------------------------------------------- */

TEST(DateTextReading, ReadsEveryFieldFromItsPositions)
{
    SYSTEMTIME t{};
    STRtoSYSTEMTIME(&t, "2004070501090807006");
    EXPECT_TRUE(sameTime(t, makeTime(2004, 7, 5, 1, 9, 8, 7, 6)));
    EXPECT_EQ(t.wDay, 5);
    EXPECT_EQ(t.wDayOfWeek, 1);
    EXPECT_EQ(t.wMilliseconds, 6);
}

TEST(DateTextReading, TextsOfTimesReadBackToTheSameTimes)
{
    const SYSTEMTIME times[] = {makeTime(2004, 7, 5, 1, 9, 8, 7, 6),
                                makeTime(1970, 1, 1, 4, 0, 0, 0, 0),
                                makeTime(9999, 12, 31, 6, 23, 59, 59, 999)};
    for (const SYSTEMTIME& time : times) {
        char text[kavdb::store::kDateTextCapacity];
        SYSTEMTIMEtoSTR(time, text);
        SYSTEMTIME back{};
        STRtoSYSTEMTIME(&back, text);
        EXPECT_TRUE(sameTime(back, time)) << text;
    }
}

TEST(DateTextReading, OnlyTheFirstNineteenCharactersCount)
{
    SYSTEMTIME t{};
    STRtoSYSTEMTIME(&t, "2004070501090807006999");
    EXPECT_TRUE(sameTime(t, makeTime(2004, 7, 5, 1, 9, 8, 7, 6)));
}

TEST(DateTextReading, EachFieldStopsAtItsFirstNonDigit)
{
    SYSTEMTIME t{};
    STRtoSYSTEMTIME(&t, "20x4 7-50109080700x");
    EXPECT_EQ(t.wYear, 20);
    EXPECT_EQ(t.wMonth, 7) << "a leading blank is skipped";
    EXPECT_EQ(t.wDay, static_cast<uint16_t>(-5)) << "a sign is taken";
    EXPECT_EQ(t.wMilliseconds, 0);
}

struct ShortCase {
    const char* text;
    SYSTEMTIME expected;
};

class ShortDateText : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortDateText, FieldsBeyondTheEndReadAsZero)
{
    auto text = exactCopy(GetParam().text);
    SYSTEMTIME t = makeTime(1, 2, 3, 4, 5, 6, 7, 8); // every field overwritten
    STRtoSYSTEMTIME(&t, text.get());
    EXPECT_TRUE(sameTime(t, GetParam().expected)) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShortDateText,
    ::testing::Values(ShortCase{"", makeTime(0, 0, 0, 0, 0, 0, 0, 0)},
                      ShortCase{"2", makeTime(2, 0, 0, 0, 0, 0, 0, 0)},
                      ShortCase{"2004", makeTime(2004, 0, 0, 0, 0, 0, 0, 0)},
                      ShortCase{"20040", makeTime(2004, 0, 0, 0, 0, 0, 0, 0)},
                      ShortCase{"20040705011", makeTime(2004, 7, 5, 1, 1, 0, 0, 0)},
                      ShortCase{"200407050109080700", makeTime(2004, 7, 5, 1, 9, 8, 7, 0)},
                      ShortCase{"2004070501090807006", makeTime(2004, 7, 5, 1, 9, 8, 7, 6)}));

TEST(DateTextReading, NullArgumentsAreIgnored)
{
    SYSTEMTIME t = makeTime(1, 2, 3, 4, 5, 6, 7, 8);
    STRtoSYSTEMTIME(&t, nullptr);
    EXPECT_TRUE(sameTime(t, makeTime(1, 2, 3, 4, 5, 6, 7, 8)));
    STRtoSYSTEMTIME(nullptr, "2004070501090807006");
    SYSTEMTIMEtoSTR(t, nullptr);
}

/* ---- Padded numbers --------------------------------------------------------------- */

struct PadCase {
    const char* start;
    uint16_t value;
    int width;
    const char* expected;
};

class PaddedNumber : public ::testing::TestWithParam<PadCase> {};

TEST_P(PaddedNumber, AppendsZerosThenDigits)
{
    char text[32];
    std::strcpy(text, GetParam().start);
    EXPECT_EQ(kavdb::frame::AppendPaddedNumber(GetParam().value, text, GetParam().width), text);
    EXPECT_STREQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PaddedNumber,
                         ::testing::Values(PadCase{"", 7, 3, "007"}, PadCase{"ab", 7, 2, "ab07"},
                                           PadCase{"", 0, 2, "00"}, PadCase{"", 0, 0, "0"},
                                           PadCase{"x", 12345, 2, "x12345"},
                                           PadCase{"", 65535, 5, "65535"},
                                           PadCase{"", 42, -1, "42"}));

/* ---- Pixel rows ------------------------------------------------------------------- */

struct StrideCase {
    int32_t width;
    int32_t bits;
    int64_t stride;
};

class RowStrideOf : public ::testing::TestWithParam<StrideCase> {};

TEST_P(RowStrideOf, RoundsBitsUpToWholeWords)
{
    EXPECT_EQ(kavdb::frame::RowStride(GetParam().width, GetParam().bits), GetParam().stride);
}

INSTANTIATE_TEST_SUITE_P(Widths, RowStrideOf,
                         ::testing::Values(StrideCase{1, 24, 4}, StrideCase{4, 24, 12},
                                           StrideCase{5, 24, 16}, StrideCase{160, 24, 480},
                                           StrideCase{161, 24, 484}, StrideCase{1, 1, 4},
                                           StrideCase{32, 1, 4}, StrideCase{33, 1, 8},
                                           StrideCase{3, 32, 12}, StrideCase{0, 24, 0},
                                           StrideCase{-4, 24, 0}, StrideCase{4, 0, 0},
                                           StrideCase{1 << 30, 32, int64_t{1} << 32}));

} // namespace
