/*
 * Refresh against the files on disk: deleted, rewritten and unchanged files in both modes,
 * the three entry points and their stop rules. Modification times are set explicitly.
 */
#include "support/file_rows.h"

#include <filesystem>

namespace kavdb {
namespace {

using store::Value;
using test::TestImage;

constexpr long kRegisteredAt = 1100000000; // 2004-11-09
constexpr long kRewrittenAt = 1200000000;  // 2008-01-10

class RefreshTest : public test::CatalogueTest {
  protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        folder_ = dir_ + "/photos/";
    }

    std::string at(const std::string& name) const { return folder_ + name; }

    /* A file on disk registered with its true update time and a thumbnail. */
    void registerOnDisk(const std::string& name)
    {
        std::string path = makeFile("photos/" + name);
        setMtime(path, kRegisteredAt, 250000000);
        TestImage image(640, 480, 24, 5, 2, 3, 32);
        ASSERT_EQ(GetFileUpdateTM(path.c_str(), &image.record.UpdateTM), 1);
        ASSERT_EQ(KaAVDBRegisterFile(db_, path.c_str(), nullptr, &image.record), S_OK);
        ASSERT_EQ(KaAVDBWriteComment(db_, path.c_str(), "kept"), S_OK);
    }

    bool hasRow(const std::string& path)
    {
        char text[64];
        return KaAVDBReadUpdateData(db_, path.c_str(), text) != KAVDB_E_NOT_FOUND;
    }

    std::string storedTime(const std::string& path)
    {
        Value v = test::fileColumn(db_, path, "UpdateTM");
        return v.isText() ? v.asText() : "(not text)";
    }

    static std::string timeOf(const std::string& path)
    {
        SYSTEMTIME t{};
        EXPECT_EQ(GetFileUpdateTM(path.c_str(), &t), 1);
        char text[48];
        SYSTEMTIMEtoSTR(t, text);
        return text;
    }

    int32_t files() { return test::rowCount(db_, "SELECT * FROM MainTable "); }

    std::string folder_;
};

class RefreshModeTest : public RefreshTest, public testing::WithParamInterface<int32_t> {};

TEST_P(RefreshModeTest, FileDeletedFromDiskLosesItsRow)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    std::filesystem::remove(at("a.jpg"));
    ASSERT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/photos").c_str(), GetParam()), S_OK);
    EXPECT_FALSE(hasRow(at("a.jpg")));
    EXPECT_TRUE(hasRow(at("b.jpg")));
    // The folder row stays even when its last file goes.
    std::filesystem::remove(at("b.jpg"));
    ASSERT_EQ(KaAVDBRefreshAll(db_, GetParam()), S_OK);
    EXPECT_EQ(files(), 0);
    EXPECT_EQ(test::rowCount(db_, "SELECT * FROM PathTable "), 1);
}

TEST_P(RefreshModeTest, UnchangedFilesAreLeftAloneTwice)
{
    registerOnDisk("a.jpg");
    std::string before = storedTime(at("a.jpg"));
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), GetParam()), S_OK);
        StringList one{at("a.jpg")};
        ASSERT_EQ(KaAVDBRefreshFiles(db_, &one, GetParam()), S_OK);
        ASSERT_EQ(KaAVDBRefreshAll(db_, GetParam()), S_OK);
    }
    EXPECT_EQ(storedTime(at("a.jpg")), before);
    EXPECT_TRUE(test::fileColumn(db_, at("a.jpg"), "Thumbnail").isBytes());
}

TEST_P(RefreshModeTest, AStoredTimeThatIsNotTextCountsAsAChange)
{
    registerOnDisk("a.jpg");
    test::setFileColumn(db_, at("a.jpg"), "UpdateTM", Value::null());
    ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), GetParam()), S_OK);
    if (GetParam() == 1) {
        EXPECT_FALSE(hasRow(at("a.jpg")));
    } else {
        EXPECT_EQ(storedTime(at("a.jpg")), timeOf(at("a.jpg")));
    }
}

TEST_P(RefreshModeTest, AnEntryThatIsNoLongerAFileIsLeftAsItIs)
{
    registerOnDisk("a.jpg");
    std::string before = storedTime(at("a.jpg"));
    std::filesystem::remove(at("a.jpg"));
    std::filesystem::create_directory(at("a.jpg")); // there, but it has no file time
    ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), GetParam()), S_OK);
    EXPECT_EQ(storedTime(at("a.jpg")), before);
}

INSTANTIATE_TEST_SUITE_P(BothModes, RefreshModeTest, testing::Values(1, 2));

TEST_F(RefreshTest, RewrittenFileIsDeletedInModeOne)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    setMtime(at("a.jpg"), kRewrittenAt);
    ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), 1), S_OK);
    EXPECT_FALSE(hasRow(at("a.jpg")));
    EXPECT_TRUE(hasRow(at("b.jpg")));
}

TEST_F(RefreshTest, RewrittenFileKeepsItsRowWithANewTimeInModeTwo)
{
    registerOnDisk("a.jpg");
    setMtime(at("a.jpg"), kRewrittenAt, 5000000);
    ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), 2), S_OK);
    EXPECT_EQ(storedTime(at("a.jpg")), timeOf(at("a.jpg")));
    test::ReleasedImage out;
    ASSERT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out.image), S_OK);
    EXPECT_EQ(out.image.Thumbnail, nullptr);
    EXPECT_EQ(out.image.Width, 640);
    EXPECT_EQ(out.image.Height, 480);
    EXPECT_EQ(out.image.Bitcount, 24);
    EXPECT_EQ(out.image.ThumbnailWidth, 5);
    EXPECT_EQ(out.image.ThumbnailHeight, 2);
    EXPECT_EQ(out.image.UpdateTM.wMilliseconds, 5);
    char comment[16];
    ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), comment), S_OK);
    EXPECT_STREQ(comment, "kept");
}

