/*
 * `kavdb check` and `kavdb backup` on a catalogue of test photos: a sound catalogue
 * passes, a photo gone from disk is named with exit code 1, a repair rebuilds the
 * indexes, and a backup opens as the same catalogue and never overwrites a file. The
 * commands only print what the library reports; its check and backup of a server
 * catalogue are the library's (tests/ops/check_test.cpp, run on the test server too).
 */
#include "command_fixture.h"

#include <filesystem>

namespace kavdb::test {
namespace {

using ::testing::AllOf;

class KeepingTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("kept", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    }

    std::string folder_;
};

// What a check finds and what a backup holds are the library's (tests/ops/check_test.cpp);
// here, the reports as printed and the exit codes.
TEST_F(KeepingTest, SqliteCheckNamesAMissingPhotoAndABackupRestoresAsTheSameCatalogue)
{
    EXPECT_THAT(kavdbExits({"check"}, 0).out,
                AllOf(HasSubstr("integrity: ok"), HasSubstr("text index: ok"),
                      HasSubstr("place index: ok"), HasSubstr("no problems found")));

    const std::string copy = dir_ + "/backup.mdb";
    EXPECT_THAT(kavdbExits({"backup", copy}, 0).out,
                AllOf(HasSubstr("checksums agree"), HasSubstr("backup written to " + copy)));
    RunResult restored = kavdb({"--db", copy, "search", "--text", "canon"});
    EXPECT_EQ(restored.out, folder_ + "/Canon_40D.jpg\n") << restored.err;
    kavdbExits({"backup", copy}, 1, "already exists");

    std::filesystem::remove(folder_ + "/Nikon_D70.jpg");
    EXPECT_THAT(kavdbExits({"check"}, 1).out,
                AllOf(HasSubstr("  " + folder_ + "/Nikon_D70.jpg"), HasSubstr("1 problem found")));
    // A missing file is for refresh to drop.
    EXPECT_THAT(kavdbExits({"check", "--repair"}, 1).out, HasSubstr("text index: rebuilt"));
}

} // namespace
} // namespace kavdb::test
