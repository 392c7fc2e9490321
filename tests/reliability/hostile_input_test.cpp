/*
 * Hostile input at the exports: oversized texts, odd bytes and names that look like SQL,
 * and catalogue files the process may not write or cannot grow. Each gets a result code;
 * nothing crashes or changes a row it should not. Thumbnail sizes that match no buffer are
 * the image records' tests, files that are no catalogue the store's and the engine's.
 */
#include "reliability/reliability_support.h"
#include "support/fixture.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace kavdb::test {
namespace {

using HostileInputTest = CatalogueTest;

/* Jet runs one statement per call: wherever the application's SQL or a caller's name
 * reaches the engine, a second statement or a parameter without a value is refused, and
 * nothing changes (comments and blank texts, which the same translation refuses, are the
 * dialect's tests). A search the engine refuses
 * answers E_POINTER, as searches always have (the sink gets the engine's code); a
 * metadata write names its table in the configuration before any SQL. */
TEST_F(HostileInputTest, OnlyOneStatementEverReachesTheEngine)
{
    const HRESULT syntax = KAVDB_E_SYNTAX;
    const HRESULT noValue = KAVDB_E_UNKNOWN_COLUMN;
    ASSERT_EQ(registerWith("/p/a.jpg", {makeMeta("People", {{"Name", "Ann"}})}), S_OK);
    MetaDataList bad;
    bad.push_back(makeMeta("People; DELETE FROM MainTable", {{"Name", "Bob"}}));
    const std::string search =
        "SELECT * FROM People WHERE People.Name = 'x'; DELETE FROM MainTable";
    std::string deleteInfo = "SELECT * FROM People WHERE Name = 'x'; DELETE FROM MainTable";
    StringList list;
    int32_t n = 0;
    EXPECT_EACH_GIVES(E_POINTER, KaAVDBQuery(db_, search.c_str(), &list),
                      KaAVDBGetCountSQL(db_, search.c_str(), &n));
    EXPECT_EACH_GIVES(syntax,
                      KaAVDBGetQueryFileList(
                          db_, "SELECT Filename FROM MainTable; DELETE FROM MainTable", &list, 1),
                      KaAVDBExecuteSQL(db_, "DELETE FROM People; DELETE FROM MainTable"));
    EXPECT_EACH_GIVES(noValue, KaAVDBExecuteSQL(db_, "DELETE FROM MainTable WHERE FieldID <> ?"),
                      KaAVDBGetQueryFileList(
                          db_, "SELECT Filename FROM MainTable WHERE Filename <> :f", &list, 1));
    EXPECT_EACH_GIVES(
        syntax, KaAVDBDeleteInfo(db_, deleteInfo.data()),
        KaAVDBGetReadTableDataCount(db_, "MainTable; DELETE FROM MainTable", &n),
        KaAVDBUpdateTableData(db_, "People; DELETE FROM MainTable", "Name", "Ann", "B"),
        KaAVDBRegisterFile(db_, "/p/b.jpg", &bad, nullptr));
    EXPECT_EACH_GIVES(E_FAIL, KaAVDBWriteData(db_, "/p/a.jpg", &bad));
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().front().code, syntax) << errors().front().message;
    releaseTestTags(bad);
    FreeStringList(&list);
    EXPECT_EQ(queryColumn(db_, "SELECT Filename FROM MainTable").size(), 1u);
    EXPECT_EQ(readData("/p/a.jpg"), std::vector<std::string>{"People: Name=Ann"});
}

/* Every limit is checked before anything is written: a refused call adds no folder row.
 * The library's own statements are bounded too: a search whose condition cannot fit is
 * refused rather than cut. */