TEST_F(RefreshTest, ListedRewrittenFileKeepsItsRowWithANewTimeInModeTwo)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    setMtime(at("b.jpg"), kRewrittenAt);
    StringList paths{at("a.jpg"), at("b.jpg")};
    ASSERT_EQ(KaAVDBRefreshFiles(db_, &paths, 2), S_OK);
    EXPECT_EQ(storedTime(at("b.jpg")), timeOf(at("b.jpg")));
    EXPECT_TRUE(test::fileColumn(db_, at("b.jpg"), "Thumbnail").isNull());
    EXPECT_TRUE(test::fileColumn(db_, at("a.jpg"), "Thumbnail").isBytes());
    EXPECT_EQ(test::fileColumn(db_, at("b.jpg"), "Width"), Value::integer(640));
}

TEST_F(RefreshTest, AChangeOfMillisecondsAloneIsAChange)
{
    registerOnDisk("a.jpg");
    setMtime(at("a.jpg"), kRegisteredAt, 251000000);
    ASSERT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), 1), S_OK);
    EXPECT_FALSE(hasRow(at("a.jpg")));
}

TEST_F(RefreshTest, FolderTextWithOrWithoutItsSeparator)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    std::filesystem::remove(at("a.jpg"));
    ASSERT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/photos").c_str(), 1), S_OK);
    EXPECT_FALSE(hasRow(at("a.jpg")));
    std::filesystem::remove(at("b.jpg"));
    ASSERT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/photos/").c_str(), 1), S_OK);
    EXPECT_EQ(files(), 0);
}

TEST_F(RefreshTest, FolderArgumentsAndUnregisteredFolders)
{
    registerOnDisk("a.jpg");
    EXPECT_EQ(KaAVDBRefreshFolder(nullptr, folder_.c_str(), 1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRefreshFolder(db_, nullptr, 1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRefreshFolder(db_, "", 1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRefreshFolder(db_, "photos", 1), E_FAIL);
    EXPECT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/other").c_str(), 1), KAVDB_E_NOT_FOUND);
    // Pathname compares exactly.
    EXPECT_EQ(KaAVDBRefreshFolder(db_, (dir_ + "/Photos").c_str(), 1), KAVDB_E_NOT_FOUND);
}

TEST_F(RefreshTest, ModesOtherThanOneAndTwoAreRefused)
{
    StringList none;
    EXPECT_EQ(KaAVDBRefreshAll(db_, 0), S_OK); // no folder row reached yet
    registerOnDisk("a.jpg");
    std::filesystem::remove(at("a.jpg"));
    for (int32_t mode : {0, 3, -1}) {
        EXPECT_EQ(KaAVDBRefreshFolder(db_, folder_.c_str(), mode), E_INVALIDARG) << mode;
        EXPECT_EQ(KaAVDBRefreshFiles(db_, &none, mode), E_INVALIDARG) << mode;
        EXPECT_EQ(KaAVDBRefreshAll(db_, mode), E_INVALIDARG) << mode;
    }
    EXPECT_TRUE(hasRow(at("a.jpg")));
    EXPECT_EQ(KaAVDBRefreshAll(nullptr, 1), E_INVALIDARG);
}

TEST_F(RefreshTest, ListedFilesAreRefreshedUntilOneCannotBe)
{
    registerOnDisk("a.jpg");
    registerOnDisk("b.jpg");
    registerOnDisk("c.jpg");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        std::filesystem::remove(at(name));
    }
    StringList empty;
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &empty, 1), S_OK);
    EXPECT_EQ(KaAVDBRefreshFiles(db_, nullptr, 1), E_INVALIDARG);

    StringList paths{at("a.jpg"), dir_ + "/other/x.jpg", at("b.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &paths, 1), E_FAIL);
    EXPECT_FALSE(hasRow(at("a.jpg")));
    EXPECT_TRUE(hasRow(at("b.jpg")));

    // A registered folder without the listed file stops the walk as well.
    StringList noRow{at("b.jpg"), at("nothing.jpg"), at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &noRow, 2), E_FAIL);
    EXPECT_FALSE(hasRow(at("b.jpg")));
    EXPECT_TRUE(hasRow(at("c.jpg")));

    StringList emptyPath{"", at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &emptyPath, 2), E_FAIL);
    EXPECT_TRUE(hasRow(at("c.jpg")));
    StringList last{at("c.jpg")};
    EXPECT_EQ(KaAVDBRefreshFiles(db_, &last, 2), S_OK);
    EXPECT_EQ(files(), 0);
    EXPECT_TRUE(errors().empty());
}

TEST_F(RefreshTest, RefreshAllWalksEveryFolderAndLeavesMetadataRows)
{
    registerOnDisk("a.jpg");
    std::string other = makeFile("more/b.jpg");
    setMtime(other, kRegisteredAt);
    MetaDataList meta;
    meta.push_back(test::makeMeta("People", {{"Name", "Ann"}}));
    ASSERT_EQ(KaAVDBRegisterFile(db_, other.c_str(), &meta, nullptr), S_OK); // UpdateTM Null
    test::releaseTestTags(meta);

    ASSERT_EQ(KaAVDBRefreshAll(db_, 2), S_OK);
    EXPECT_EQ(storedTime(other), timeOf(other));

    std::filesystem::remove(other);
    setMtime(at("a.jpg"), kRewrittenAt);
    ASSERT_EQ(KaAVDBRefreshAll(db_, 1), S_OK);
    EXPECT_EQ(files(), 0);
    EXPECT_EQ(test::rowCount(db_, "SELECT * FROM People"), 1);
}

} // namespace
} // namespace kavdb
