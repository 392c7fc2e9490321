/*
 * `kavdb check` and `kavdb backup` on a catalogue of test photos: a sound catalogue
 * passes, a photo gone from disk is named with exit code 1, a repair rebuilds the
 * indexes, and a backup opens as the same catalogue and never overwrites a file. The
 * commands only print what the library reports; its check and backup of a server
 * catalogue are the library's (tests/ops/check_test.cpp, run on the test server too).
 * `kavdb migrate`: file to file, and a round trip through the test server (a URI one way, a
 * link file the other) that must end with the same checksums and the same thumbnail bytes; a
 * destination holding rows is refused and left as it was. The server cases run only under the
 * ctest fixture that starts the server.
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

const std::vector<std::string> kPhotos = {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"};

class MigrateTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("photos", kPhotos);
        kavdbExits({"comment", folder_ + "/Nikon_D70.jpg", "a \"quoted\" comment"}, 0);
    }

    /* migrate src dst, which must succeed; its lines about the tables. */
    std::vector<std::string> migrate(const std::string& src, const std::string& dst)
    {
        RunResult r = kavdbExits({"migrate", src, dst}, 0);
        std::vector<std::string> tables;
        for (const std::string& line : lines(r.out))
            if (line.find(" rows, checksum ") != std::string::npos) {
                EXPECT_THAT(line, HasSubstr("the same on both sides"));
                tables.push_back(line);
            }
        return tables;
    }

    /* Every photo's thumbnail bytes in the catalogue at path. */
    std::vector<std::string> thumbnails(const std::string& path)
    {
        DBHandle* h = nullptr;
        EXPECT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
        std::vector<std::string> all;
        for (const std::string& name : kPhotos) {
            all.push_back(imageOf(folder_ + "/" + name, h).thumbnail);
            EXPECT_NE(all.back().size(), 0u) << name;
        }
        KaAVDBClose(h);
        return all;
    }

    std::string folder_;
};

TEST_F(MigrateTest, AFileCopiesToAFileWithEveryRowButNotOntoRowsOrFromNothing)
{
    const std::string copy = dir_ + "/copy.mdb";
    RunResult shown = kavdbOnTerminal({"migrate", db_, copy});
    ASSERT_EQ(shown.exitCode, 0) << shown.out;
    EXPECT_THAT(shown.out, HasSubstr("copying MainTable  3/3 rows"));
    EXPECT_THAT(shown.out, HasSubstr("MainTable: 3 rows, checksum"));
    EXPECT_EQ(thumbnails(copy), thumbnails(db_));
    RunResult original = kavdb({"show", "--json", folder_ + "/Nikon_D70.jpg"});
    RunResult copied = kavdb({"--db", copy, "show", "--json", folder_ + "/Nikon_D70.jpg"});
    EXPECT_EQ(copied.out, original.out);
    EXPECT_THAT(copied.out, HasSubstr("quoted"));

    const std::string other = dir_ + "/other.mdb";
    const std::string folder = copyPhotos("other", {"Sony_HDR-HC3.jpg"});
    ASSERT_EQ(kavdb({"--db", other, "add", "--quiet", folder}).exitCode, 0);
    const std::string before = kavdb({"--db", other, "sql", "SELECT * FROM MainTable"}).out;
    kavdbExits({"migrate", db_, other}, 1, "already holds a catalogue with rows");
    EXPECT_EQ(kavdb({"--db", other, "sql", "SELECT * FROM MainTable"}).out, before);
    kavdbExits({"migrate", dir_ + "/none.mdb", dir_ + "/new.mdb"}, 2);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/new.mdb"));
}

/* The server cases: discovered only with the test server's fixture (app/tests). */
using MigrateServerTest = MigrateTest;

TEST_F(MigrateServerTest, ARoundTripThroughAServerKeepsEveryRowAndThumbnail)
{
    ASSERT_TRUE(onServer()) << "runs under the ctest fixture that starts the test server";
    std::string server;
    const std::string link = serverLink("server.mdb", &server);
    std::vector<std::string> there = migrate(db_, server);
    const std::string back = dir_ + "/back.mdb";
    std::vector<std::string> home = migrate(link, back);
    EXPECT_EQ(there.size(), 12u);
    EXPECT_EQ(home, there);
    EXPECT_EQ(thumbnails(back), thumbnails(db_));
    EXPECT_EQ(thumbnails(link), thumbnails(db_));

    // Keys came as they were; the server's counters hand out new ones past them.
    const std::string added = copyPhotos("added", {"Sony_HDR-HC3.jpg"});
    ASSERT_EQ(kavdb({"--db", link, "add", "--quiet", added}).exitCode, 0);
    EXPECT_EQ(kavdb({"--db", link, "sql",
                     "SELECT FieldID, PathID FROM MainTable WHERE Filename = "
                     "'Sony_HDR-HC3.jpg'"})
                  .out,
              "4\t2\n");

    const std::string before = kavdb({"--db", link, "sql", "SELECT count(*) FROM MainTable"}).out;
    kavdbExits({"migrate", back, server}, 1);
    EXPECT_EQ(kavdb({"--db", link, "sql", "SELECT count(*) FROM MainTable"}).out, before);
}

} // namespace
} // namespace kavdb::test
