/*
 * Schema objects: tables from column specs, text columns that ignore case or compare
 * exactly, indexes, and foreign keys kept as triggers in the file.
 */
#include "store/engine/engine_fixture.h"
#include "store/engine/schema.h"

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

class SchemaTest : public EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        createTable(conn_, "PathTable",
                    {{"PathID", ColumnType::Int, kColAutoIncrement | kColPrimaryKey},
                     {"Pathname", ColumnType::Text, kColNullable},
                     {"Comment", ColumnType::Text, kColNullable}});
        createTable(conn_, "MainTable",
                    {{"FieldID", ColumnType::Int, kColAutoIncrement | kColPrimaryKey},
                     {"PathID", ColumnType::Int, kColNullable},
                     {"Filename", ColumnType::Text, kColNullable},
                     {"Thumbnail", ColumnType::Binary, kColNullable},
                     {"Required", ColumnType::Int, 0}});
    }

    void addPath(int id, const std::string& path)
    {
        conn_.execute("INSERT INTO PathTable (PathID, Pathname) VALUES (" + std::to_string(id) +
                      ", \"" + path + "\")");
    }
    HResult addMain(const std::string& pathId)
    {
        return codeOf([&] {
            conn_.execute("INSERT INTO MainTable (PathID, Filename, Required) VALUES (" + pathId +
                          ", 'a.jpg', 0)");
        });
    }
};

TEST_F(SchemaTest, TablesHaveTheirColumnsInOrder)
{
    EXPECT_TRUE(tableExists(conn_, "MainTable"));
    EXPECT_TRUE(tableExists(conn_, "maintable"));
    EXPECT_FALSE(tableExists(conn_, "Nothere"));
    EXPECT_EQ(columnNames(conn_, "MainTable"),
              (std::vector<std::string>{"FieldID", "PathID", "Filename", "Thumbnail", "Required"}));
    EXPECT_TRUE(columnNames(conn_, "Nothere").empty());
}

TEST_F(SchemaTest, TheAutoIncrementKeyIsTheRowKeyAndOtherColumnsFollowTheirFlags)
{
    Recordset rs(conn_, "SELECT * FROM MainTable", Cursor::ForwardOnly);
    rs.addNew({"Required"}, {Value::integer(1)});
    EXPECT_EQ(rs.get("FieldID").asInt(), 1);
    rs.addNew({"Required", "Thumbnail"}, {Value::integer(1), Value::bytes({1, 2})});
    EXPECT_EQ(rs.get("FieldID").asInt(), 2);
    EXPECT_EQ(rs.get("Thumbnail").asBytes(), (Bytes{1, 2}));
    EXPECT_EQ(codeOf([&] { rs.addNew({"Filename"}, {Value::text("x")}); }), code::kConstraint);
    EXPECT_EQ(codeOf([&] {
                  createTable(conn_, "MainTable", {{"x", ColumnType::Int, 0}});
              }),
              code::kSyntax);
    EXPECT_EQ(codeOf([&] {
                  createTable(conn_, "Bad", {{"x", ColumnType::None, 0}});
              }),
              code::kInvalidArg);
    EXPECT_EQ(codeOf([&] { createTable(conn_, "Bad", {}); }), code::kInvalidArg);
}

TEST_F(SchemaTest, TextComparesIgnoringCaseExceptFileNames)
{
    addPath(1, "/Photos/");
    conn_.execute("INSERT INTO PathTable (Pathname, Comment) VALUES ('/x/', 'Holiday')");
    conn_.execute("INSERT INTO MainTable (PathID, Filename, Required) VALUES (1, 'IMG.jpg', 0)");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PathTable WHERE Comment = 'HOLIDAY'").toInt(), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PathTable WHERE Pathname = '/photos/'").toInt(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PathTable WHERE Pathname = '/Photos/'").toInt(), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MainTable WHERE Filename = 'img.JPG'").toInt(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MainTable WHERE Filename = 'IMG.jpg'").toInt(), 1);
}

TEST_F(SchemaTest, IndexesAreCreatedOnceAndTheRowKeyNeedsNone)
{
    createIndex(conn_, "PathTable_Pathname", "PathTable", {"Pathname"});
    createIndex(conn_, "PathTable_Pathname", "PathTable", {"Pathname"});
    createIndex(conn_, "MainTable_PathFile", "MainTable", {"PathID", "Filename"});
    createIndex(conn_, "MainTable", "MainTable", {"FieldID"}); // a key index named as its table
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND "
                     "tbl_name IN ('PathTable', 'MainTable') AND sql IS NOT NULL")
                  .toInt(),
              2);
    EXPECT_EQ(codeOf([&] { createIndex(conn_, "i", "MainTable", {"Nothere"}); }),
              code::kUnknownColumn);
}

