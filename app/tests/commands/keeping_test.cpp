/*
 * `kavdb check` and `kavdb backup` on a catalogue of test photos: a sound catalogue
 * passes, a photo gone from disk is named with exit code 1, a repair rebuilds the
 * indexes, and a backup opens as the same catalogue and never overwrites a file. On a
 * server catalogue (run only under the ctest fixture that starts the test server) both
 * work, and the backup file migrates back onto a server as the same catalogue.
 */
#include "command_fixture.h"
#include "support/server.h"

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

/* The server case: discovered only with the test server's fixture (app/tests). */
using KeepingServerTest = KeepingTest;

TEST_F(KeepingServerTest, AServerCatalogueIsCheckedAndItsBackupMigratesBackAsTheSame)
{
    ASSERT_TRUE(onServer()) << "runs under the ctest fixture that starts the test server";
    const std::string server = serverLink("server.mdb");
    ASSERT_EQ(kavdb({"migrate", db_, server}).exitCode, 0);
    EXPECT_THAT(kavdbExits({"--db", server, "check"}, 0).out,
                AllOf(HasSubstr("integrity: kept by the server, not checked here\n"),
                      HasSubstr("text index: ok"), HasSubstr("no problems found")));

    const std::string copy = dir_ + "/backup.mdb";
    EXPECT_THAT(kavdbExits({"--db", server, "backup", copy}, 0).out,
                AllOf(HasSubstr("copy integrity: ok"), HasSubstr("checksums agree")));
    const std::string restored = serverLink("restored.mdb");
    ASSERT_EQ(kavdb({"migrate", copy, restored}).exitCode, 0);
    for (const char* photo : {"/Canon_40D.jpg", "/Nikon_D70.jpg"}) {
        RunResult original = kavdb({"--db", server, "show", "--json", folder_ + photo});
        RunResult back = kavdbExits({"--db", restored, "show", "--json", folder_ + photo}, 0);
        EXPECT_EQ(back.out, original.out);
        EXPECT_THAT(back.out, HasSubstr(photo + 1));
    }
}

} // namespace
} // namespace kavdb::test
