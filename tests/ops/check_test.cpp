/*
 * The catalogue check and the verified backup, on both engines, against what another
 * program can do to a catalogue: files gone from disk, unused rows, and on a file alone
 * (a server keeps its keys itself) key triggers dropped and parent rows deleted under
 * them, index triggers dropped, rows written behind an index's back. That damage is done
 * through the engine's driver, past the library's own statements.
 */
#include "store/engine/connection.h"
#include "store/handle.h"
#include "support/fixture.h"
#include "support/server.h"

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace kavdb::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

class CheckTest : public CatalogueTest {
  protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        StringList items{"Caption.Title", "ExifInfo.Make"};
        ASSERT_EQ(KaAVDBCreateTextIndex(db_, &items), S_OK);
        photo_ = makeFile("photos/a.jpg");
        add(photo_, "harbour");
        add(makeFile("photos/b.jpg"), "boats");
    }

    void add(const std::string& path, const std::string& title)
    {
        ASSERT_EQ(registerWith(path, {makeMeta("Caption", {{"Title", title}}),
                                      makeMeta("ExifInfo", {{"Make", "Canon"}})}),
                  S_OK)
            << path;
    }

    /* Runs one statement in SQLite's dialect, as another tool would. */
    void behindTheLibrary(const std::string& sql) { db_->Connection->driver().run(sql); }

    /* A check (a repair when asked) that must count `expected` problems; its report. */
    std::vector<std::string> check(int32_t repair, int32_t expected)
    {
        StringList report;
        int32_t problems = -1;
        EXPECT_EQ(KaAVDBCheck(db_, repair, &report, &problems), S_OK);
        EXPECT_EQ(problems, expected) << ::testing::PrintToString(report);
        return {report.begin(), report.end()};
    }

    /* The files whose caption is title, through the catalogue's tables on either engine. */
    StringList titled(const std::string& title)
    {
        StringList out;
        const std::string sql = "SELECT * FROM Caption WHERE Title = \"" + title + "\"";
        EXPECT_EQ(KaAVDBQuery(db_, sql.c_str(), &out), S_OK);
        return out;
    }

    std::string photo_;
};

TEST_F(CheckTest, ASoundCatalogueHasNothingToReportUnusedRowsAndGoneFilesAreNamed)
{
    std::vector<std::string> report = check(0, 0);
    // A server's pages are its own to check; the line says so and claims nothing.
    const char* integrity =
        onServer() ? "integrity: kept by the server, not checked here" : "integrity: ok";
    EXPECT_EQ(report.front(), integrity);
    for (const char* line : {"keys: ok", "unused rows: ok", "files on disk: ok", "text index: ok",
                             "place index: none"}) {
        EXPECT_THAT(report, Contains(line));
    }
    // Unused rows are named, never counted as problems, and dropped by a repair.
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "INSERT INTO ExifInfo (Make) VALUES (\"Nikon\")"), S_OK);
    report = check(0, 0);
    EXPECT_THAT(report, Contains("unused rows: 1 ExifInfo rows no file uses"));
    report = check(1, 0);
    EXPECT_THAT(report, Contains("unused rows: 1 ExifInfo rows no file uses (dropped)"));
    EXPECT_THAT(check(0, 0), Contains("unused rows: ok"));
    StringList canon; // the rows files use stay
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM ExifInfo WHERE Make = \"Canon\"", &canon), S_OK);
    EXPECT_EQ(canon.size(), 2u);
    // Files gone from disk are named and left to a refresh, even by a repair.
    std::filesystem::remove(photo_);
    report = check(1, 1);
    EXPECT_THAT(report, Contains("files on disk: 1 catalogued files are gone"));
    EXPECT_THAT(report, Contains("  " + photo_));
    EXPECT_EQ(titled("harbour"), StringList{photo_}); // the entry is still there
}