class KeyTest : public SchemaTest {
  protected:
    void SetUp() override
    {
        SchemaTest::SetUp();
        addPath(1, "/a/");
        addPath(2, "/b/");
        addForeignKey(conn_, "MainPath", "MainTable", "PathID", "PathTable", "PathID");
    }
};

TEST_F(KeyTest, AChildValueMustNameAParentRow)
{
    EXPECT_EQ(addMain("1"), 0);
    EXPECT_EQ(addMain("NULL"), 0); // no value, nothing to refer to
    EXPECT_EQ(addMain("7"), code::kConstraint);
    EXPECT_EQ(codeOf([&] { conn_.execute("UPDATE MainTable SET PathID = 9 WHERE PathID = 1"); }),
              code::kConstraint);
    conn_.execute("UPDATE MainTable SET PathID = 2 WHERE PathID = 1");
    EXPECT_EQ(count("MainTable"), 2);
}

TEST_F(KeyTest, AReferredParentRowCannotBeDeleted)
{
    addMain("1");
    try {
        conn_.execute("DELETE FROM PathTable WHERE PathID = 1");
        FAIL() << "deleted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::kConstraint);
        EXPECT_NE(e.description().find("MainPath"), std::string::npos);
    }
    conn_.execute("DELETE FROM PathTable WHERE PathID = 2");
    EXPECT_EQ(count("PathTable"), 1);
    Recordset rs(conn_, "SELECT * FROM PathTable", Cursor::Keyset);
    EXPECT_EQ(codeOf([&] { rs.deleteCurrent(); }), code::kConstraint);
    EXPECT_EQ(rs.status(), 0);
}

TEST_F(KeyTest, AChangedParentKeyCascadesToItsChildren)
{
    addMain("1");
    addMain("1");
    conn_.execute("UPDATE PathTable SET PathID = 10 WHERE PathID = 1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM MainTable WHERE PathID = 10").toInt(), 2);
}

TEST_F(KeyTest, KeysLiveInTheFile)
{
    conn_.close();
    Connection other;
    other.open(dbPath_);
    EXPECT_EQ(
        codeOf([&] { other.execute("INSERT INTO MainTable (PathID, Required) VALUES (5, 0)"); }),
        code::kConstraint);
}

TEST_F(KeyTest, AKeyCanBeAddedToATableThatHoldsRows)
{
    native("CREATE TABLE Meta (DataID INTEGER PRIMARY KEY AUTOINCREMENT, Title TEXT)");
    native("INSERT INTO Meta (Title) VALUES ('t')");
    native("ALTER TABLE MainTable ADD COLUMN DataID1 INTEGER");
    native("INSERT INTO MainTable (PathID, Filename, Required, DataID1) VALUES (1, 'x', 0, 1)");
    native("INSERT INTO MainTable (PathID, Filename, Required, DataID1) VALUES (1, 'y', 0, 99)");
    addForeignKey(conn_, "MainDataID1", "MainTable", "DataID1", "Meta", "DataID");
    // Rows that were there stay as they are; new ones are checked.
    EXPECT_EQ(count("MainTable"), 2);
    EXPECT_EQ(codeOf([&] { native("INSERT INTO MainTable (Required, DataID1) VALUES (0, 42)"); }),
              code::kConstraint);
    EXPECT_EQ(codeOf([&] { native("DELETE FROM Meta"); }), code::kConstraint);
}

TEST_F(KeyTest, AKeyOnMissingTablesOrColumnsIsRefusedWhole)
{
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "K1", "MainTable", "Nothere", "PathTable", "PathID"); }),
        code::kUnknownColumn);
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "K2", "MainTable", "PathID", "Nothere", "PathID"); }),
        code::kNoSuchTable);
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "", "MainTable", "PathID", "PathTable", "PathID"); }),
        code::kInvalidArg);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND "
                     "(name LIKE 'K1%' OR name LIKE 'K2%')")
                  .toInt(),
              0);
    EXPECT_NE(codeOf([&] {
                  addForeignKey(conn_, "MainPath", "MainTable", "PathID", "PathTable", "PathID");
              }),
              0); // the same key twice
}

} // namespace
} // namespace kavdb::engine::test
