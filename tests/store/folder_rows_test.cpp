/*
 * Folder and file rows: folder look-up and its cache, file rows added and overwritten,
 * and deletion of a file with the folder and metadata rows nothing else uses.
 */
#include "store/folder_rows.h"
#include "store/row_ops.h"
#include "support/fixture.h"

namespace kavdb::store {
namespace {

class FolderRowsTest : public test::CatalogueTest {
protected:
    int32_t rows(const std::string& sql)
    {
        int32_t n = -1;
        EXPECT_EQ(kaGetDataCount(db_, sql, &n), S_OK);
        return n;
    }
    int32_t addFile(const std::string& folder, const std::string& name)
    {
        int32_t id = -1;
        EXPECT_EQ(kaGetPathID(db_, folder.c_str(), &id, true, false), S_OK);
        FieldValueList list = {{Value::text("PathID"), Value::integer(id)},
                               {Value::text("Filename"), Value::text(name)}};
        EXPECT_EQ(kaSetMainTable(db_, list, fileRowSql(id, name), false, -1), S_OK);
        return id;
    }
};

TEST_F(FolderRowsTest, FolderWithoutSeparatorIsStoredWithOne)
{
    int32_t id = -1, again = -1;
    ASSERT_EQ(kaGetPathID(db_, "C:\\photos", &id, true, false), S_OK);
    ASSERT_EQ(kaGetPathID(db_, "C:\\photos\\", &again, false, false), S_OK);
    EXPECT_EQ(id, again);
    Value name;
    ASSERT_EQ(kaGetData(db_, folderRowsSql("PathTable", "PathID", id), Value::text("Pathname"),
                        &name),
              S_OK);
    EXPECT_EQ(name.asText(), "C:\\photos\\");
}

TEST_F(FolderRowsTest, FolderLookUpRules)
{
    int32_t id = 0;
    EXPECT_EQ(kaGetPathID(db_, "/nowhere/", &id, false, false), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(kaGetPathID(db_, "noseparator", &id, true, false), E_FAIL);
    EXPECT_EQ(kaGetPathID(db_, "", &id, true, false), E_INVALIDARG);
    EXPECT_EQ(kaSearchPathData(db_, "/p/a.jpg", &id), KAVDB_E_NOT_FOUND); // empty table
    EXPECT_EQ(id, -1);
    addFile("/p/", "a.jpg");
    EXPECT_EQ(kaSearchPathData(db_, "/q/a.jpg", &id), E_FAIL); // rows, none equal
    EXPECT_EQ(kaSearchPathData(db_, "/P/a.jpg", &id), E_FAIL); // case-sensitive
}

TEST_F(FolderRowsTest, SearchTakesADotlessPathForTheFolderItself)
{
    int32_t id = addFile("/photos/", "a.jpg");
    for (const char* path : {"/photos", "/photos/", "/photos/a.jpg"}) {
        int32_t found = -1;
        EXPECT_EQ(kaSearchPathData(db_, path, &found), S_OK) << path;
        EXPECT_EQ(found, id) << path;
    }
}

TEST_F(FolderRowsTest, CacheNeverAnswersARemovedFolder)
{
    addFile("/gone/", "a.jpg");
    int32_t id = -1;
    ASSERT_EQ(kaSearchPathData(db_, "/gone/a.jpg", &id), S_OK);
    EXPECT_EQ(db_->LastPathname, "/gone/");
    ASSERT_EQ(kaDelFile(db_, "/gone/a.jpg"), S_OK);
    EXPECT_EQ(rows("SELECT * FROM PathTable "), 0);
    EXPECT_EQ(kaSearchPathData(db_, "/gone/a.jpg", &id), KAVDB_E_NOT_FOUND);

    addFile("/again/", "a.jpg");
    ASSERT_EQ(kaSearchPathData(db_, "/again/a.jpg", &id), S_OK);
    addFile("/other/", "b.jpg");
    MetadataLinkList links;
    int32_t pathId = id;
    ASSERT_EQ(kaDelMain(db_, "/again/a.jpg", links, &pathId), S_OK);
    int32_t stale = -1;
    EXPECT_NE(kaSearchPathData(db_, "/again/a.jpg", &stale), S_OK);
}

TEST_F(FolderRowsTest, MainTableRowsAreUniquePerFolderAndName)
{
    int32_t id = addFile("/p/", "a.jpg");
    FieldValueList dup = {{Value::text("PathID"), Value::integer(id)},
                          {Value::text("Filename"), Value::text("a.jpg")}};
    EXPECT_EQ(kaSetMainTable(db_, dup, fileRowSql(id, "a.jpg"), false, -1),
              KAVDB_E_ALREADY_EXISTS);
    addFile("/p/", "A.jpg"); // names compare exactly
    EXPECT_EQ(rows(folderRowsSql("MainTable", "PathID", id)), 2);
}

TEST_F(FolderRowsTest, OverwriteUpdatesTheListedColumns)
{
    int32_t id = addFile("/p/", "a.jpg");
    FieldValueList list = {{Value::text("PathID"), Value::integer(id)},
                           {Value::text("Filename"), Value::text("a.jpg")},
                           {Value::text("Comment"), Value::text("new")}};
    ASSERT_EQ(kaSetMainTable(db_, list, fileRowSql(id, "a.jpg"), true, -1), S_OK);
    Value comment;
    ASSERT_EQ(kaGetData(db_, fileRowSql(id, "a.jpg"), Value::text("Comment"), &comment), S_OK);
    EXPECT_EQ(comment.asText(), "new");
    FieldValueList noKey = {{Value::text("Comment"), Value::text("x")}};
    EXPECT_EQ(kaUpdateMainTable(db_, noKey), E_FAIL);
}

TEST_F(FolderRowsTest, UnmatchedEntriesStayInTheList)
{
    int32_t id = -1;
    ASSERT_EQ(kaGetPathID(db_, "/p/", &id, true, false), S_OK);
    FieldValueList list = {{Value::text("PathID"), Value::integer(id)},
                           {Value::text("Filename"), Value::text("x.jpg")},
                           {Value::text("Bogus"), Value::integer(5)}};
    ASSERT_EQ(kaSetMainTable(db_, list, fileRowSql(id, "x.jpg"), false, -1), S_OK);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().name.asText(), "Bogus");
}

TEST_F(FolderRowsTest, DeletingKeepsFolderWhileOtherFilesRemain)
{
    int32_t id = addFile("/p/", "a.jpg");
    addFile("/p/", "b.jpg");
    EXPECT_EQ(kaDelFile(db_, "/p/a.jpg"), S_OK);
    EXPECT_EQ(rows(folderRowsSql("PathTable", "PathID", id)), 1);
    EXPECT_EQ(kaDelFile(db_, "/p/A.jpg"), KAVDB_E_NOT_FOUND); // exact names
    EXPECT_EQ(kaDelFile(db_, "/p/b.jpg"), S_OK);
    EXPECT_EQ(rows(folderRowsSql("PathTable", "PathID", id)), 0);
}

TEST_F(FolderRowsTest, UnusedPathRowGoes)
{
    int32_t id = -1;
    ASSERT_EQ(kaGetPathID(db_, "/empty/", &id, true, false), S_OK);
    EXPECT_EQ(kaDelPathIfUnused(db_, 0), E_INVALIDARG);
    EXPECT_EQ(kaDelPathIfUnused(db_, id), S_OK);
    EXPECT_EQ(rows("SELECT * FROM PathTable "), 0);
}

} // namespace
} // namespace kavdb::store
