/*
 * Refresh against the files on disk: deleted, rewritten and unchanged files in both modes,
 * the three entry points and their stop rules. Modification times are set explicitly.
 */
#include "support/rows.h"

#include <filesystem>

namespace kavdb::test {
namespace {

constexpr long kRegisteredAt = 1100000000; // 2004-11-09
constexpr long kRewrittenAt = 1200000000;  // 2008-01-10

class RefreshTest : public RowsTest {
  protected:
    /* A file on disk registered with its true update time, a thumbnail and a comment. */
    void registerOnDisk(const std::string& name)
    {
        std::string path = makeFile("photos/" + name);
        setMtime(path, kRegisteredAt, 250000000);
        unsigned char pixels[32] = {};
        ImageData image{pixels, 5, 2, 640, 480, 24, {}};
        ASSERT_EQ(GetFileUpdateTM(path.c_str(), &image.UpdateTM), 1);
        ASSERT_EQ(KaAVDBRegisterFile(db_, path.c_str(), nullptr, &image), S_OK);
        ASSERT_EQ(KaAVDBWriteComment(db_, path.c_str(), "kept"), S_OK);
    }
    static std::string timeOf(const std::string& path)
    {
        SYSTEMTIME t{};
        EXPECT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
        char text[48];
        SYSTEMTIMEtoSTR(t, text);
        return text;
    }
    /* Each file's name, image columns, time (or "=disk" when it is the file's) and comment. */
    Rows files()
    {
        Rows out;
        for (const std::string& r : rows("SELECT Filename, Width, Thumbnail, UpdateTM, Comment "
                                         "FROM MainTable ORDER BY Filename")) {
            std::string name = r.substr(0, r.find('|'));
            std::string disk = timeOf(at(name));
            std::size_t t = r.find(disk);
            out.push_back(
                t == std::string::npos ? r : r.substr(0, t) + "=disk" + r.substr(t + disk.size()));
        }
        return out;
    }
};

class RefreshModeTest : public RefreshTest, public testing::WithParamInterface<int32_t> {};

TEST_P(RefreshModeTest, DeletedFilesGoAndUnchangedOnesStayAsTheyAre)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    registerOnDisk("c.jpg");
    std::filesystem::remove(at("c.jpg"));
    std::filesystem::create_directory(at("c.jpg")); // there, but it has no file time
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(KaAVDBRefreshFolder(db_, photos().c_str(), GetParam()), S_OK);
        StringList one{at("a.jpg")};
        ASSERT_EQ(KaAVDBRefreshFiles(db_, &one, GetParam()), S_OK);
        ASSERT_EQ(KaAVDBRefreshAll(db_, GetParam()), S_OK);
    }
    std::filesystem::remove(at("a.jpg"));
    ASSERT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/photos").c_str(), GetParam()), S_OK);
    Rows left = rows("SELECT Filename, Width, Thumbnail, Comment FROM MainTable ORDER BY Filename");
    EXPECT_EQ(left, (Rows{"b.jpg|640|#32|kept", "c.jpg|640|#32|kept"}));
    // The folder row stays even when its last file goes.
    std::filesystem::remove(at("b.jpg"));
    std::filesystem::remove(at("c.jpg"));
    ASSERT_EQ(KaAVDBRefreshAll(db_, GetParam()), S_OK);
    EXPECT_EQ(count("MainTable"), 0);
    EXPECT_EQ(count("PathTable"), 1);
}

TEST_P(RefreshModeTest, AChangedTimeDeletesInModeOneAndIsTakenInModeTwo)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        registerOnDisk(name);
    }
    setMtime(at("a.jpg"), kRewrittenAt, 5000000);
    setMtime(at("b.jpg"), kRegisteredAt, 251000000); // milliseconds alone are a change
    sql("UPDATE MainTable SET UpdateTM = NULL WHERE Filename = 'c.jpg'"); // not text: changed
    ASSERT_EQ(KaAVDBRefreshFolder(db_, photos().c_str(), GetParam()), S_OK);
    if (GetParam() == 1) {
        EXPECT_EQ(files(), (Rows{"d.jpg|640|#32|=disk|kept"}));
    } else {
        EXPECT_EQ(files(), (Rows{"a.jpg|640|-|=disk|kept", "b.jpg|640|-|=disk|kept",
                                 "c.jpg|640|-|=disk|kept", "d.jpg|640|#32|=disk|kept"}));
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, RefreshModeTest, testing::Values(1, 2));

TEST_F(RefreshTest, ListedFilesAreRefreshedUntilOneCannotBeFoldersByTheirExactText)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        registerOnDisk(name);
    }
    setMtime(at("d.jpg"), kRewrittenAt);
    StringList changed{at("d.jpg")};
    ASSERT_EQ(KaAVDBRefreshFiles(db_, &changed, 2), S_OK);
    EXPECT_EQ(files().back(), "d.jpg|640|-|=disk|kept");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        std::filesystem::remove(at(name));
    }
    // Folders are found by their exact text; a mode but 1 or 2 is refused, changing nothing.
    EXPECT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/other").c_str(), 1), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/Photos").c_str(), 1), KAVDB_E_NOT_FOUND);
    StringList empty;
    for (int32_t mode : {0, 3, -1}) {
        EXPECT_EQ(KaAVDBRefreshFolder(db_, photos().c_str(), mode), E_INVALIDARG) << mode;
        EXPECT_EQ(KaAVDBRefreshFiles(db_, &empty, mode), E_INVALIDARG) << mode;
        EXPECT_EQ(KaAVDBRefreshAll(db_, mode), E_INVALIDARG) << mode;
    }
    EXPECT_EQ(count("MainTable"), 4);
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &empty, 1), S_OK);
    StringList paths{at("a.jpg"), dir_ + "/other/x.jpg", at("b.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &paths, 1), E_FAIL);
    // A registered folder without the listed file, or an empty path, stops the walk too.
    StringList noRow{at("b.jpg"), at("nothing.jpg"), at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &noRow, 2), E_FAIL);
    StringList emptyPath{"", at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &emptyPath, 2), E_FAIL);
    EXPECT_EQ(rows("SELECT Filename FROM MainTable ORDER BY Filename"), (Rows{"c.jpg", "d.jpg"}));
    StringList last{at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &last, 2), S_OK);
    EXPECT_EQ(count("MainTable"), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(RefreshTest, RefreshAllWalksEveryFolderAndLeavesMetadataRows)
{
    registerOnDisk("a.jpg");
    std::string other = makeFile("more/b.jpg");
    setMtime(other, kRegisteredAt);
    ASSERT_EQ(registerWith(other, {makeMeta("People", {{"Name", "Ann"}})}), S_OK); // no UpdateTM
    ASSERT_EQ(KaAVDBRefreshAll(db_, 2), S_OK);
    EXPECT_EQ(row("SELECT UpdateTM FROM MainTable WHERE Filename = 'b.jpg'"), timeOf(other));
    std::filesystem::remove(other);
    setMtime(at("a.jpg"), kRewrittenAt);
    ASSERT_EQ(KaAVDBRefreshAll(db_, 1), S_OK);
    EXPECT_EQ(count("MainTable"), 0);
    EXPECT_EQ(count("People"), 1);
}

} // namespace
} // namespace kavdb::test
