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

class KeepingTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("kept", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    }

    bool says(const RunResult& r, const std::string& text)
    {
        return r.out.find(text) != std::string::npos;
    }

    std::string folder_;
};

TEST_F(KeepingTest, SqliteCheckPassesASoundCatalogueAndNamesAMissingPhoto)
{
    RunResult sound = kavdb({"check"});
    EXPECT_EQ(sound.exitCode, 0) << sound.out << sound.err;
    EXPECT_TRUE(says(sound, "integrity: ok") && says(sound, "text index: ok") &&
                says(sound, "place index: ok") && says(sound, "no problems found"))
        << sound.out;
    std::filesystem::remove(folder_ + "/Nikon_D70.jpg");
    RunResult missing = kavdb({"check"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(says(missing, "  " + folder_ + "/Nikon_D70.jpg")) << missing.out;
    EXPECT_TRUE(says(missing, "1 problem found")) << missing.out;
    RunResult repaired = kavdb({"check", "--repair"});
    EXPECT_EQ(repaired.exitCode, 1); // a missing file is for refresh to drop
    EXPECT_TRUE(says(repaired, "text index: rebuilt")) << repaired.out;
    ASSERT_EQ(kavdb({"refresh", "--quiet"}).exitCode, 0);
    EXPECT_EQ(kavdb({"check"}).exitCode, 0);
}

TEST_F(KeepingTest, ASqliteBackupRestoresAsTheSameCatalogue)
{
    const std::string copy = dir_ + "/backup.mdb";
    RunResult backup = kavdb({"backup", copy});
    ASSERT_EQ(backup.exitCode, 0) << backup.out << backup.err;
    EXPECT_TRUE(says(backup, "checksums agree") && says(backup, "backup written to " + copy))
        << backup.out;
    RunResult original = kavdb({"search", "--text", "canon"});
    RunResult restored = kavdb({"--db", copy, "search", "--text", "canon"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(restored.out, original.out);
    EXPECT_EQ(restored.out, folder_ + "/Canon_40D.jpg\n");
    const auto size = std::filesystem::file_size(copy);
    RunResult again = kavdb({"backup", copy});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, HasSubstr("already exists"));
    EXPECT_EQ(std::filesystem::file_size(copy), size);
}

/* The server case: discovered only with the test server's fixture (app/tests). */
using KeepingServerTest = KeepingTest;

TEST_F(KeepingServerTest, AServerCatalogueIsCheckedAndItsBackupMigratesBackAsTheSame)
{
    ASSERT_TRUE(onServer()) << "runs under the ctest fixture that starts the test server";
    const std::string server = serverLink("server.mdb");
    ASSERT_EQ(kavdb({"migrate", db_, server}).exitCode, 0);
    RunResult sound = kavdb({"--db", server, "check"});
    EXPECT_EQ(sound.exitCode, 0) << sound.out << sound.err;
    EXPECT_TRUE(says(sound, "integrity: kept by the server, not checked here\n") &&
                says(sound, "text index: ok") && says(sound, "no problems found"))
        << sound.out;

    const std::string copy = dir_ + "/backup.mdb";
    RunResult backup = kavdb({"--db", server, "backup", copy});
    ASSERT_EQ(backup.exitCode, 0) << backup.out << backup.err;
    EXPECT_TRUE(says(backup, "copy integrity: ok") && says(backup, "checksums agree"))
        << backup.out;
    const std::string restored = serverLink("restored.mdb");
    ASSERT_EQ(kavdb({"migrate", copy, restored}).exitCode, 0);
    for (const char* photo : {"/Canon_40D.jpg", "/Nikon_D70.jpg"}) {
        RunResult original = kavdb({"--db", server, "show", "--json", folder_ + photo});
        RunResult back = kavdb({"--db", restored, "show", "--json", folder_ + photo});
        EXPECT_EQ(back.exitCode, 0) << back.err;
        EXPECT_EQ(back.out, original.out);
        EXPECT_THAT(back.out, HasSubstr(photo + 1));
    }
}

} // namespace
} // namespace kavdb::test