TEST_F(HostileInputTest, TextsPastTheFixedLimitsAreRefusedAndChangeNothing)
{
    const std::string folder519 = "/" + std::string(517, 'f') + "/";
    const std::string name259 = std::string(255, 'n') + ".jpg";
    ASSERT_EQ(registerWith(folder519 + name259), S_OK); // at the limits
    ASSERT_EQ(registerWith("/p/a.jpg"), S_OK);
    const std::string folder520 = "/" + std::string(518, 'f') + "/a.jpg";
    const std::string name260 = std::string(256, 'n') + ".jpg";
    const std::string longName = "/q/" + std::string(100000, 'n') + ".jpg";
    const std::string longFolder = "/" + std::string(100000, 'f') + "/a.jpg";
    const std::string longSql =
        "SELECT Filename FROM MainTable WHERE Filename <> '" + std::string(150000, 'x') + "'";
    const std::string hugeCondition =
        "SELECT * FROM People WHERE People.Name = '" + std::string(150000, 'x') + "'";
    ImageData image{};
    MetaDataList none;
    StringList list;
    int32_t count = 0;
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EACH_GIVES(E_INVALIDARG, KaAVDBRegisterFile(db_, folder520.c_str(), nullptr, nullptr),
                      KaAVDBRegisterFile(db_, ("/p/" + name260).c_str(), nullptr, nullptr),
                      KaAVDBQuery(db_, hugeCondition.c_str(), &list),
                      KaAVDBGetCountSQL(db_, hugeCondition.c_str(), &count),
                      KaAVDBRegisterFile(db_, longName.c_str(), nullptr, nullptr),
                      KaAVDBRegisterFile(db_, longFolder.c_str(), nullptr, nullptr),
                      KaDBSVEnrollFile(longName.c_str(), &none),
                      KaDBSVEnrollImage(longName.c_str(), &image),
                      KaAVDBMoveFile(db_, "/p/a.jpg", longName.c_str(), 1),
                      KaAVDBCopyFile(db_, "/p/a.jpg", longName.c_str(), 1),
                      KaAVDBMoveFile(db_, "/p/a.jpg", ("/new/" + name260).c_str(), 1),
                      KaAVDBCopyFile(db_, "/p/a.jpg", ("/new/" + name260).c_str(), 1),
                      KaAVDBExecuteSQL(db_, longSql.c_str()),
                      KaAVDBGetQueryFileList(db_, longSql.c_str(), &list, 1));
    KaDBSVExitDatabase();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(queryColumn(db_, "SELECT Pathname AS Filename FROM PathTable ORDER BY PathID"),
              (std::vector<std::string>{folder519, "/p/"}));
    EXPECT_EQ(queryColumn(db_, "SELECT Filename FROM MainTable ORDER BY FieldID"),
              (std::vector<std::string>{name259, "a.jpg"}));
}

/* Names that would match another file's row if they were spliced into SQL: each gets a row
 * of its own, and no call on it touches the file it looks like. */
TEST_F(HostileInputTest, OddNamesRoundTripAndNeverTouchAnotherFile)
{
    const char* names[] = {"q\"uote.jpg",      "apo'strophe.jpg",
                           "per%cent.jpg",     "semi;colon.jpg",
                           "dash--dash.jpg",   "new\nline.jpg",
                           "x\") OR (1=1.jpg", "bad\xff\xfeutf8.jpg",
                           "tab\tname.jpg",    "a.jpg\") OR (Filename = \"a.jpg"};
    ASSERT_EQ(registerWith("/p/a.jpg"), S_OK);
    ASSERT_EQ(KaAVDBWriteComment(db_, "/p/a.jpg", "keep"), S_OK);
    ASSERT_EQ(KaAVDBSetCheck(db_, "/p/a.jpg", 1), S_OK);
    for (const char* name : names) {
        std::string path = std::string("/p/") + name;
        ASSERT_EQ(registerWith(path), S_OK) << name;
        MetaDataList data;
        data.push_back(makeMeta("People", {{"Name", name}}));
        EXPECT_EQ(KaAVDBWriteData(db_, path.c_str(), &data), S_OK) << name;
        releaseTestTags(data);
        EXPECT_EQ(KaAVDBWriteComment(db_, path.c_str(), name), S_OK) << name;
        EXPECT_EQ(comment(path), name);
        EXPECT_EQ(readData(path), std::vector<std::string>{"People: Name=" + std::string(name)});
        EXPECT_EQ(KaAVDBSetCheck(db_, path.c_str(), 0), S_OK) << name;
        EXPECT_EQ(KaAVDBWriteUpdateData(db_, path.c_str(), "20200101"), S_OK) << name;
        EXPECT_EQ(KaAVDBDeleteFile(db_, path.c_str()), S_OK) << name;
    }
    EXPECT_EQ(comment("/p/a.jpg"), "keep");
    int32_t mark = -1;
    ASSERT_EQ(KaAVDBGetCheck(db_, "/p/a.jpg", &mark), S_OK);
    EXPECT_EQ(mark, 1);
    char update[32] = {};
    EXPECT_EQ(KaAVDBReadUpdateData(db_, "/p/a.jpg", update), static_cast<HRESULT>(E_FAIL));
    EXPECT_EQ(queryColumn(db_, "SELECT Filename FROM MainTable").size(), 1u);
}

