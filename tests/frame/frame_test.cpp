/*
 * The frame's helpers: the stored date-time text both ways, a file's update time as local
 * time, the application's handlers and the facade's template catalogue. Short texts are
 * handed over in heap buffers of exactly their size, so the sanitizer build catches any
 * read past their end.
 */
#include "frame/facade.h"
#include "store/datetext.h"
#include "store/report.h"
#include "support/fixture.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

namespace kavdb::test {
namespace {

SYSTEMTIME makeTime(uint16_t y, uint16_t mo, uint16_t d, uint16_t dow, uint16_t h, uint16_t mi,
                    uint16_t s, uint16_t ms)
{
    return SYSTEMTIME{y, mo, dow, d, h, mi, s, ms}; // the record's own order: weekday first
}

using store::dateText;

TEST(DateText, WritesFieldsInStoredOrderIntoAnExactBuffer)
{
    const std::pair<SYSTEMTIME, const char*> cases[] = {
        {makeTime(2004, 7, 5, 1, 9, 8, 7, 6), "2004070501090807006"},
        {makeTime(0, 0, 0, 0, 0, 0, 0, 0), "0000000000000000000"},
        {makeTime(1999, 12, 31, 5, 23, 59, 59, 999), "1999123105235959999"},
        {makeTime(12345, 7, 5, 1, 9, 8, 7, 6), "12345070501090807006"},
        {makeTime(2004, 123, 5, 1, 9, 8, 7, 1000), "200412305010908071000"},
        {makeTime(65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535),
         "6553565535655356553565535655356553565535"}};
    for (const auto& [time, text] : cases) {
        auto buffer = std::make_unique<char[]>(std::strlen(text) + 1);
        std::memset(buffer.get(), '#', std::strlen(text) + 1); // the text starts empty
        SYSTEMTIMEtoSTR(time, buffer.get());
        EXPECT_STREQ(buffer.get(), text);
        EXPECT_EQ(dateText(time), text);
    }
    EXPECT_EQ(std::strlen(cases[5].second) + 1, store::kDateTextCapacity);
}

TEST(DateText, ReadsEveryFieldFromItsPositions)
{
    const std::pair<const char*, SYSTEMTIME> cases[] = {
        {"2004070501090807006", makeTime(2004, 7, 5, 1, 9, 8, 7, 6)},
        {"2004070501090807006999", makeTime(2004, 7, 5, 1, 9, 8, 7, 6)}, // 19 characters count
        {"", makeTime(0, 0, 0, 0, 0, 0, 0, 0)},
        {"2", makeTime(2, 0, 0, 0, 0, 0, 0, 0)},
        {"20040", makeTime(2004, 0, 0, 0, 0, 0, 0, 0)},
        {"20040705011", makeTime(2004, 7, 5, 1, 1, 0, 0, 0)},
        {"200407050109080700", makeTime(2004, 7, 5, 1, 9, 8, 7, 0)},
        // Each field stops at its first non-digit; a leading blank is skipped, a sign taken.
        {"20x4 7-50109080700x", makeTime(20, 7, static_cast<uint16_t>(-5), 1, 9, 8, 7, 0)},
    };
    for (const auto& [text, expected] : cases) {
        auto buffer = std::make_unique<char[]>(std::strlen(text) + 1);
        std::strcpy(buffer.get(), text);
        SYSTEMTIME t = makeTime(1, 2, 3, 4, 5, 6, 7, 8); // every field overwritten
        STRtoSYSTEMTIME(&t, buffer.get());
        EXPECT_EQ(dateText(t), dateText(expected)) << '"' << text << '"';
        EXPECT_EQ(t.wDayOfWeek, expected.wDayOfWeek);
    }
    SYSTEMTIME t = makeTime(1, 2, 3, 4, 5, 6, 7, 8);
    STRtoSYSTEMTIME(&t, nullptr);
    EXPECT_EQ(dateText(t), "0001020304050607008");
    STRtoSYSTEMTIME(nullptr, "2004070501090807006");
    SYSTEMTIMEtoSTR(t, nullptr);
}

constexpr long kMonday20040705 = 1089018487; // 2004-07-05 09:08:07 UTC

TEST_F(TempDirTest, AFileUpdateTimeIsTheLocalTimeOfItsModification)
{
    const std::string path = makeFile("a.jpg");
    setMtime(path, kMonday20040705, 6'999'999);
    SYSTEMTIME t{};
    ASSERT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
    const std::time_t seconds = kMonday20040705;
    std::tm local{};
    ASSERT_NE(localtime_r(&seconds, &local), nullptr);
    EXPECT_EQ(dateText(t),
              dateText(makeTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                local.tm_wday, local.tm_hour, local.tm_min, local.tm_sec, 6)));
    const char* saved = std::getenv("TZ");
    std::string savedTz = saved != nullptr ? saved : "";
    for (const auto& [tz, text] : {std::pair{"UTC0", "2004070501090807006"},
                                   {"JST-9", "2004070501180807006"},
                                   {"EST12", "2004070400210807006"}}) {
        setenv("TZ", tz, 1);
        tzset();
        setMtime(path, kMonday20040705, 6'000'000);
        ASSERT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
        EXPECT_EQ(dateText(t), text) << tz;
    }
    saved != nullptr ? setenv("TZ", savedTz.c_str(), 1) : unsetenv("TZ");
    tzset();
    for (long nanos : {0L, 999'999L, 1'000'000L, 999'999'999L}) {
        setMtime(path, kMonday20040705, nanos);
        ASSERT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
        EXPECT_EQ(t.wMilliseconds, nanos / 1'000'000) << nanos;
    }
    const std::string folder = makeDir("folder");
    const std::string missing = dir_ + "/missing.jpg";
    for (const char* bad : {missing.c_str(), folder.c_str(), static_cast<const char*>(nullptr)}) {
        SYSTEMTIME untouched = makeTime(9, 9, 9, 9, 9, 9, 9, 9);
        EXPECT_EQ(GetFileUpdateTM(bad, &untouched), -1);
        EXPECT_EQ(dateText(untouched), "0009090909090909009");
    }
}

std::vector<ReportedError> seen;
std::vector<std::string> diagnosticsSeen;

TEST(Handlers, ReceiveWhatTheLibraryReports)
{
    const engine::EngineError error(KAVDB_E_NO_SUCH_TABLE, "kavdb.engine", "no such table: X");
    KaSetErrorHandler(
        [](const char* message, HRESULT code, const char* source, const char* description) {
            seen.push_back({message, code, std::string(source) + ": " + description});
        });
    store::ReportComError("Failed To Read Image", error);
    store::ReportComError(nullptr, error); // a null or empty message is not reported
    store::ReportComError("", error);
    KaSetErrorHandler(nullptr);
    store::ReportComError("Failed to open", error);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message + " " + std::to_string(seen[0].code) + " " + seen[0].description,
              "Failed To Read Image " + std::to_string(KAVDB_E_NO_SUCH_TABLE) +
                  " kavdb.engine: no such table: X");
    KaSetErrorHandler([](const char*, HRESULT, const char*, const char*) {
        throw std::runtime_error("application failure");
    });
    EXPECT_NO_THROW(store::ReportComError("Failed to open", error));
    KaSetErrorHandler(nullptr);
    KaSetDiagnosticHandler([](const char* text) { diagnosticsSeen.emplace_back(text); });
    ::testing::internal::CaptureStderr();
    store::ReportDiagnostic("SQL is empty");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(diagnosticsSeen, std::vector<std::string>{"SQL is empty"});
    KaSetDiagnosticHandler(nullptr); // back to standard error, ending in one newline
    for (const auto& [text, written] : {std::pair{"SQL is empty", "SQL is empty\n"},
                                        {"two\nlines\n", "two\nlines\n"},
                                        {"", "\n"}}) {
        ::testing::internal::CaptureStderr();
        store::ReportDiagnostic(text);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), written);
    }
    EXPECT_EQ(diagnosticsSeen.size(), 1u);
}

