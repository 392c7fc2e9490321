/*
 * Comments, check marks and folder information through the exports.
 */
#include "support/rows.h"

#include <cstring>

namespace kavdb::test {
namespace {

class NotesTest : public RowsTest {
  protected:
    void SetUp() override
    {
        RowsTest::SetUp();
        folder_ = dir_ + "/photos";
        ASSERT_EQ(registerWith(at("a.jpg")), S_OK);
    }
    std::string folder_;
    char out_[8192] = "untouched";
};

TEST_F(NotesTest, FolderInformationBelongsToTheFolderRow)
{
    ASSERT_EQ(registerWith("C:\\photos\\a.jpg"), S_OK);
    ASSERT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), out_), S_OK);
    EXPECT_STREQ(out_, "");
    for (const char* text : {"Urlaub 2004", "Ελλάδα · 夏", ""}) {
        ASSERT_EQ(KaAVDBWriteFolderInfo(db_, folder_.c_str(), text), S_OK);
        ASSERT_EQ(KaAVDBReadFolderInfo(db_, folder_.c_str(), out_), S_OK);
        EXPECT_STREQ(out_, text);
    }
    ASSERT_EQ(KaAVDBWriteFolderInfo(db_, "C:\\photos", "drive"), S_OK);
    EXPECT_EQ(rows("SELECT Pathname, Comment FROM PathTable ORDER BY PathID"),
              (Rows{folder_ + "/|", "C:\\photos\\|drive"}));
    const std::tuple<std::string, HRESULT, HRESULT> cases[] = {
        {folder_ + "/", KAVDB_E_NOT_FOUND, E_FAIL}, // named with its final separator
        {dir_ + "/photos.2004", E_INVALIDARG, E_INVALIDARG},
        {dir_ + "/none", KAVDB_E_NOT_FOUND, E_FAIL},
    };
    for (const auto& [folder, read, write] : cases) {
        EXPECT_EQ(KaAVDBReadFolderInfo(db_, folder.c_str(), out_), read) << folder;
        EXPECT_EQ(KaAVDBWriteFolderInfo(db_, folder.c_str(), "x"), write) << folder;
    }
}

TEST_F(NotesTest, MarksReadBackAsZeroOrOneAndCommentsRoundTrip)
{
    auto markOf = [&](const std::string& path) {
        int32_t mark = -7;
        EXPECT_EQ(KaAVDBGetCheck(db_, path.c_str(), &mark), S_OK) << path;
        return mark;
    };
    const std::pair<int32_t, int32_t> cases[] = {{1, 1}, {0, 0}, {5, 0}, {-1, 0}, {1, 1}};
    for (const auto& [set, read] : cases) {
        ASSERT_EQ(KaAVDBSetCheck(db_, at("a.jpg").c_str(), set), S_OK);
        EXPECT_EQ(row("SELECT Marking FROM MainTable"), std::to_string(set));
        EXPECT_EQ(markOf(at("a.jpg")), read) << set;
    }
    sql("UPDATE MainTable SET Marking = NULL");
    EXPECT_EQ(markOf(at("a.jpg")), 0);
    // A mark asked of a file without a row answers 0 and setting one fails; either way an
    // unregistered folder gets its row. Nothing is reported.
    EXPECT_EQ(KaAVDBSetCheck(db_, at("b.jpg").c_str(), 1), E_FAIL);
    EXPECT_EQ(markOf(at("b.jpg")), 0);
    EXPECT_EQ(markOf(dir_ + "/new/x.jpg"), 0);
    EXPECT_EQ(KaAVDBSetCheck(db_, (dir_ + "/newer/x.jpg").c_str(), 1), E_FAIL);
    EXPECT_EQ(KaAVDBSetCheck(db_, (dir_ + "/new.er/").c_str(), 1), E_FAIL); // no name part
    EXPECT_EQ(rows("SELECT Pathname FROM PathTable ORDER BY PathID"),
              (Rows{folder_ + "/", dir_ + "/new/", dir_ + "/newer/", dir_ + "/new.er/"}));
    EXPECT_EQ(count("MainTable"), 1);
    EXPECT_TRUE(errors().empty());
    // Comments round-trip whatever their bytes.
    ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out_), S_OK);
    EXPECT_STREQ(out_, ""); // Null reads as the empty text
    const std::string texts[] = {"sunset", "Grüße aus Köln — 日本語", "say \"cheese\"",
                                 std::string(5000, 'w'), ""};
    for (const std::string& text : texts) {
        ASSERT_EQ(KaAVDBWriteComment(db_, at("a.jpg").c_str(), text.c_str()), S_OK);
        ASSERT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out_), S_OK);
        EXPECT_EQ(std::string(out_), text);
    }
    EXPECT_EQ(row("SELECT Comment FROM MainTable"), ""); // stored as text, not Null
    std::strcpy(out_, "untouched");
    EXPECT_EQ(KaAVDBReadComment(db_, at("b.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadComment(db_, at("A.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteComment(db_, at("b.jpg").c_str(), "x"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadComment(db_, (dir_ + "/none/a.jpg").c_str(), out_), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteComment(db_, (dir_ + "/none/a.jpg").c_str(), "x"), E_FAIL);
    EXPECT_STREQ(out_, "untouched");
    // A folder text two rows hold (a catalogue edited by hand): a read, which looks its
    // folder up exactly, fails; a write, which takes the first row, writes to its file.
    sql("INSERT INTO PathTable (Pathname) VALUES ('" + folder_ + "/')");
    EXPECT_EQ(KaAVDBReadComment(db_, at("a.jpg").c_str(), out_), E_FAIL);
    EXPECT_EQ(KaAVDBWriteComment(db_, at("a.jpg").c_str(), "first"), S_OK);
    EXPECT_EQ(row("SELECT Comment FROM MainTable"), "first");
}

} // namespace
} // namespace kavdb::test
