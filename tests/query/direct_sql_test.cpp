/*
 * The application's own SQL: file lists from row-returning statements (full paths or
 * names only, values converted to text, missing columns refused) and statements run for
 * their result, Jet DDL included. Neither reports to the error sink.
 */
#include "store/direct_statement.h"
#include "support/fixture.h"

namespace kavdb {
namespace {

const char* const kPaths = "SELECT PathTable.Pathname, MainTable.Filename FROM MainTable, "
                           "PathTable WHERE MainTable.PathID = PathTable.PathID ORDER BY "
                           "MainTable.Filename";

class DirectSqlTest : public test::CatalogueTest {
  protected:
    void SetUp() override
    {
        test::CatalogueTest::SetUp();
        for (const char* path : {"/p/a.jpg", "/p/b.jpg", "/q/c.jpg"}) {
            ASSERT_EQ(KaAVDBRegisterFile(db_, path, nullptr, nullptr), S_OK) << path;
        }
    }
};

TEST_F(DirectSqlTest, ListsFullPaths)
{
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, kPaths, &out, 0), S_OK);
    EXPECT_EQ(out, (StringList{"/p/a.jpg", "/p/b.jpg", "/q/c.jpg"}));
}

TEST_F(DirectSqlTest, NoRowsLeavesTheListAsItWas)
{
    StringList out{"kept"};
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT * FROM MainTable, PathTable WHERE FieldID < 0",
                                     &out, 0),
              S_OK);
    EXPECT_EQ(out, (StringList{"kept"}));
}

TEST_F(DirectSqlTest, MissingPathnameFailsUnlessNamesOnly)
{
    const char* sql = "SELECT Filename FROM MainTable ORDER BY Filename";
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, sql, &out, 0), engine::code::kFieldNotFound);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, sql, &out, 1), S_OK);
    EXPECT_EQ(out, (StringList{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(DirectSqlTest, MissingBothColumnsFailsWithTheCombinedCode)
{
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT FieldID FROM MainTable", &out, 0),
              engine::code::kFieldNotFound);
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT Pathname FROM PathTable", &out, 1),
              engine::code::kFieldNotFound);
    EXPECT_TRUE(out.empty());
}

TEST_F(DirectSqlTest, NumbersBecomeDecimalText)
{
    StringList out;
    EXPECT_EQ(
        KaAVDBGetQueryFileList(
            db_, "SELECT FieldID + 1000 AS Filename FROM MainTable ORDER BY FieldID", &out, 1),
        S_OK);
    EXPECT_EQ(out, (StringList{"1001", "1002", "1003"}));
    out.clear();
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT -7 AS Pathname, 42 AS Filename", &out, 0), S_OK);
    EXPECT_EQ(out, (StringList{"-742"}));
}

TEST_F(DirectSqlTest, TwoCallsAppendTwice)
{
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, kPaths, &out, 0), S_OK);
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, kPaths, &out, 0), S_OK);
    EXPECT_EQ(out,
              (StringList{"/p/a.jpg", "/p/b.jpg", "/q/c.jpg", "/p/a.jpg", "/p/b.jpg", "/q/c.jpg"}));
}

TEST_F(DirectSqlTest, NullValueEndsTheWalkKeepingWhatWasAppended)
{
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "CREATE TABLE Names (ID AUTOINCREMENT PRIMARY KEY, "
                                    "Filename LONGTEXT)"),
              S_OK);
    for (const char* sql : {"INSERT INTO Names (Filename) VALUES (\"one\")",
                            "INSERT INTO Names (Filename) VALUES (NULL)",
                            "INSERT INTO Names (Filename) VALUES (\"three\")"}) {
        ASSERT_EQ(KaAVDBExecuteSQL(db_, sql), S_OK) << sql;
    }
    StringList out;
    HRESULT hr = KaAVDBGetQueryFileList(db_, "SELECT Filename FROM Names ORDER BY ID", &out, 1);
    EXPECT_LT(hr, 0);
    EXPECT_EQ(out, (StringList{"one"}));
    EXPECT_TRUE(errors().empty());
}

TEST_F(DirectSqlTest, JetTablesAreCreatedAndUsed)
{
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "CREATE TABLE Notes (NoteID AUTOINCREMENT PRIMARY KEY, "
                                    "Body LONGTEXT, Count INTEGER, Raw BINARY)"),
              S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "INSERT INTO Notes (Body, Count) VALUES (\"first\", 1)"), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "INSERT INTO Notes (Body, Count) VALUES (\"second\", 2)"),
              S_OK);
    StringList out;
    EXPECT_EQ(
        KaAVDBGetQueryFileList(
            db_, "SELECT Body & \":\" & NoteID AS Filename FROM Notes ORDER BY NoteID", &out, 1),
        S_OK);
    EXPECT_EQ(out, (StringList{"first:1", "second:2"}));
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "SELECT * FROM Notes"), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "DROP TABLE Notes"), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "SELECT * FROM Notes"), engine::code::kNoSuchTable);
}

TEST_F(DirectSqlTest, ATableThatTakesPartInAKeyCannotBeDropped)
{
    for (const char* table : {"People", "MainTable", "PathTable"}) {
        std::string drop = std::string("DROP TABLE ") + table;
        EXPECT_EQ(KaAVDBExecuteSQL(db_, drop.c_str()), engine::code::kConstraint) << table;
        StringList none;
        EXPECT_EQ(KaAVDBGetQueryFileList(db_, drop.c_str(), &none, 1), engine::code::kConstraint);
    }
    MetaDataList data;
    data.push_back(test::makeMeta("People", {{"Name", "Ann"}}));
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/d.jpg", &data, nullptr), S_OK);
    test::releaseTestTags(data);
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "CREATE TABLE Loose (a INTEGER)"), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "DROP TABLE Loose"), S_OK);
}

TEST_F(DirectSqlTest, ChangesRows)
{
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "UPDATE MainTable SET Comment = \"seen\" WHERE Filename = "
                                    "\"b.jpg\""),
              S_OK);
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT Filename FROM MainTable WHERE Comment = \"SEEN\"",
                                     &out, 1),
              S_OK);
    EXPECT_EQ(out, (StringList{"b.jpg"}));
}

TEST_F(DirectSqlTest, FailuresReturnTheEngineCodeSilently)
{
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "CREATE TABLEX Broken (A INTEGER)"), engine::code::kSyntax);
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELEC Filename FROM MainTable", &out, 1),
              engine::code::kSyntax);
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, "SELECT Filename FROM NoSuchTable", &out, 1),
              engine::code::kNoSuchTable);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(errors().empty());
}

TEST_F(DirectSqlTest, RefusesBadArguments)
{
    StringList out;
    EXPECT_EQ(KaAVDBGetQueryFileList(nullptr, kPaths, &out, 0), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, nullptr, &out, 0), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetQueryFileList(db_, kPaths, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(KaAVDBExecuteSQL(nullptr, "SELECT 1"), E_INVALIDARG);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, nullptr), E_INVALIDARG);
}

/* A statement may remove the folder the handle remembers. */
TEST_F(DirectSqlTest, StatementsForgetTheRememberedFolder)
{
    db_->LastPathID = 1;
    db_->LastPathname = "/p/";
    EXPECT_EQ(store::kaExecuteSql(db_, "DELETE FROM MainTable"), S_OK);
    EXPECT_EQ(db_->LastPathID, -1);
    EXPECT_TRUE(db_->LastPathname.empty());
}

} // namespace
} // namespace kavdb