TEST_F(TempDirTest, TheTemplateCatalogueIsCopiedOnlyToAMissingPath)
{
    std::string dir = frame::executableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(std::filesystem::exists(dir + "kavdb_unit_tests"));
    const std::string app = dir_ + "/app/";
    EXPECT_EQ(frame::copyTemplateCatalogue(app, (dir_ + "/none.mdb").c_str()), E_FAIL);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.mdb"));
    EXPECT_EQ(frame::copyTemplateCatalogue(app, nullptr), E_INVALIDARG);
    std::filesystem::create_directories(app);
    ASSERT_EQ(KaAVDBCreate((app + "made.mdb").c_str()), S_OK);
    std::filesystem::rename(app + "made.mdb", app + "initDBfile.dat");
    std::string mine = makeFile("mine.mdb", "mine");
    EXPECT_EQ(frame::copyTemplateCatalogue(app, mine.c_str()), E_FAIL);
    EXPECT_EQ(readFile(mine), "mine");
    const std::string target = dir_ + "/lib.mdb";
    ASSERT_EQ(frame::copyTemplateCatalogue(app, target.c_str()), S_OK);
    EXPECT_EQ(readFile(target), readFile(app + "initDBfile.dat"));
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(target.c_str(), &h), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(h, "SELECT * FROM MainTable"), S_OK);
    EXPECT_EQ(KaAVDBClose(h), S_OK);
}

} // namespace
} // namespace kavdb::test
