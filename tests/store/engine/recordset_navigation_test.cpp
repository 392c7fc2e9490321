/*
 * Recordset positions and reads: ADO's BOF/EOF rules, relative moves, exact keyset
 * counts, field look-up, value kinds, keyset membership, and statements that are not a
 * plain single-table select.
 */
#include "store/engine/engine_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavdb::engine::test {
namespace {

using NavigationTest = FilesTest;

/* Filenames of every row from the first, walking with moveNext. */
std::vector<std::string> walk(Recordset& rs)
{
    std::vector<std::string> names;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        names.push_back(rs.get("Filename").asText());
    }
    return names;
}

TEST_F(NavigationTest, OpenStandsOnTheFirstRow)
{
    addFile(1, "a.jpg");
    addFile(1, "b.jpg");
    for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
        Recordset rs(conn_, "SELECT * FROM Files", type);
        EXPECT_FALSE(rs.bof());
        EXPECT_FALSE(rs.eof());
        EXPECT_EQ(rs.get("Filename").asText(), "a.jpg");
        rs.moveNext();
        EXPECT_EQ(rs.get("Filename").asText(), "b.jpg");
        rs.moveNext();
        EXPECT_TRUE(rs.eof());
        EXPECT_EQ(codeOf([&] { rs.moveNext(); }), code::kNoCurrentRow);
        EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kNoCurrentRow);
    }
}

TEST_F(NavigationTest, AnEmptyResultIsBothBofAndEof)
{
    for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
        Recordset rs(conn_, "SELECT * FROM Files WHERE PathID = 99", type);
        EXPECT_TRUE(rs.bof());
        EXPECT_TRUE(rs.eof());
        rs.moveFirst(); // harmless
        EXPECT_TRUE(rs.eof());
        EXPECT_EQ(codeOf([&] { rs.moveNext(); }), code::kNoCurrentRow);
        EXPECT_EQ(codeOf([&] { rs.status(); }), code::kNoCurrentRow);
    }
}

TEST_F(NavigationTest, KeysetMovesRelativelyAndStopsAtTheEnds)
{
    addFiles(5);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(3);
    EXPECT_EQ(rs.get("Filename").asText(), "f0003.jpg");
    rs.move(-2);
    EXPECT_EQ(rs.get("Filename").asText(), "f0001.jpg");
    rs.move(0);
    EXPECT_EQ(rs.get("Filename").asText(), "f0001.jpg");
    rs.move(-5);
    EXPECT_TRUE(rs.bof());
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(codeOf([&] { rs.move(-1); }), code::kNoCurrentRow);
    rs.moveNext(); // from BOF to the first row
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    rs.move(10);
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(codeOf([&] { rs.move(1); }), code::kNoCurrentRow);
    rs.moveFirst();
    rs.move(4);
    EXPECT_EQ(rs.get("Filename").asText(), "f0004.jpg");
}

TEST_F(NavigationTest, ForwardOnlyMovesForwardAndStartsAgainOnMoveFirst)
{
    addFiles(4);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::ForwardOnly);
    EXPECT_EQ(rs.recordCount(), -1);
    rs.move(2);
    EXPECT_EQ(rs.get("Filename").asText(), "f0002.jpg");
    EXPECT_EQ(codeOf([&] { rs.move(-1); }), code::kFail);
    rs.moveFirst();
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    EXPECT_EQ(walk(rs).size(), 4u);
    rs.moveFirst();
    rs.move(9);
    EXPECT_TRUE(rs.eof());
}