/* A catalogue that fails its checks is neither backed up nor repaired by looking. */
TEST_F(CheckTest, BrokenLinksAndDroppedIndexTriggersAreFoundThenRepairedSqlite)
{
    behindTheLibrary("DROP TRIGGER MainDataID2_pdel"); // Caption rows may go under their files
    behindTheLibrary("DELETE FROM Caption WHERE Title = 'harbour'");
    const std::string copy = dir_ + "/backup.mdb";
    StringList backup;
    EXPECT_EQ(KaAVDBBackup(db_, copy.c_str(), &backup), KAVDB_E_DAMAGED);
    EXPECT_THAT(backup, Contains("copy keys: 1 files name a Caption row that does not exist"));
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_THAT(check(0, 2), // the link, the index
                Contains("keys: 1 files name a Caption row that does not exist"));
    EXPECT_THAT(check(1, 0), Contains(HasSubstr("(repaired)")));
    check(0, 0);
    EXPECT_TRUE(searchText("harbour").empty());
    EXPECT_EQ(searchText("canon").size(), 2u);
    // An index whose triggers were dropped is found out of step, and rebuilt.
    behindTheLibrary("DROP TRIGGER TextIndex_file_add");
    add(makeFile("photos/lighthouse.jpg"), "beacon");
    EXPECT_TRUE(searchText("beacon").empty());
    check(0, 3); // triggers, count, words
    check(1, 0);
    EXPECT_EQ(searchText("beacon").size(), 1u);
    check(0, 0); // the triggers are back
}

TEST_F(CheckTest, AnIndexThatFailsPartWayIsLeftAsItWasSqlite)
{
    // Saving the new definition fails once the old index, its view and triggers are gone.
    behindTheLibrary("CREATE TRIGGER refuse BEFORE INSERT ON IndexItems BEGIN SELECT "
                     "RAISE(ABORT, 'refused'); END");
    StringList titles{"Caption.Title"};
    EXPECT_LT(KaAVDBCreateTextIndex(db_, &titles), 0);
    add(makeFile("photos/c.jpg"), "harbour"); // indexed still, with its camera
    EXPECT_EQ(searchText("harbour canon").size(), 2u);
    check(0, 0);
}

/* The place index beside the text index, with two photos taken some 650 m apart. */
class PlaceCheckTest : public CheckTest {
  protected:
    const char* iniText() const override { return kIndexIni; }

    void SetUp() override
    {
        CheckTest::SetUp();
        ASSERT_EQ(KaAVDBCreatePlaceIndex(db_, "ExifInfo", "Lat", "Lon"), S_OK);
        quay_ = addAt("photos/quay.jpg", 43.2960, 5.3700);
        fort_ = addAt("photos/fort.jpg", 43.2950, 5.3620);
    }

    std::string addAt(const std::string& rel, double lat, double lon)
    {
        const std::string path = makeFile(rel);
        MetaData exif = makeMeta("ExifInfo", {{"Make", "Canon"}});
        exif.Tags.push_back(numberTag("Lat", lat));
        exif.Tags.push_back(numberTag("Lon", lon));
        EXPECT_EQ(registerWith(path, {exif}), S_OK) << path;
        return path;
    }

    std::vector<std::string> nearQuay() { return searchPlace(43.2960, 5.3700, 1000); }

    std::string quay_;
    std::string fort_;
};

TEST_F(PlaceCheckTest, ThePlaceIndexIsCheckedAgainstThePositions)
{
    behindTheLibrary("DELETE FROM PlaceFile");
    EXPECT_TRUE(nearQuay().empty());
    std::vector<std::string> report = check(0, 1);
    EXPECT_THAT(report, Contains(HasSubstr("place index: ")));
    EXPECT_THAT(report, Not(Contains("place index: ok")));
    check(1, 0);
    EXPECT_EQ(nearQuay(), (std::vector<std::string>{quay_, fort_}));
    check(0, 0);
    // A position row deleted under its file takes its point along.
    behindTheLibrary("DROP TRIGGER MainDataID1_pdel"); // so may ExifInfo's
    behindTheLibrary("DELETE FROM ExifInfo WHERE Lat > 43.2955");
    EXPECT_EQ(nearQuay(), std::vector<std::string>{fort_});
    // The key it broke and the words of its make are found; its point is not missed.
    EXPECT_THAT(check(0, 2), Contains("place index: ok"));
}

class BackupTest : public CheckTest {};

