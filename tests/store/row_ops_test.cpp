/*
 * Row operations by statement on zero, one and two selected rows.
 */
#include "store/folder_rows.h"
#include "store/row_ops.h"
#include "support/fixture.h"

namespace kavdb::store {
namespace {

class RowOpsTest : public test::CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        for (const char* folder : {"/a/", "/b/", "/b/"}) {
            int32_t id = 0;
            ASSERT_EQ(kaSetPath(db_, folder, &id), S_OK);
        }
    }
    static std::string where(const char* folder)
    {
        return sqlf("SELECT * FROM PathTable WHERE StrComp(Pathname,\"%s\",0)=0", folder);
    }
    int32_t count(const std::string& sql)
    {
        int32_t n = -1;
        EXPECT_EQ(kaGetDataCount(db_, sql, &n), S_OK);
        return n;
    }
};

TEST_F(RowOpsTest, CountsSelectedRows)
{
    EXPECT_EQ(count(where("/a/")), 1);
    EXPECT_EQ(count(where("/b/")), 2);
    EXPECT_EQ(count(where("/none/")), 0);
}

TEST_F(RowOpsTest, ExactlyOneRowRule)
{
    struct Case {
        const char* folder;
        HResult expected;
    } cases[] = {{"/a/", S_OK}, {"/b/", E_FAIL}, {"/none/", KAVDB_E_NOT_FOUND}};
    for (const auto& c : cases) {
        Value v;
        EXPECT_EQ(kaGetData(db_, where(c.folder), Value::text("Pathname"), &v), c.expected);
        FieldValueList list = {{Value::text("Comment"), Value::text("x")}};
        EXPECT_EQ(kaGetData(db_, where(c.folder), list), c.expected);
        EXPECT_EQ(kaSetData(db_, where(c.folder), FieldValue{Value::text("Comment"),
                                                             Value::text("set")}),
                  c.expected);
        EXPECT_EQ(kaDelData(db_, where(c.folder)), c.expected) << c.folder;
    }
    // Two rows: nothing was changed or deleted.
    EXPECT_EQ(count(where("/b/")), 2);
    EXPECT_EQ(count("SELECT * FROM PathTable WHERE Comment IS NOT NULL"), 0);
}

TEST_F(RowOpsTest, ReadAndWriteOneRow)
{
    ASSERT_EQ(kaSetData(db_, where("/a/"), FieldValue{Value::text("Comment"), Value::text("hi")}),
              S_OK);
    FieldValueList list = {{Value::integer(7), Value::text("untouched")},
                           {Value::text("Comment"), Value()},
                           {Value::text("Pathname"), Value()}};
    ASSERT_EQ(kaGetData(db_, where("/a/"), list), S_OK);
    auto it = list.begin();
    EXPECT_EQ(it->value.asText(), "untouched");
    EXPECT_EQ((++it)->value.asText(), "hi");
    EXPECT_EQ((++it)->value.asText(), "/a/");
}

TEST_F(RowOpsTest, ListWriteStopsAtANameThatIsNotText)
{
    FieldValueList list = {{Value::text("Comment"), Value::text("first")},
                           {Value::integer(3), Value::text("bad")}};
    EXPECT_EQ(kaSetData(db_, where("/a/"), list), E_FAIL);
    EXPECT_EQ(count("SELECT * FROM PathTable WHERE Comment IS NOT NULL"), 0);
}

TEST_F(RowOpsTest, DeleteAllAndIdList)
{
    std::list<int32_t> ids = {99};
    EXPECT_EQ(kaGetDataIDList(db_, "SELECT PathID AS DataID FROM PathTable ORDER BY PathID", ids),
              S_OK);
    EXPECT_EQ(ids, (std::list<int32_t>{99, 1, 2, 3}));
    EXPECT_EQ(kaGetDataIDList(db_, sqlf("SELECT PathID AS DataID FROM PathTable WHERE PathID=%d", 42),
                              ids),
              KAVDB_E_NOT_FOUND);
    EXPECT_EQ(kaDelAllData(db_, where("/none/")), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(kaDelAllData(db_, "SELECT * FROM PathTable "), S_OK);
    EXPECT_EQ(count("SELECT * FROM PathTable "), 0);
}

TEST_F(RowOpsTest, RejectedTextReportsOnceAndReturnsTheEngineCode)
{
    errors().clear();
    int32_t n = 0;
    HResult hr = kaGetDataCount(db_, "SELECT * FROM NoSuchTable", &n);
    EXPECT_EQ(hr, static_cast<HResult>(0x80040E37));
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].message, "Failed To kaGetDataCount");
    EXPECT_EQ(kaDelAllData(db_, "SELEC nonsense"), static_cast<HResult>(0x80040E14));
    EXPECT_EQ(errors().back().message, "Failed To kaDelAllData");
}

TEST_F(RowOpsTest, MissingArguments)
{
    int32_t n = 0;
    EXPECT_EQ(kaGetDataCount(nullptr, where("/a/"), &n), E_INVALIDARG);
    EXPECT_EQ(kaGetDataCount(db_, "", &n), E_INVALIDARG);
    EXPECT_EQ(kaGetDataCount(db_, where("/a/"), nullptr), E_INVALIDARG);
}

} // namespace
} // namespace kavdb::store