TEST_F(NavigationTest, KeysetRecordCountIsExact)
{
    addFiles(37);
    Recordset all(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_EQ(all.recordCount(), 37);
    Recordset some(conn_, "SELECT FieldID FROM Files WHERE FieldID > 30", Cursor::Keyset);
    EXPECT_EQ(some.recordCount(), 7);
    Recordset top(conn_, "SELECT TOP 5 * FROM Files ORDER BY Filename DESC", Cursor::Keyset);
    EXPECT_EQ(top.recordCount(), 5);
    EXPECT_EQ(top.get("Filename").asText(), "f0036.jpg");
}

TEST_F(NavigationTest, OrderIsTheStatementsOrderWhicheverWayRowsAreRead)
{
    addFiles(40);
    // Served by the (PathID, Filename) index, and by a sort of their own.
    for (const char* order : {"Filename DESC", "Comment DESC, FieldID"}) {
        SCOPED_TRACE(order);
        Recordset rs(conn_, std::string("SELECT * FROM Files WHERE PathID = 1 ORDER BY ") + order,
                     Cursor::Keyset);
        auto names = walk(rs);
        ASSERT_EQ(names.size(), 40u);
        Recordset reference(
            conn_, std::string("SELECT Filename FROM Files WHERE PathID = 1 ORDER BY ") + order,
            Cursor::ForwardOnly);
        EXPECT_EQ(names, walk(reference));
    }
}

TEST_F(NavigationTest, FieldsAreFoundIgnoringCase)
{
    addFile(4, "a.jpg", "note");
    Recordset rs(conn_, "SELECT FieldID, filename, Comment AS Remark FROM Files", Cursor::Keyset);
    EXPECT_EQ(rs.fieldCount(), 3);
    EXPECT_EQ(rs.fieldName(0), "FieldID");
    EXPECT_EQ(rs.fieldName(1), "Filename"); // as the table declares it
    EXPECT_EQ(rs.fieldName(2), "Remark");
    EXPECT_TRUE(rs.hasField("FILENAME"));
    EXPECT_FALSE(rs.hasField("Comment"));
    EXPECT_EQ(rs.get("REMARK").asText(), "note");
    EXPECT_EQ(rs.get("Filename").asText(), "a.jpg");
    EXPECT_EQ(codeOf([&] { rs.get("PathID"); }), code::kFieldNotFound);
    EXPECT_EQ(codeOf([&] { rs.fieldName(3); }), code::kFieldNotFound);
}

TEST_F(NavigationTest, ColumnValuesArriveAsEngineValues)
{
    native("PRAGMA ignore_check_constraints = ON"); // values an older catalogue may hold
    native("INSERT INTO Files (PathID, Filename, Comment, Thumb, Marking) "
           "VALUES (NULL, 'a.jpg', 'text', x'0102', 5000000000)");
    native("INSERT INTO Files (PathID, Filename, Thumb, Marking) VALUES (2.0, 'b', x'', 2.5)");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_TRUE(rs.get("PathID").isNull());
    EXPECT_EQ(rs.get("Filename").asText(), "a.jpg");
    EXPECT_EQ(rs.get("Thumb").asBytes(), (Bytes{1, 2}));
    EXPECT_EQ(rs.get("Marking").asText(), "5000000000"); // beyond 32 bits: its text
    rs.moveNext();
    EXPECT_EQ(rs.get("PathID").asInt(), 2);
    EXPECT_EQ(rs.get("Thumb").kind(), 0x2011);
    EXPECT_TRUE(rs.get("Thumb").asBytes().empty());
    EXPECT_EQ(rs.get("Marking").asText(), "2.5");
}

TEST_F(NavigationTest, ActualSizeAndChunksReadTheBytes)
{
    native("INSERT INTO Files (Filename, Thumb) VALUES ('a.jpg', x'0A0B0C0D0E')");
    native("INSERT INTO Files (Filename) VALUES ('b.jpg')");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_EQ(rs.actualSize("Thumb"), 5);
    EXPECT_EQ(rs.actualSize("Filename"), 5);
    EXPECT_EQ(rs.getChunk("Thumb", 5).asBytes(), (Bytes{10, 11, 12, 13, 14}));
    EXPECT_EQ(rs.getChunk("Thumb", 2).asBytes(), (Bytes{10, 11}));
    EXPECT_EQ(rs.getChunk("Thumb", 99).asBytes().size(), 5u);
    EXPECT_EQ(rs.getChunk("Filename", 1).asBytes(), (Bytes{'a'}));
    rs.moveNext();
    EXPECT_EQ(rs.actualSize("Thumb"), 0);
    EXPECT_TRUE(rs.getChunk("Thumb", 4).isNull());
}

TEST_F(NavigationTest, KeysetReadsValuesOnDemand)
{
    addFiles(20);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    conn_.execute("UPDATE Files SET Comment = 'changed' WHERE FieldID = 15");
    rs.move(14);
    EXPECT_EQ(rs.get("Comment").asText(), "changed");
}

TEST_F(NavigationTest, KeysetMembershipIsFixedAtOpen)
{
    addFiles(20);
    Recordset rs(conn_, "SELECT * FROM Files WHERE PathID = 1", Cursor::Keyset);
    addFile(1, "late.jpg");
    conn_.execute("DELETE FROM Files WHERE FieldID = 2");
    conn_.execute("UPDATE Files SET PathID = 7 WHERE FieldID = 3");
    EXPECT_EQ(rs.recordCount(), 20);
    rs.moveNext();
    EXPECT_EQ(rs.status(), kRowDeleted); // deleted by another statement
    EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kNoCurrentRow);
    rs.moveNext();
    EXPECT_EQ(rs.status(), 0);
    EXPECT_EQ(rs.get("PathID").asInt(), 7); // still a member, with its new value
    long seen = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        seen += rs.status() == 0 ? 1 : 0;
    }
    EXPECT_EQ(seen, 19);
}

TEST_F(NavigationTest, AWholeTableWalkLeavesOutRowsAddedAfterOpen)
{
    addFiles(30);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(10); // keys taken only as far as the walk went
    addFile(1, "late.jpg");
    std::vector<std::string> names;
    for (; !rs.eof(); rs.moveNext()) {
        names.push_back(rs.get("Filename").asText());
    }
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names.back(), "f0029.jpg");
    EXPECT_EQ(rs.recordCount(), 30);
    EXPECT_EQ(walk(rs).size(), 30u);
}

