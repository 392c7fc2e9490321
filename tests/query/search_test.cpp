/*
 * Searches over registered files with metadata: the full paths of the matches, their
 * number, the not-found result, and what happens to entries the caller's list holds.
 */
#include "support/fixture.h"

#include <algorithm>

namespace kavdb {
namespace {

class SearchTest : public test::CatalogueTest {
  protected:
    void SetUp() override
    {
        test::CatalogueTest::SetUp();
        add("/photos/2020/a.jpg", "Canon", "Birthday");
        add("/photos/2020/b.jpg", "Nikon", "Birthday");
        add("/photos/2021/c.jpg", "Canon", "Holiday");
        ASSERT_EQ(KaAVDBRegisterFile(db_, "/photos/2021/bare.jpg", nullptr, nullptr), S_OK);
    }

    void add(const std::string& path, const std::string& make, const std::string& title)
    {
        MetaDataList list;
        list.push_back(test::makeMeta("ExifInfo", {{"Make", make}}, {{"ISO", 100}}));
        list.push_back(test::makeMeta("Caption", {{"Title", title}}));
        ASSERT_EQ(KaAVDBRegisterFile(db_, path.c_str(), &list, nullptr), S_OK) << path;
        test::releaseTestTags(list);
    }

    static StringList sorted(StringList list)
    {
        list.sort();
        return list;
    }
};

TEST_F(SearchTest, ReturnsTheFullPathsOfMatchingFiles)
{
    StringList out;
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM ExifInfo WHERE Make = \"Canon\"", &out), S_OK);
    EXPECT_EQ(sorted(out), (StringList{"/photos/2020/a.jpg", "/photos/2021/c.jpg"}));

    out.clear();
    EXPECT_EQ(KaAVDBQuery(db_,
                          "SELECT x FROM ExifInfo, Caption WHERE ExifInfo.Make = \"Canon\" AND "
                          "Caption.Title = \"Birthday\"",
                          &out),
              S_OK);
    EXPECT_EQ(out, (StringList{"/photos/2020/a.jpg"}));
}

TEST_F(SearchTest, SearchesTheBaseTablesAlone)
{
    StringList out;
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM MainTable WHERE Filename = \"bare.jpg\"", &out),
              S_OK);
    EXPECT_EQ(out, (StringList{"/photos/2021/bare.jpg"}));
}

TEST_F(SearchTest, NoMatchIsNotFoundAndLeavesTheListEmpty)
{
    StringList out;
    const char* sql = "SELECT * FROM ExifInfo WHERE Make = \"Leica\"";
    EXPECT_EQ(KaAVDBQuery(db_, sql, &out), KAVDB_E_NOT_FOUND);
    EXPECT_TRUE(out.empty());
    int32_t count = -1;
    EXPECT_EQ(KaAVDBGetCountSQL(db_, sql, &count), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(count, 0);
}

TEST_F(SearchTest, EntriesTheListHoldsAreKept)
{
    StringList out{"kept"};
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM ExifInfo WHERE Make = \"Leica\"", &out), S_OK);
    EXPECT_EQ(out, (StringList{"kept"}));

    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM ExifInfo WHERE Make = \"Nikon\"", &out), S_OK);
    EXPECT_EQ(out, (StringList{"kept", "/photos/2020/b.jpg"}));
}

TEST_F(SearchTest, CountEqualsTheRowsTheQueryWalks)
{
    for (const char* sql : {"SELECT * FROM ExifInfo WHERE Make = \"Canon\"",
                            "SELECT * FROM Caption WHERE Title = \"Birthday\"",
                            "SELECT * FROM PathTable WHERE Pathname = \"/photos/2020/\"",
                            "SELECT * FROM ExifInfo WHERE ISO = 100"}) {
        StringList out;
        int32_t count = -1;
        EXPECT_EQ(KaAVDBQuery(db_, sql, &out), S_OK) << sql;
        EXPECT_EQ(KaAVDBGetCountSQL(db_, sql, &count), S_OK) << sql;
        EXPECT_EQ(count, static_cast<int32_t>(out.size())) << sql;
    }
    int32_t all = 0;
    EXPECT_EQ(KaAVDBGetCountSQL(db_, "SELECT * FROM MainTable WHERE FieldID > 0", &all), S_OK);
    EXPECT_EQ(all, 4);
}

TEST_F(SearchTest, RefusesBadArguments)
{
    StringList out;
    int32_t count = 7;
    const char* sql = "SELECT * FROM MainTable WHERE FieldID > 0";
    EXPECT_EQ(KaAVDBQuery(nullptr, sql, &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBQuery(db_, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBQuery(db_, "", &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBQuery(db_, sql, nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM MainTable where FieldID > 0", &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetCountSQL(nullptr, sql, &count), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetCountSQL(db_, "", &count), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetCountSQL(db_, sql, nullptr), E_INVALIDARG);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(count, 7);
    EXPECT_TRUE(errors().empty());
}

/* A condition the engine refuses: the open reports, the walk finds no recordset and ends
 * with E_POINTER under the search's own message; the count is not written. */
TEST_F(SearchTest, StatementTheEngineRefusesEndsWithPointerCode)
{
    StringList out;
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM MainTable WHERE NoSuchColumn = 1", &out), E_POINTER);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_EQ(errors()[0].message, "Failed to open recordset");
    EXPECT_EQ(errors()[1].message, "Failed To KaAVDBQuery");
    EXPECT_EQ(errors()[1].code, E_POINTER);

    errors().clear();
    int32_t count = 7;
    EXPECT_EQ(KaAVDBGetCountSQL(db_, "SELECT * FROM NoSuchTable WHERE a = 1", &count), E_POINTER);
    EXPECT_EQ(count, 7);
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_EQ(errors()[1].message, "Failed To KaAVDBGetCountSQL");
}

} // namespace
} // namespace kavdb
