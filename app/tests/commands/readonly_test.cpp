/*
 * A catalogue its user may not write (another user's, or on a read-only medium): search,
 * show, sql SELECT and sheet answer from it and leave the file exactly as it was, and a
 * command that would change it fails with the reason instead.
 */
#include "command_fixture.h"
#include "sheet_page.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class ReadOnlySqliteTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        fs::permissions(db_,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        before_ = readText(db_);
    }
    std::string folder_;
    std::string before_;
};

TEST_F(ReadOnlySqliteTest, ReadingCommandsAnswerWritingOnesSayWhyAndTheFileStaysAsItWas)
{
    using Args = std::vector<std::string>;
    for (const auto& [args, says] : std::vector<std::pair<Args, std::string>>{
             {{"search", "--where", "Make = 'Canon'"}, folder_ + "/Canon_40D.jpg\n"},
             {{"show", folder_ + "/Nikon_D70.jpg"}, "Model:         NIKON D70"},
             {{"sql", "SELECT Filename FROM MainTable ORDER BY Filename"},
              "Canon_40D.jpg\nNikon_D70.jpg\n"},
             {{"sheet", "-o", dir_ + "/sheet"}, "contact sheet of 2 photos"}}) {
        RunResult run = kavdbUnprivileged(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr(says));
    }
    for (const auto& [args, says] : std::vector<std::pair<Args, std::string>>{
             {{"comment", folder_ + "/Canon_40D.jpg", "hello"}, "attempt to write a readonly"},
             {{"sql", "UPDATE MainTable SET Marking = 1"},
              "cannot be written (Permission denied)"}}) {
        RunResult run = kavdbUnprivileged(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_THAT(run.err, HasSubstr(says));
    }
    EXPECT_EQ(readText(db_), before_);
}

} // namespace
} // namespace kavdb::test