TEST_F(NavigationTest, AWholeTableWalkCountsAndJumpsBeforeReadingRows)
{
    addFiles(50);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(3);
    EXPECT_EQ(rs.get("Filename").asText(), "f0003.jpg");
    rs.move(40);
    EXPECT_EQ(rs.get("Filename").asText(), "f0043.jpg");
    EXPECT_EQ(rs.recordCount(), 50);
    rs.move(-43);
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    rs.move(49);
    EXPECT_EQ(rs.get("Filename").asText(), "f0049.jpg");
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
}

TEST_F(NavigationTest, AWholeTableWalkAddsItsOwnRowsAtTheEnd)
{
    addFiles(20);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(5);
    rs.addNew({"Filename"}, {Value::text("own.jpg")});
    EXPECT_EQ(rs.recordCount(), 21);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    auto names = walk(rs);
    ASSERT_EQ(names.size(), 21u);
    EXPECT_EQ(names[19], "f0019.jpg");
    EXPECT_EQ(names[20], "own.jpg");
}

TEST_F(NavigationTest, AWholeTableWalkNeverReachesRowsDeletedBeforeIt)
{
    addFiles(30);
    Recordset rs(conn_, "SELECT FieldID, Filename FROM Files", Cursor::Keyset);
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    conn_.execute("DELETE FROM Files WHERE FieldID IN (5, 6, 7, 20)");
    long live = 0;
    for (; !rs.eof(); rs.moveNext()) {
        live += rs.status() == 0 ? 1 : 0;
    }
    EXPECT_EQ(live, 26);
    EXPECT_EQ(rs.recordCount(), 26);
}

TEST_F(NavigationTest, AnEmptyTableIsBothBofAndEof)
{
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.recordCount(), 0);
    rs.addNew({"Filename"}, {Value::text("first.jpg")});
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(walk(rs), std::vector<std::string>{"first.jpg"});
}

TEST_F(NavigationTest, JoinsAndAggregatesAreReadOnlyRowsOfTheirOwn)
{
    native("CREATE TABLE Paths (PathID INTEGER PRIMARY KEY, Pathname TEXT)");
    native("INSERT INTO Paths VALUES (1, '/p/')");
    addFile(1, "a.jpg");
    addFile(1, "b.jpg");
    Recordset join(conn_,
                   "SELECT Paths.Pathname, Files.Filename FROM Paths, Files "
                   "WHERE Paths.PathID = Files.PathID ORDER BY Files.Filename",
                   Cursor::Keyset);
    EXPECT_EQ(join.recordCount(), 2);
    EXPECT_EQ(join.get("Pathname").asText(), "/p/");
    join.moveNext();
    EXPECT_EQ(join.get("Filename").asText(), "b.jpg");
    EXPECT_EQ(codeOf([&] { join.put("Filename", Value::text("x")); }), code::kFail);
    EXPECT_EQ(codeOf([&] { join.deleteCurrent(); }), code::kFail);
    EXPECT_EQ(codeOf([&] { join.addNew({"Filename"}, {Value::text("x")}); }), code::kFail);
    Recordset total(conn_, "SELECT COUNT(*) AS n, MAX(Filename) AS last FROM Files",
                    Cursor::ForwardOnly);
    EXPECT_EQ(total.get("n").asInt(), 2);
    EXPECT_EQ(total.get("last").asText(), "b.jpg");
    Recordset distinct(conn_, "SELECT DISTINCT PathID FROM Files", Cursor::Keyset);
    EXPECT_EQ(distinct.recordCount(), 1);
}

TEST_F(NavigationTest, AStatementWithoutRowsRunsAtOpenAndLeavesTheRecordsetClosed)
{
    addFile(1, "a.jpg");
    Recordset rs(conn_, "DELETE FROM Files WHERE Filename = \"a.jpg\"", Cursor::Keyset);
    EXPECT_FALSE(rs.isOpen());
    EXPECT_EQ(codeOf([&] { rs.close(); }), code::kObjectClosed);
    EXPECT_EQ(count("Files"), 0);
    Recordset ddl(conn_, "CREATE TABLE Extra (DataID AUTOINCREMENT PRIMARY KEY, Item1 TEXT)",
                  Cursor::Keyset);
    EXPECT_FALSE(ddl.isOpen());
    EXPECT_EQ(count("Extra"), 0);
    EXPECT_EQ(codeOf([&] { Recordset none(conn_, " ;; ", Cursor::Keyset); }), code::kSyntax);
}

TEST_F(NavigationTest, AClosedRecordsetRefusesEverything)
{
    addFile(1, "a.jpg");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_EQ(codeOf([&] { rs.close(); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { rs.eof(); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { rs.moveFirst(); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { rs.fieldCount(); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { rs.addNew({}, {}); }), code::kObjectClosed);
}

TEST_F(NavigationTest, ClosingTheConnectionClosesItsRecordsets)
{
    addFiles(30);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(20); // mid-walk, statements held
    conn_.close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kObjectClosed);
}

} // namespace
} // namespace kavdb::engine::test
