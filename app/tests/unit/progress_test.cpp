/*
 * The progress line: its text and its drawing in place (when it is wanted is tested
 * through `kavdb add`).
 */
#include "progress.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavdb {
namespace {

TEST(ProgressLine, SaysDoneTotalRateAndTimeLeft)
{
    EXPECT_EQ(Progress::line("add", 50, 200, 10.0), "add  50/200 files  5.0 files/s  0:30 left");
    EXPECT_EQ(Progress::line("add", 0, 10, 0.0), "add  0/10 files  0.0 files/s  --:-- left");
    EXPECT_EQ(Progress::line("sheet", 1, 7201, 1.0),
              "sheet  1/7201 files  1.0 files/s  2:00:00 left");
    EXPECT_EQ(Progress::line("add", 10, 10, 2.0), "add  10/10 files  5.0 files/s  0:00 left");
}

TEST(ProgressLine, EnabledRedrawsInPlaceAndClearsAtTheEnd)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    auto text = [&] {
        std::fflush(out);
        return std::string(buffer, size);
    };
    Progress progress(out, true, 2, "add");
    progress.advance(2); // the last step is always drawn
    std::string drawn = text();
    EXPECT_EQ(drawn.rfind("\radd  2/2 files", 0), 0u) << drawn;
    EXPECT_NE(drawn.find("\x1b[K"), std::string::npos);
    progress.finish();
    progress.advance(); // nothing after finish
    EXPECT_EQ(text(), drawn + "\r\x1b[K");
    std::fclose(out);
    std::free(buffer);
}

} // namespace
} // namespace kavdb
