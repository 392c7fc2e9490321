/*
 * The progress line: its text and its drawing in place (when it is wanted is tested
 * through `kavdb add`).
 */
#include "progress.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavdb {
namespace {

/* A FILE* whose contents the test can read back. */
class CapturedStream {
  public:
    CapturedStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream()
    {
        std::fclose(file_);
        std::free(buffer_);
    }
    std::FILE* file() { return file_; }
    std::string text()
    {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

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
    CapturedStream out;
    Progress progress(out.file(), true, 2, "add");
    progress.advance(2); // the last step is always drawn
    std::string drawn = out.text();
    EXPECT_EQ(drawn.rfind("\radd  2/2 files", 0), 0u) << drawn;
    EXPECT_NE(drawn.find("\x1b[K"), std::string::npos);
    progress.finish();
    EXPECT_EQ(out.text().substr(drawn.size()), "\r\x1b[K");
    progress.advance();
    EXPECT_EQ(out.text().size(), drawn.size() + 4); // nothing after finish
}

} // namespace
} // namespace kavdb
