/*
 * A file's update time as local time: checked against the C library's own conversion,
 * and under fixed time zones against known calendar values.
 */
#include "kavdbmgr.h"
#include "store/datetext.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

namespace {

constexpr long kMonday20040705 = 1089018487; // 2004-07-05 09:08:07 UTC

class FileUpdateTime : public kavdb::test::TempDirTest {
  protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        if (const char* tz = std::getenv("TZ")) {
            savedTz_ = tz;
        }
    }
    void TearDown() override
    {
        if (savedTz_) {
            setenv("TZ", savedTz_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
        TempDirTest::TearDown();
    }
    static void useTimeZone(const char* tz)
    {
        setenv("TZ", tz, 1);
        tzset();
    }
    static SYSTEMTIME sentinel()
    {
        SYSTEMTIME t;
        std::memset(&t, 0xA5, sizeof t);
        return t;
    }

    std::optional<std::string> savedTz_;
};

TEST_F(FileUpdateTime, MatchesTheLocalTimeOfTheModificationTime)
{
    const std::string path = makeFile("a.jpg");
    setMtime(path, kMonday20040705, 6'999'999);
    SYSTEMTIME t = sentinel();
    EXPECT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);

    const std::time_t seconds = kMonday20040705;
    std::tm local{};
    ASSERT_NE(localtime_r(&seconds, &local), nullptr);
    EXPECT_EQ(t.wYear, local.tm_year + 1900);
    EXPECT_EQ(t.wMonth, local.tm_mon + 1);
    EXPECT_EQ(t.wDay, local.tm_mday);
    EXPECT_EQ(t.wDayOfWeek, local.tm_wday);
    EXPECT_EQ(t.wHour, local.tm_hour);
    EXPECT_EQ(t.wMinute, local.tm_min);
    EXPECT_EQ(t.wSecond, local.tm_sec);
    EXPECT_EQ(t.wMilliseconds, 6);
}

struct ZoneCase {
    const char* tz;
    const char* text;
};

class FileUpdateTimeInZone : public FileUpdateTime,
                             public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(FileUpdateTimeInZone, GivesTheZonesCalendarTime)
{
    useTimeZone(GetParam().tz);
    const std::string path = makeFile("b.jpg");
    setMtime(path, kMonday20040705, 6'000'000);
    SYSTEMTIME t{};
    ASSERT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
    char text[kavdb::store::kDateTextCapacity];
    SYSTEMTIMEtoSTR(t, text);
    EXPECT_STREQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Zones, FileUpdateTimeInZone,
                         ::testing::Values(ZoneCase{"UTC0", "2004070501090807006"},
                                           ZoneCase{"JST-9", "2004070501180807006"},
                                           ZoneCase{"EST12", "2004070400210807006"}),
                         [](const auto& info) {
                             return std::string(info.param.tz[0] == 'U'   ? "Utc"
                                                : info.param.tz[0] == 'J' ? "Ahead"
                                                                          : "Behind");
                         });

TEST_F(FileUpdateTime, MillisecondsAreCutFromNanoseconds)
{
    const std::string path = makeFile("c.jpg");
    for (long nanos : {0L, 999'999L, 1'000'000L, 999'999'999L}) {
        setMtime(path, kMonday20040705, nanos);
        SYSTEMTIME t{};
        ASSERT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
        EXPECT_EQ(t.wMilliseconds, nanos / 1'000'000) << nanos;
    }
}

TEST_F(FileUpdateTime, WhatCannotBeOpenedLeavesTheOutputUntouched)
{
    const std::string missing = dir_ + "/missing.jpg";
    const std::string folder = makeDir("folder");
    for (const char* path : {missing.c_str(), folder.c_str(), static_cast<const char*>(nullptr)}) {
        SYSTEMTIME t = sentinel();
        const SYSTEMTIME before = t;
        EXPECT_EQ(GetFileUpdateTM(path, &t), -1) << (path ? path : "(null)");
        EXPECT_EQ(std::memcmp(&t, &before, sizeof t), 0);
    }
}

TEST_F(FileUpdateTime, NullOutputIsRefused)
{
    EXPECT_EQ(GetFileUpdateTM(makeFile("d.jpg").c_str(), nullptr), -1);
}

} // namespace