TEST_F(BackupTest, ABackupOpensAsACatalogueFileAndAnExistingOrUnwritablePlaceGetsNothing)
{
    const std::string existing = makeFile("keep.mdb", "mine");
    StringList report;
    EXPECT_EQ(KaAVDBBackup(db_, existing.c_str(), &report), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(std::filesystem::file_size(existing), 4u);
    EXPECT_EQ(KaAVDBBackup(db_, "", &report), E_INVALIDARG);
    const std::string nowhere = dir_ + "/no-such-folder/backup.mdb";
    EXPECT_LT(KaAVDBBackup(db_, nowhere.c_str(), &report), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no-such-folder"));
    // Elsewhere a backup holds every row and, of either engine, is a catalogue file.
    const std::string copy = dir_ + "/backup.mdb";
    ASSERT_EQ(KaAVDBBackup(db_, copy.c_str(), &report), S_OK) << ::testing::PrintToString(report);
    EXPECT_THAT(report, Contains("copy integrity: ok"));
    EXPECT_THAT(report, Contains("copy keys: ok"));
    EXPECT_THAT(report, Contains(HasSubstr("rows, checksums agree")));
    for (const char* left : {".restore-test", "-wal", "-shm"}) {
        EXPECT_FALSE(std::filesystem::exists(copy + left)) << left; // the copy is one file
    }
    EXPECT_EQ(readFile(copy).rfind("SQLite format 3", 0), 0u);
    const StringList before = titled("boats");
    ASSERT_EQ(KaAVDBClose(db_), S_OK);
    db_ = nullptr;
    ASSERT_EQ(KaAVDBOpen(copy.c_str(), &db_), S_OK);
    EXPECT_EQ(titled("harbour"), StringList{photo_});
    EXPECT_EQ(titled("boats"), before);
    check(0, 0);
}

TEST_F(BackupTest, ACatalogueOpenedByARelativePathIsReadAgainFromAnotherFolderSqlite)
{
    // The integrity pass and the digests open the file a second time, after the working
    // folder has changed under the handle.
    ASSERT_EQ(KaAVDBClose(db_), S_OK);
    db_ = nullptr;
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    HRESULT opened = KaAVDBOpen("cat.mdb", &db_);
    std::filesystem::current_path(makeDir("elsewhere"));
    std::vector<std::string> report;
    StringList backup;
    HRESULT backedUp = E_FAIL;
    if (opened == S_OK) {
        report = check(0, 0);
        backedUp = KaAVDBBackup(db_, (dir_ + "/backup.mdb").c_str(), &backup);
    }
    std::filesystem::current_path(home);
    ASSERT_EQ(opened, S_OK);
    EXPECT_EQ(report.front(), "integrity: ok"); // first, though it ran beside the rest
    EXPECT_EQ(backedUp, S_OK) << ::testing::PrintToString(backup);
    EXPECT_THAT(backup, Contains(HasSubstr("checksums agree")));
}

/* A server's backup is made from kadb.ini, with the server's own locks. */
TEST_F(BackupTest, AServerBackupRunsWhileAnotherMachineWritesAndNeedsEveryItemConfigured)
{
    if (!onServer()) {
        GTEST_SKIP() << "a file is copied under its write lock, whatever its pages hold";
    }
    // Another machine's writer holds the lock every writer of the catalogue takes (its key
    // is the same for every kavdb); a backup that waited for it would fail after the
    // server's 5 s lock timeout, or return only once the writer had let go.
    const std::string uri = serverCatalogues_.front();
    std::thread writer(
        [&] { serverQuery(uri, "SELECT pg_advisory_xact_lock(x'4B415644'::int), pg_sleep(4)"); });
    auto writerHolds = [&] {
        return serverQuery(uri,
                           "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND "
                           "granted AND objid = x'4B415644'::int::oid AND database = (SELECT oid "
                           "FROM pg_database WHERE datname = current_database())") == "1";
    };
    for (int i = 0; i < 200 && !writerHolds(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string copy = dir_ + "/backup.mdb";
    StringList report;
    HRESULT hr = KaAVDBBackup(db_, copy.c_str(), &report);
    const bool meanwhile = writerHolds();
    writer.join();
    EXPECT_EQ(hr, S_OK) << ::testing::PrintToString(report);
    EXPECT_TRUE(meanwhile);
    // An item kadb.ini has no place for fails the backup, which leaves nothing.
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "ALTER TABLE Caption ADD Mood TEXT(20)"), S_OK);
    const std::string refused = dir_ + "/refused.mdb";
    report.clear();
    EXPECT_EQ(KaAVDBBackup(db_, refused.c_str(), &report), KAVDB_E_UNKNOWN_COLUMN);
    EXPECT_THAT(report, Contains("Caption.Mood: the destination has no such item"));
    EXPECT_FALSE(std::filesystem::exists(refused));
    EXPECT_EQ(titled("harbour"), StringList{photo_});
}

} // namespace
} // namespace kavdb::test