class HostileFileTest : public TempDirTest {};

/* Runs body in a child process without the right to write the catalogue: as "nobody"
 * when the test runs as root (root may write any file). */
int runUnprivileged(const std::function<int()>& body)
{
    int pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(90);
        }
        _exit(body());
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + status;
}

/* A catalogue file the process may not write, in a folder it may write (the -shm file can
 * be made) or on a read-only medium (it cannot): searches and reads work, writes fail
 * and change nothing. */
TEST_F(HostileFileTest, ReadOnlyCatalogueReadsButRefusesWrites)
{
    const std::string path = dir_ + "/ro.mdb";
    const std::string photo = dir_ + "/p/a.jpg";
    ASSERT_EQ(KaAVDBCreate(path.c_str()), S_OK);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
    ASSERT_EQ(KaAVDBRegisterFile(h, photo.c_str(), nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBWriteComment(h, photo.c_str(), "kept"), S_OK);
    KaAVDBClose(h);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    for (mode_t folder : {0777, 0755}) {
        SCOPED_TRACE(folder);
        ASSERT_EQ(chmod(dir_.c_str(), folder), 0);
        int exit = runUnprivileged([&] {
            DBHandle* ro = nullptr;
            char text[1024] = {};
            StringList found;
            int32_t count = 0;
            if (KaAVDBOpen(path.c_str(), &ro) != S_OK) {
                return 1;
            }
            bool reads =
                KaAVDBReadComment(ro, photo.c_str(), text) == S_OK && std::string(text) == "kept" &&
                KaAVDBGetQueryFileList(ro, "SELECT Filename FROM MainTable", &found, 1) == S_OK &&
                found.size() == 1 &&
                KaAVDBGetCountSQL(ro, "SELECT * FROM MainTable WHERE MainTable.FieldID > 0",
                                  &count) == S_OK &&
                count == 1 && KaAVDBExecuteSQL(ro, "SELECT * FROM MainTable") == S_OK;
            bool writesFail =
                KaAVDBWriteComment(ro, photo.c_str(), "changed") < 0 &&
                KaAVDBRegisterFile(ro, (dir_ + "/p/b.jpg").c_str(), nullptr, nullptr) < 0 &&
                KaAVDBExecuteSQL(ro, "DELETE FROM MainTable") < 0;
            FreeStringList(&found);
            KaAVDBClose(ro);
            return reads ? (writesFail ? 0 : 3) : 2;
        });
        EXPECT_EQ(exit, 0) << "1: open failed, 2: a read failed, 3: a write went through";
    }
    ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
    char text[1024] = {};
    EXPECT_EQ(KaAVDBReadComment(h, photo.c_str(), text), S_OK);
    EXPECT_STREQ(text, "kept");
    KaAVDBClose(h);
}

TEST_F(HostileFileTest, AFullDiskFailsCallsWithoutCorruption)
{
    std::string path = dir_ + "/full.mdb";
    ASSERT_EQ(KaAVDBCreate(path.c_str()), S_OK);
    Child child = startChild([&](const auto& report) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {256 * 1024, 256 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        DBHandle* h = nullptr;
        if (KaAVDBOpen(path.c_str(), &h) != S_OK) {
            _exit(2);
        }
        std::vector<unsigned char> px(64 * 64 * 3, 7);
        for (int i = 0; i < 2000; ++i) {
            ImageData image{px.data(), 64, 64, 1, 1, 24, {}};
            std::string file = "/p/f" + std::to_string(i) + ".jpg";
            if (KaAVDBRegisterFile(h, file.c_str(), nullptr, &image) < 0) {
                report(i);
                break;
            }
        }
        KaAVDBClose(h);
    });
    int status = 0;
    auto failed = collect(child, &status);
    ASSERT_TRUE(WIFEXITED(status)) << "the process must not die of a full disk";
    ASSERT_EQ(failed.size(), 1u) << "writes must fail once the file cannot grow";
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
    EXPECT_EQ(integrity(h), "ok");
    EXPECT_EQ(queryColumn(h, "SELECT Filename FROM MainTable").size(),
              static_cast<size_t>(failed[0]));
    KaAVDBClose(h);
}

} // namespace
} // namespace kavdb::test
