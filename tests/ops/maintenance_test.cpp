/*
 * Metadata table maintenance: deleting selected rows with their links, and renaming item
 * text with the merge of rows that became equal.
 */
#include "support/rows.h"

namespace kavdb::test {
namespace {

class MaintenanceTest : public RowsTest {
  protected:
    void add(const std::string& path, MetaData meta)
    {
        ASSERT_EQ(registerWith(path, {meta}), S_OK) << path;
    }
    HRESULT deleteInfo(const std::string& sql)
    {
        text_ = sql;
        return KaAVDBDeleteInfo(db_, text_.data());
    }
    HRESULT rename(const char* item, const char* from, const char* to,
                   const char* table = "Caption")
    {
        return KaAVDBUpdateTableData(db_, table, item, from, to);
    }
    std::string text_;
};

TEST_F(MaintenanceTest, DeleteInfoClearsLinksThenDeletesTheRows)
{
    add("/p/a.jpg", makeMeta("ExifInfo", {{"Make", "Canon"}}));
    add("/p/b.jpg", makeMeta("ExifInfo", {{"Make", "Canon"}}, {{"ISO", 5}}));
    add("/p/c.jpg", makeMeta("ExifInfo", {{"Make", "Nikon"}}));
    const std::pair<const char*, HRESULT> refused[] = {
        {"SELECT * FROM ExifInfo WHERE (Make = \"Sony\")", KAVDB_E_NOT_FOUND},
        {"SELECT * FROM ExifInfo", E_INVALIDARG}, // no condition
        {"SELECT * ExifInfo WHERE (Make = \"Canon\")", E_INVALIDARG},
    };
    for (const auto& [sql, hr] : refused) {
        EXPECT_EQ(deleteInfo(sql), hr) << sql;
    }
    EXPECT_EQ(count("ExifInfo"), 3);
    ASSERT_EQ(deleteInfo("SELECT * FROM ExifInfo WHERE (Make = \"Canon\")"), S_OK);
    EXPECT_EQ(text_.c_str(), std::string("SELECT * FROM ExifInfo")); // cut where WHERE began
    EXPECT_EQ(rows("SELECT Filename, DataID1 FROM MainTable ORDER BY Filename"),
              (Rows{"a.jpg|-", "b.jpg|-", "c.jpg|3"}));
    EXPECT_EQ(rows("SELECT DataID, Make FROM ExifInfo"), (Rows{"3|Nikon"}));
    // A table the configuration no longer names has no link column: nothing goes.
    writeIni("[DataTable1]\nTableName=Other\nItem1=Make,0,64,\n");
    EXPECT_EQ(deleteInfo("SELECT * FROM ExifInfo WHERE (Make = \"Nikon\")"), E_FAIL);
    EXPECT_EQ(count("ExifInfo"), 1);
}

TEST_F(MaintenanceTest, RenameReplacesEveryOccurrenceLeftToRightOnce)
{
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"a-b-a", "a", "x", "x-b-x"}, // twice in one value
        {"ab", "a", "aa", "aab"},     // the new text holds the old: no loop
        {"aaa", "aa", "b", "ba"},     // left to right, no overlap
        {"say \"hi\"", "\"hi\"", "\"yo\"", "say \"yo\""},
        {"untouched", "zz", "y", "untouched"},
    };
    for (const auto& [before, from, to, after] : cases) {
        KaAVDBDeleteFile(db_, "/p/a.jpg"); // its row goes with it
        add("/p/a.jpg", makeMeta("Caption", {{"Title", before}}));
        EXPECT_EQ(rename("Title", from, to), S_OK); // a single-row table merges nothing
        EXPECT_EQ(rows("SELECT Title FROM Caption"), (Rows{after})) << before;
    }
}

TEST_F(MaintenanceTest, RenamedRowsThatBecomeEqualMergeIntoTheFirst)
{
    add("/p/a.jpg", makeMeta("Caption", {{"Title", "Sea"}}, {{"Rating", 1}}));
    add("/p/b.jpg", makeMeta("Caption", {{"Title", "Ocean"}}, {{"Rating", 2}}));
    add("/p/c.jpg", makeMeta("Caption", {{"Title", "Ocean"}}, {{"Rating", 2}}));
    add("/p/d.jpg", makeMeta("Caption", {{"Title", "Lake"}}));
    add("/p/e.jpg", makeMeta("Caption", {{"Title", "NIKON 2"}}));
    add("/p/f.jpg", makeMeta("Caption", {{"Title", "Nikon"}}));
    ASSERT_EQ(rename("Title", "Sea", "Ocean"), S_OK);
    ASSERT_EQ(rename("Title", "NIKON 2", "nikon"), S_OK); // texts compare ignoring case
    // The first row in table order stays, whatever its other items hold.
    EXPECT_EQ(rows("SELECT Filename, DataID2 FROM MainTable ORDER BY Filename"),
              (Rows{"a.jpg|1", "b.jpg|1", "c.jpg|1", "d.jpg|3", "e.jpg|4", "f.jpg|4"}));
    EXPECT_EQ(rows("SELECT * FROM Caption ORDER BY DataID"),
              (Rows{"1|Ocean|1", "3|Lake|-", "4|nikon|-"}));
}

TEST_F(MaintenanceTest, ARenameThatCannotBeMadeChangesNothing)
{
    add("/p/a.jpg", makeMeta("Caption", {{"Title", "short"}}));
    add("/p/b.jpg", makeMeta("Caption", {{"Title", std::string(500, 'x')}}, {{"Rating", 5}}));
    const std::tuple<const char*, const char*, const char*, HRESULT> cases[] = {
        {"Caption", "Title", "x", E_INVALIDARG},  // would grow past the limit
        {"Caption", "Rating", "5", E_INVALIDARG}, // not a text item
        {"People", "Name", "x", E_FAIL},          // no rows
        {"Caption", "NoColumn", "x", E_FAIL},
    };
    for (const auto& [table, item, from, hr] : cases) {
        EXPECT_EQ(rename(item, from, "yy", table), hr) << table << "." << item;
    }
    EXPECT_EQ(rows("SELECT Title FROM Caption"), (Rows{"short", std::string(500, 'x')}));
    ASSERT_EQ(errors().size(), 1u); // the unknown column was reported
    EXPECT_EQ(errors()[0].message, "Failed To KaAVDBUpdateTableData");
    EXPECT_EQ(rename("Title", "xx", "x"), S_OK); // shrinking a long value fits
    EXPECT_EQ(rows("SELECT Title FROM Caption"), (Rows{"short", std::string(250, 'x')}));
}

} // namespace
} // namespace kavdb::test
