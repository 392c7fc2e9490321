/*
 * Comments, check marks and folder information through the exports.
 */
#include "support/file_rows.h"

namespace kavdb {
namespace {

using store::Value;

class NotesTest : public test::CatalogueTest {
  protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        folder_ = dir_ + "/photos";
        ASSERT_EQ(KaAVDBRegisterFile(db_, at("a.jpg").c_str(), nullptr, nullptr), S_OK);
    }

    std::string at(const std::string& name) const { return folder_ + "/" + name; }
    int32_t folders() { return test::rowCount(db_, "SELECT * FROM PathTable "); }

    std::string folder_;
    char out_[256] = "untouched";
};

TEST_F(NotesTest, CommentsRoundTripWhateverTheirBytes)
{
    ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out_), S_OK);
    EXPECT_STREQ(out_, ""); // Null reads as the empty text
    for (const char* text : {"sunset", "Grüße aus Köln — 日本語", "say \"cheese\"", ""}) {
        ASSERT_EQ(KaAVDBWriteComment(db_, at("a.jpg").c_str(), text), S_OK);
        ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out_), S_OK);
        EXPECT_STREQ(out_, text);
    }
    EXPECT_TRUE(test::fileColumn(db_, at("a.jpg"), "Comment").isText());
}

TEST_F(NotesTest, ALongCommentIsCopiedWhole)
{
    std::string text(5000, 'w');
    std::vector<char> out(text.size() + 1, 'x');
    ASSERT_EQ(KaAVDBWriteComment(db_, at("a.jpg").c_str(), text.c_str()), S_OK);
    ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out.data()), S_OK);
    EXPECT_EQ(std::string(out.data()), text);
}

TEST_F(NotesTest, CommentsNeedTheFilesRow)
{
    EXPECT_EQ(KaAVDBReadComment(db_, at("b.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadComment(db_, at("A.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteComment(db_, at("b.jpg").c_str(), "x"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadComment(db_, (dir_ + "/none/a.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_LT(KaAVDBWriteComment(db_, (dir_ + "/none/a.jpg").c_str(), "x"), 0);
    EXPECT_STREQ(out_, "untouched");
}

TEST_F(NotesTest, CommentArgumentsAreChecked)
{
    EXPECT_EQ(KaAVDBReadComment(nullptr, at("a.jpg").c_str(), out_), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadComment(db_, "", out_), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteComment(db_, nullptr, "x"), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteComment(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);
}

TEST_F(NotesTest, FolderInformationRoundTrips)
{
    ASSERT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), out_), S_OK);
    EXPECT_STREQ(out_, "");
    for (const char* text : {"Urlaub 2004", "Ελλάδα · 夏", ""}) {
        ASSERT_EQ(KaAVDBWriteFolderInfo(db_, folder_.c_str(), text), S_OK);
        ASSERT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), out_), S_OK);
        EXPECT_STREQ(out_, text);
    }
}

TEST_F(NotesTest, FolderInformationWithBackslashFolders)
{
    ASSERT_EQ(KaAVDBRegisterFile(db_, "C:\\photos\\a.jpg", nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBWriteFolderInfo(db_, "C:\\photos", "drive"), S_OK);
    ASSERT_EQ(KaAVDBReadFolderInfo(db_, "C:\\photos", out_), S_OK);
    EXPECT_STREQ(out_, "drive");
    ASSERT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), out_), S_OK);
    EXPECT_STREQ(out_, ""); // the other folder is untouched
}

TEST_F(NotesTest, FolderInformationRefusesOtherFolderTexts)
{
    struct Case {
        std::string folder;
        HRESULT read, write;
    } cases[] = {
        {folder_ + "/", KAVDB_E_NOT_FOUND, E_FAIL}, // named with its final separator
        {dir_ + "/photos.2004", E_INVALIDARG, E_INVALIDARG},
        {"photos", E_FAIL, E_FAIL},
        {"", E_INVALIDARG, E_INVALIDARG},
        {dir_ + "/none", KAVDB_E_NOT_FOUND, E_FAIL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KaAVDBReadFolderInfo(db_, c.folder.c_str(), out_), c.read) << c.folder;
        EXPECT_EQ(KaAVDBWriteFolderInfo(db_, c.folder.c_str(), "x"), c.write) << c.folder;
    }
    EXPECT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteFolderInfo(db_, folder_.c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadFolderInfo(nullptr, folder_.c_str(), out_), E_INVALIDARG);
}

TEST_F(NotesTest, MarksReadBackAsZeroOrOne)
{
    struct Case {
        int32_t mark, read;
    } cases[] = {{1, 1}, {0, 0}, {5, 0}, {-1, 0}, {1, 1}};
    for (const auto& c : cases) {
        ASSERT_EQ(KaAVDBSetCheck(db_, at("a.jpg").c_str(), c.mark), S_OK);
        EXPECT_EQ(test::fileColumn(db_, at("a.jpg"), "Marking"), Value::integer(c.mark));
        int32_t mark = -7;
        ASSERT_EQ(KaAVDBGetCheck(db_, at("a.jpg").c_str(), &mark), S_OK);
        EXPECT_EQ(mark, c.read) << c.mark;
    }
    test::setFileColumn(db_, at("a.jpg"), "Marking", Value::null());
    int32_t mark = -7;
    ASSERT_EQ(KaAVDBGetCheck(db_, at("a.jpg").c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 0);
}

TEST_F(NotesTest, MarksOfFilesWithoutRows)
{
    EXPECT_EQ(KaAVDBSetCheck(db_, at("b.jpg").c_str(), 1), E_FAIL);
    int32_t mark = -7;
    ASSERT_EQ(KaAVDBGetCheck(db_, at("b.jpg").c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 0);
    EXPECT_EQ(folders(), 1);

    // An unregistered folder gets its row, and stays registered.
    mark = -7;
    ASSERT_EQ(KaAVDBGetCheck(db_, (dir_ + "/new/x.jpg").c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 0);
    EXPECT_EQ(folders(), 2);
    EXPECT_EQ(KaAVDBSetCheck(db_, (dir_ + "/newer/x.jpg").c_str(), 1), E_FAIL);
    EXPECT_EQ(folders(), 3);
    EXPECT_EQ(test::rowCount(db_, "SELECT * FROM MainTable "), 1);
    EXPECT_TRUE(errors().empty());
}

TEST_F(NotesTest, MarkArgumentsAreChecked)
{
    int32_t mark = 0;
    EXPECT_EQ(KaAVDBSetCheck(db_, folder_.c_str(), 1), E_INVALIDARG); // no '.': a folder
    EXPECT_EQ(KaAVDBGetCheck(db_, folder_.c_str(), &mark), E_INVALIDARG);
    EXPECT_EQ(KaAVDBSetCheck(db_, nullptr, 1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBSetCheck(nullptr, at("a.jpg").c_str(), 1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetCheck(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(folders(), 1);
}

} // namespace
} // namespace kavdb
