/*
 * A catalogue its user may not write (another user's, or on a read-only medium): search,
 * show, sql SELECT and sheet answer from it and leave the file exactly as it was, and a
 * command that would change it fails with the reason instead.
 */
#include "command_fixture.h"
#include "sheet.h"
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
    RunResult search = kavdbUnprivileged({"search", "--where", "Make = 'Canon'"});
    EXPECT_EQ(search.exitCode, 0) << search.err;
    EXPECT_EQ(search.out, folder_ + "/Canon_40D.jpg\n");
    RunResult show = kavdbUnprivileged({"show", folder_ + "/Nikon_D70.jpg"});
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_THAT(show.out, HasSubstr("Model:         NIKON D70"));
    RunResult sql = kavdbUnprivileged({"sql", "SELECT Filename FROM MainTable ORDER BY Filename"});
    EXPECT_EQ(sql.exitCode, 0) << sql.err;
    EXPECT_EQ(sql.out, "Canon_40D.jpg\nNikon_D70.jpg\n");
    RunResult sheet = kavdbUnprivileged({"sheet", "-o", dir_ + "/sheet"});
    EXPECT_EQ(sheet.exitCode, 0) << sheet.err;
    EXPECT_EQ(sheetImages(readText(dir_ + "/sheet/" + pageFileName(1))).size(), 2u);

    RunResult comment = kavdbUnprivileged({"comment", folder_ + "/Canon_40D.jpg", "hello"});
    EXPECT_NE(comment.exitCode, 0);
    EXPECT_NE(comment.err, "");
    EXPECT_EQ(comment.err.find("0x8"), std::string::npos) << comment.err; // in words
    RunResult write = kavdbUnprivileged({"sql", "UPDATE MainTable SET Marking = 1"});
    EXPECT_EQ(write.exitCode, 1);
    EXPECT_THAT(write.err, HasSubstr("cannot be written (Permission denied)"));
    EXPECT_EQ(readText(db_), before_);
}

} // namespace
} // namespace kavdb::test
