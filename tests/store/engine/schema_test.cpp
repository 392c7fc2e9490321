/*
 * Schema objects: tables from column specs, text columns that ignore case or compare
 * exactly, indexes, and foreign keys kept as triggers in the file.
 */
#include "store/engine/engine_fixture.h"
#include "store/engine/schema.h"

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
        conn_.execute("INSERT INTO PathTable (PathID, Pathname, Comment) VALUES (1, '/Photos/', "
                      "'Holiday')");
        conn_.execute("INSERT INTO PathTable (PathID, Pathname) VALUES (2, '/b/')");
    }
    HResult addMain(const std::string& pathId)
    {
        return codeOfSql("INSERT INTO MainTable (PathID, Filename, Required) VALUES (" + pathId +
                         ", 'IMG.jpg', 0)");
    }
    long where(const std::string& table, const std::string& condition)
    {
        return scalar("SELECT COUNT(*) FROM " + table + " WHERE " + condition).toInt();
    }
};

TEST_F(SchemaTest, TablesHaveTheirColumnsKeysAndCollations)
{
    EXPECT_TRUE(conn_.driver().tableExists("maintable"));
    EXPECT_FALSE(conn_.driver().tableExists("Nothere"));
    EXPECT_EQ(conn_.driver().columnNames("MainTable"),
              (std::vector<std::string>{"FieldID", "PathID", "Filename", "Thumbnail", "Required"}));
    EXPECT_TRUE(conn_.driver().columnNames("Nothere").empty());
    insertRow(conn_, "MainTable", {"Required"}, {Value::integer(1)});
    EXPECT_EQ(insertRow(conn_, "MainTable", {"Required", "Thumbnail"},
                        {Value::integer(1), Value::bytes({1, 2})}, "FieldID"),
              Value::integer(2)); // the auto-increment key is the row key
    EXPECT_EQ(codeOf([&] { insertRow(conn_, "MainTable", {"Filename"}, {Value::text("x")}); }),
              code::kConstraint);
    EXPECT_EQ(codeOf([&] {
                  createTable(conn_, "MainTable", {{"x", ColumnType::Int, 0}});
              }),
              code::kSyntax);
    EXPECT_EQ(codeOf([&] {
                  createTable(conn_, "Bad", {{"x", ColumnType::None, 0}});
              }),
              code::kInvalidArg);
    EXPECT_EQ(codeOf([&] { createTable(conn_, "Bad", {}); }), code::kInvalidArg);
    addMain("1");
    EXPECT_EQ(where("PathTable", "Comment = 'HOLIDAY'"), 1);
    EXPECT_EQ(where("PathTable", "Pathname = '/photos/'"), 0);
    EXPECT_EQ(where("MainTable", "Filename = 'img.JPG'") * 10 + where("MainTable", "Filename = "
                                                                                   "'IMG.jpg'"),
              1);
}

TEST_F(SchemaTest, SqliteIndexesAreCreatedOnceAndTheRowKeyNeedsNone)
{
    createIndex(conn_, "PathTable_Pathname", "PathTable", {"Pathname"});
    createIndex(conn_, "PathTable_Pathname", "PathTable", {"Pathname"});
    createIndex(conn_, "MainTable_PathFile", "MainTable", {"PathID", "Filename"});
    createIndex(conn_, "MainTable", "MainTable", {"FieldID"}); // a key index named as its table
    EXPECT_EQ(where("sqlite_master", "type = 'index' AND sql IS NOT NULL"), 2);
    EXPECT_EQ(codeOf([&] { createIndex(conn_, "i", "MainTable", {"Nothere"}); }),
              code::kUnknownColumn);
}

TEST_F(SchemaTest, KeysAreEnforcedByTheSqliteFileItself)
{
    addForeignKey(conn_, "MainPath", "MainTable", "PathID", "PathTable", "PathID");
    EXPECT_EQ(addMain("1") + addMain("1") + addMain("NULL"), 0);
    EXPECT_EQ(addMain("7"), code::kConstraint); // a child value must name a parent row
    EXPECT_EQ(codeOfSql("UPDATE MainTable SET PathID = 9 WHERE PathID = 1"), code::kConstraint);
    try {
        conn_.execute("DELETE FROM PathTable WHERE PathID = 1");
        ADD_FAILURE() << "a referred parent row was deleted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::kConstraint);
        EXPECT_NE(e.description().find("MainPath"), std::string::npos);
    }
    conn_.execute("DELETE FROM PathTable WHERE PathID = 2");
    conn_.execute("UPDATE PathTable SET PathID = 10 WHERE PathID = 1"); // cascades
    EXPECT_EQ(where("MainTable", "PathID = 10"), 2);
    // Keys on missing tables or columns are refused whole; a key cannot be made twice.
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "K1", "MainTable", "Nothere", "PathTable", "PathID"); }),
        code::kUnknownColumn);
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "K2", "MainTable", "PathID", "Nothere", "PathID"); }),
        code::kNoSuchTable);
    EXPECT_EQ(
        codeOf([&] { addForeignKey(conn_, "", "MainTable", "PathID", "PathTable", "PathID"); }),
        code::kInvalidArg);
    EXPECT_EQ(where("sqlite_master", "type = 'trigger' AND name LIKE 'K%'"), 0);
    EXPECT_NE(codeOf([&] {
                  addForeignKey(conn_, "MainPath", "MainTable", "PathID", "PathTable", "PathID");
              }),
              0);
    // A key can be added to a table that holds rows: those stay, new ones are checked.
    native("CREATE TABLE Meta (DataID INTEGER PRIMARY KEY AUTOINCREMENT, Title TEXT)");
    native("INSERT INTO Meta (Title) VALUES ('t')");
    native("ALTER TABLE MainTable ADD COLUMN DataID1 INTEGER");
    native("INSERT INTO MainTable (Required, DataID1) VALUES (0, 99)");
    native("INSERT INTO MainTable (Required, DataID1) VALUES (0, 1)");
    addForeignKey(conn_, "MainDataID1", "MainTable", "DataID1", "Meta", "DataID");
    EXPECT_EQ(count("MainTable"), 5);
    conn_.close();
    Connection other; // the keys live in the file
    other.open(dbPath_);
    EXPECT_EQ(
        codeOf([&] { other.execute("INSERT INTO MainTable (Required, DataID1) VALUES (0, 42)"); }),
        code::kConstraint);
    EXPECT_EQ(codeOf([&] { other.execute("DELETE FROM Meta"); }), code::kConstraint);
    EXPECT_EQ(
        codeOf([&] { other.execute("INSERT INTO MainTable (PathID, Required) VALUES (5, 0)"); }),
        code::kConstraint);
}

} // namespace
} // namespace kavdb::engine::test
