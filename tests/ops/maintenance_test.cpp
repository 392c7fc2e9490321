/*
 * Metadata table maintenance: deleting selected rows with their links, and renaming item
 * text with the merge of rows that became equal.
 */
#include "support/metadata_fixture.h"

#include <cstring>

namespace kavdb {
namespace {

using test::makeMeta;

constexpr int kExif = 1;
constexpr int kCaption = 2;

class MaintenanceTest : public test::MetadataTest {
  protected:
    /* Registers path and gives it the metadata. */
    void add(const std::string& path, const MetaData& meta)
    {
        ASSERT_EQ(registerFile(path), S_OK) << path;
        ASSERT_EQ(write(path, meta), S_OK) << path;
    }
    void addTitle(const std::string& path, const std::string& title)
    {
        add(path, makeMeta("Caption", {{"Title", title}}));
    }
    std::string title(const std::string& path)
    {
        return item("Caption", link(path, kCaption), "Title").asText();
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
    add("/p/b.jpg", makeMeta("ExifInfo", {{"Make", "Canon"}}));
    add("/p/c.jpg", makeMeta("ExifInfo", {{"Make", "Nikon"}}));
    const int32_t nikon = link("/p/c.jpg", kExif);

    ASSERT_EQ(deleteInfo("SELECT * FROM ExifInfo WHERE (Make = \"Canon\")"), S_OK);
    EXPECT_STREQ(text_.c_str(), "SELECT * FROM ExifInfo"); // cut where the condition began
    EXPECT_EQ(link("/p/a.jpg", kExif), 0);
    EXPECT_EQ(link("/p/b.jpg", kExif), 0);
    EXPECT_EQ(link("/p/c.jpg", kExif), nikon);
    EXPECT_EQ(tableRows("ExifInfo"), 1);
    EXPECT_EQ(rows("SELECT * FROM MainTable WHERE DataID1 IS NOT NULL"), 1);
}

TEST_F(MaintenanceTest, DeleteInfoChangesNothingOnRefusal)
{
    add("/p/a.jpg", makeMeta("ExifInfo", {{"Make", "Canon"}}));
    const int32_t id = link("/p/a.jpg", kExif);
    struct Case {
        const char* sql;
        HRESULT hr;
    } cases[] = {
        {"SELECT * FROM ExifInfo WHERE (Make = \"Sony\")", KAVDB_E_NOT_FOUND},
        {"SELECT * FROM ExifInfo", E_INVALIDARG}, // no condition
        {"SELECT * ExifInfo WHERE (Make = \"Canon\")", E_INVALIDARG},
        {"", E_INVALIDARG},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(deleteInfo(c.sql), c.hr) << c.sql;
    }
    EXPECT_EQ(KaAVDBDeleteInfo(db_, nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBDeleteInfo(nullptr, text_.data()), E_INVALIDARG);
    EXPECT_EQ(link("/p/a.jpg", kExif), id);
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(MaintenanceTest, DeleteInfoOnATableThatIsNotConfigured)
{
    add("/p/a.jpg", makeMeta("ExifInfo", {{"Make", "Canon"}}));
    // The rows are selectable under another name only through the configuration; the
    // link column cannot be found, so nothing is deleted.
    writeIni("[DataTable1]\nTableName=Other\nItem1=Make,0,64,\n");
    EXPECT_EQ(deleteInfo("SELECT * FROM ExifInfo WHERE (Make = \"Canon\")"), E_FAIL);
    EXPECT_EQ(tableRows("ExifInfo"), 1);
    EXPECT_NE(link("/p/a.jpg", kExif), 0);
}

TEST_F(MaintenanceTest, RenameReplacesEveryOccurrenceOnce)
{
    struct Case {
        const char* before;
        const char* from;
        const char* to;
        const char* after;
    } cases[] = {
        {"a-b-a", "a", "x", "x-b-x"}, // twice in one value
        {"ab", "a", "aa", "aab"},     // the new text holds the old: no loop
        {"aaa", "aa", "b", "ba"},     // left to right, no overlap
        {"say \"hi\"", "\"hi\"", "\"yo\"", "say \"yo\""},
        {"untouched", "zz", "y", "untouched"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        KaAVDBDeleteFile(db_, "/p/a.jpg"); // its row goes with it
        addTitle("/p/a.jpg", c.before);
        EXPECT_EQ(rename("Title", c.from, c.to), S_OK); // a single-row table merges nothing
        EXPECT_EQ(title("/p/a.jpg"), c.after);
        EXPECT_EQ(tableRows("Caption"), 1);
    }
}

TEST_F(MaintenanceTest, RenameMergesRowsAndRelinksTheirFiles)
{
    add("/p/a.jpg", makeMeta("Caption", {{"Title", "Sea"}}, {{"Rating", 1}}));
    add("/p/b.jpg", makeMeta("Caption", {{"Title", "Ocean"}}, {{"Rating", 2}}));
    add("/p/c.jpg", makeMeta("Caption", {{"Title", "Ocean"}}, {{"Rating", 2}}));
    add("/p/d.jpg", makeMeta("Caption", {{"Title", "Lake"}}));
    const int32_t first = link("/p/a.jpg", kCaption);
    const int32_t gone = link("/p/b.jpg", kCaption);

    ASSERT_EQ(rename("Title", "Sea", "Ocean"), S_OK);
    // The first row in table order stays, whatever its other items hold.
    for (const char* f : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}) {
        EXPECT_EQ(link(f, kCaption), first) << f;
    }
    EXPECT_FALSE(rowExists("Caption", gone));
    EXPECT_EQ(item("Caption", first, "Rating").asInt(), 1);
    EXPECT_EQ(title("/p/d.jpg"), "Lake");
    EXPECT_EQ(tableRows("Caption"), 2);
}

TEST_F(MaintenanceTest, MergeComparesTextsIgnoringLetterCase)
{
    addTitle("/p/a.jpg", "Nikon");
    addTitle("/p/b.jpg", "NIKON 2");
    ASSERT_EQ(rename("Title", "NIKON 2", "nikon"), S_OK);
    EXPECT_EQ(link("/p/a.jpg", kCaption), link("/p/b.jpg", kCaption));
    EXPECT_EQ(title("/p/b.jpg"), "Nikon");
    EXPECT_EQ(tableRows("Caption"), 1);
}

TEST_F(MaintenanceTest, RenameRefusals)
{
    addTitle("/p/a.jpg", "short");
    add("/p/b.jpg", makeMeta("Caption", {{"Title", std::string(500, 'x')}}, {{"Rating", 5}}));
    struct Case {
        const char* table;
        const char* item;
        const char* from;
        const char* to;
        HRESULT hr;
    } cases[] = {
        {"Caption", "Title", "x", "yy", E_INVALIDARG}, // would grow past the limit
        {"Caption", "Rating", "5", "6", E_INVALIDARG}, // not a text item
        {"Caption", "Title", "", "y", E_INVALIDARG},
        {"Caption", "", "x", "y", E_INVALIDARG},
        {"", "Title", "x", "y", E_INVALIDARG},
        {"People", "Name", "x", "y", E_FAIL}, // no rows
        {"Caption", "NoColumn", "x", "y", E_FAIL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rename(c.item, c.from, c.to, c.table), c.hr) << c.table << "." << c.item;
    }
    EXPECT_EQ(KaAVDBUpdateTableData(nullptr, "Caption", "Title", "x", "y"), E_INVALIDARG);
    EXPECT_EQ(title("/p/a.jpg"), "short");
    EXPECT_EQ(title("/p/b.jpg"), std::string(500, 'x'));
    EXPECT_FALSE(errors().empty()); // the unknown column was reported

    // Shrinking a long value fits.
    EXPECT_EQ(rename("Title", "xx", "x"), S_OK);
    EXPECT_EQ(title("/p/b.jpg"), std::string(250, 'x'));
}

} // namespace
} // namespace kavdb
