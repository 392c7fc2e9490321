/*
 * Recordset changes: rows added at once and stood on, values put and kept, rows deleted
 * and stepped past, and find over live rows.
 */
#include "store/engine/engine_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavdb::engine::test {
namespace {

using ChangesTest = FilesTest;

/* The committed value of one column of one row, as another connection reads it. */
Value committed(const std::string& db, const std::string& sql)
{
    Connection other;
    other.open(db);
    Recordset rs(other, sql, Cursor::Keyset);
    return rs.eof() ? Value() : rs.get(rs.fieldName(0));
}

TEST_F(ChangesTest, AddNewStoresTheRowAtOnceAndStandsOnIt)
{
    for (Cursor type : {Cursor::ForwardOnly, Cursor::Keyset}) {
        Recordset rs(conn_, "SELECT * FROM Files", type);
        rs.addNew({"FieldID", "PathID", "Filename", "Comment"},
                  {Value(), Value::integer(3), Value::text("new.jpg"), Value()});
        int32_t id = rs.get("FieldID").asInt();
        EXPECT_GT(id, 0);
        EXPECT_EQ(rs.get("Filename").asText(), "new.jpg");
        EXPECT_TRUE(rs.get("Comment").isNull()); // left empty: filled by the engine
        EXPECT_EQ(
            committed(dbPath_, "SELECT Filename FROM Files WHERE FieldID = " + std::to_string(id))
                .asText(),
            "new.jpg");
    }
    EXPECT_EQ(count("Files"), 2);
}

TEST_F(ChangesTest, KeysLeftEmptyAreFilledInOrder)
{
    Recordset rs(conn_, "SELECT * FROM Files WHERE PathID = 5", Cursor::ForwardOnly);
    rs.addNew({"FieldID", "Filename"}, {Value(), Value::text("a")});
    int32_t first = rs.get("FieldID").asInt();
    rs.addNew({"FieldID", "Filename"}, {Value(), Value::text("b")});
    int32_t second = rs.get("FieldID").asInt();
    rs.addNew({}, {}); // every value left to the engine
    int32_t third = rs.get("FieldID").asInt();
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, second + 1);
    EXPECT_TRUE(rs.get("Filename").isNull());
}

TEST_F(ChangesTest, KeysetAddNewJoinsTheKeyset)
{
    addFiles(3);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.addNew({"Filename"}, {Value::text("z.jpg")});
    EXPECT_EQ(rs.recordCount(), 4);
    EXPECT_EQ(rs.get("Filename").asText(), "z.jpg");
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
}

TEST_F(ChangesTest, AddNewFailuresRaise)
{
    native("CREATE TABLE Strict (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL)");
    Recordset rs(conn_, "SELECT * FROM Strict", Cursor::ForwardOnly);
    EXPECT_EQ(codeOf([&] { rs.addNew({"nothere"}, {Value::integer(1)}); }), code::kUnknownColumn);
    EXPECT_EQ(codeOf([&] { rs.addNew({"name"}, {Value::null()}); }), code::kConstraint);
    EXPECT_EQ(codeOf([&] { rs.addNew({"name", "id"}, {Value::text("x")}); }), code::kInvalidArg);
    EXPECT_EQ(count("Strict"), 0);
    rs.addNew({"name"}, {Value::text("ok")});
    EXPECT_EQ(rs.get("id").asInt(), 1);
}

TEST_F(ChangesTest, AddNewStoresEveryKindOfValue)
{
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::ForwardOnly);
    rs.addNew({"PathID", "Filename", "Thumb", "Marking"},
              {Value::integer(-4), Value::text("q\"'.jpg"), Value::bytes({0, 255, 7}),
               Value::boolean(true)});
    EXPECT_EQ(rs.get("PathID").asInt(), -4);
    EXPECT_EQ(rs.get("Filename").asText(), "q\"'.jpg");
    EXPECT_EQ(rs.get("Thumb").asBytes(), (Bytes{0, 255, 7}));
    EXPECT_EQ(rs.get("Marking").asInt(), -1); // Jet's True
}

TEST_F(ChangesTest, ANumberColumnKeepsTheExactDoubleAndOnlyItReadsAsOne)
{
    // Made as an older catalogue made its tables: no check keeps 2.5 out of i.
    native("CREATE TABLE Nums (id INTEGER PRIMARY KEY AUTOINCREMENT, n REAL, i INTEGER)");
    const double sum = 0.1 + 0.2; // no short text reads back as this double
    Recordset rs(conn_, "SELECT * FROM Nums", Cursor::Keyset);
    rs.addNew({"n", "i"}, {Value::real(sum), Value::real(2.5)});
    rs.addNew({"n"}, {Value::real(50)});
    Recordset back(conn_, "SELECT * FROM Nums WHERE n > 3", Cursor::Keyset);
    ASSERT_EQ(back.recordCount(), 1);
    EXPECT_EQ(back.get("n"), Value::real(50)); // whole, and still a number
    back.put("n", Value::real(-7.5));
    back.update();
    EXPECT_EQ(committed(dbPath_, "SELECT n FROM Nums WHERE n < 0"), Value::real(-7.5));
    EXPECT_EQ(committed(dbPath_, "SELECT n FROM Nums WHERE n < 1 AND n > 0"), Value::real(sum));
    EXPECT_EQ(committed(dbPath_, "SELECT i FROM Nums WHERE i > 2"), Value::text("2.5"));
}

TEST_F(ChangesTest, APutValueIsKeptWhenTheCursorMovesOffTheRow)
{
    addFiles(3);
    {
        Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
        rs.put("Comment", Value::text("first"));
        EXPECT_EQ(rs.get("Comment").asText(), "first"); // read back before it is written
        rs.moveNext();                                  // no update: kept on the move
        rs.put("Comment", Value::text("second"));
        rs.update();
        rs.moveNext();
        rs.put("Comment", Value()); // empty is stored as Null
        rs.put("Marking", Value::integer(9));
    } // and on going away
    Recordset check(conn_, "SELECT Comment, Marking FROM Files ORDER BY FieldID", Cursor::Keyset);
    EXPECT_EQ(check.get("Comment").asText(), "first");
    check.moveNext();
    EXPECT_EQ(check.get("Comment").asText(), "second");
    check.moveNext();
    EXPECT_TRUE(check.get("Comment").isNull());
    EXPECT_EQ(check.get("Marking").asInt(), 9);
}

TEST_F(ChangesTest, ForwardOnlyRowsTakeChangesToo)
{
    addFiles(2);
    Recordset rs(conn_, "SELECT Filename, Comment FROM Files", Cursor::ForwardOnly);
    rs.put("Comment", Value::text("edited"));
    rs.update();
    EXPECT_EQ(rs.get("Comment").asText(), "edited"); // read again by its key
    rs.moveNext();
    rs.deleteCurrent();
    EXPECT_EQ(rs.status(), kRowDeleted);
    rs.close();
    EXPECT_EQ(count("Files"), 1);
    EXPECT_EQ(scalar("SELECT Comment FROM Files").asText(), "edited");
}

TEST_F(ChangesTest, PutIsRefusedWithoutARowOrOnAComputedField)
{
    addFile(1, "a.jpg");
    Recordset rs(conn_, "SELECT Filename, PathID + 1 AS Next FROM Files", Cursor::Keyset);
    EXPECT_EQ(codeOf([&] { rs.put("Next", Value::integer(1)); }), code::kFail);
    EXPECT_EQ(codeOf([&] { rs.put("Nothere", Value::integer(1)); }), code::kFieldNotFound);
    rs.moveNext();
    EXPECT_EQ(codeOf([&] { rs.put("Filename", Value::text("x")); }), code::kNoCurrentRow);
}

TEST_F(ChangesTest, AnAliasedFieldWritesItsColumn)
{
    addFile(1, "a.jpg");
    Recordset rs(conn_, "SELECT Filename AS Name FROM Files", Cursor::Keyset);
    rs.put("Name", Value::text("b.jpg"));
    rs.close();
    EXPECT_EQ(scalar("SELECT Filename FROM Files").asText(), "b.jpg");
}

TEST_F(ChangesTest, AFailedWriteRaisesAndIsNotRetried)
{
    native("CREATE TABLE Strict (id INTEGER PRIMARY KEY, name TEXT NOT NULL)");
    native("INSERT INTO Strict (name) VALUES ('a'), ('b')");
    Recordset rs(conn_, "SELECT * FROM Strict", Cursor::Keyset);
    rs.put("name", Value::null());
    EXPECT_EQ(codeOf([&] { rs.moveNext(); }), code::kConstraint);
    rs.moveNext();
    EXPECT_EQ(rs.get("name").asText(), "b");
}

TEST_F(ChangesTest, DeletedRowsKeepTheirPlaceWithStatusDeleted)
{
    addFiles(4);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.moveNext();
    rs.deleteCurrent();
    rs.update(); // nothing pending: harmless on a deleted row
    EXPECT_EQ(rs.status(), kRowDeleted);
    EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kNoCurrentRow);
    EXPECT_EQ(codeOf([&] { rs.deleteCurrent(); }), code::kNoCurrentRow);
    EXPECT_EQ(rs.recordCount(), 4);
    rs.moveFirst();
    EXPECT_EQ(rs.status(), 0);
    rs.moveNext();
    EXPECT_EQ(rs.status(), kRowDeleted); // navigation steps onto it like any row
    rs.moveNext();
    EXPECT_EQ(rs.get("Filename").asText(), "f0002.jpg");
    EXPECT_EQ(count("Files"), 3);
}

TEST_F(ChangesTest, DeletingEveryRowWhileWalking)
{
    addFiles(25);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        rs.deleteCurrent();
        rs.update();
    }
    EXPECT_EQ(count("Files"), 0);
}

TEST_F(ChangesTest, ChangingRowsWhileWalkingReachesEveryRowOnce)
{
    addFiles(60);
    Recordset rs(conn_, "SELECT * FROM Files WHERE PathID = 1 ORDER BY Filename", Cursor::Keyset);
    long walked = 0;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        int32_t id = rs.get("FieldID").asInt();
        if (id % 3 == 0) {
            rs.put("PathID", Value::integer(2)); // leaves the statement's rows
        } else if (id % 3 == 1) {
            rs.put("Filename", Value::text("z" + rs.get("Filename").asText())); // moves in order
        }
        ++walked;
    }
    EXPECT_EQ(walked, 60);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Files WHERE PathID = 2").toInt(), 20);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Files WHERE Filename LIKE 'zf%'").toInt(), 20);
}

TEST_F(ChangesTest, ASliceCommitInTheMiddleOfAWalkLetsTheWalkGoOn)
{
    addFiles(60);
    for (const char* sql : {"SELECT * FROM Files", "SELECT * FROM Files WHERE PathID = 1"}) {
        SCOPED_TRACE(sql);
        conn_.execute("UPDATE Files SET Marking = 0");
        conn_.begin();
        Recordset rs(conn_, sql, Cursor::Keyset);
        std::vector<std::string> names;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            names.push_back(rs.get("Filename").asText());
            rs.put("Marking", Value::integer(1));
            if (names.size() == 20) {
                rs.update();
                conn_.yieldIfDue(0); // the walk's statements must not hold the slice back
                EXPECT_EQ(
                    committed(dbPath_, "SELECT COUNT(*) FROM Files WHERE Marking = 1").toInt(), 20);
            }
        }
        rs.close();
        conn_.commit();
        ASSERT_EQ(names.size(), 60u);
        EXPECT_EQ(names[20], "f0020.jpg");
        EXPECT_EQ(names[59], "f0059.jpg");
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM Files WHERE Marking = 1").toInt(), 60);
    }
}

TEST_F(ChangesTest, FindStartsAtTheCurrentRowAndStopsAtEof)
{
    addFile(1, "a.jpg");
    addFile(1, "b.jpg");
    addFile(2, "a.jpg");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_TRUE(rs.find("Filename = \"a.jpg\""));
    EXPECT_EQ(rs.get("FieldID").asInt(), 1); // the current row counts
    rs.moveNext();
    EXPECT_TRUE(rs.find("Filename", Value::text("a.jpg")));
    EXPECT_EQ(rs.get("PathID").asInt(), 2);
    EXPECT_TRUE(rs.find("PathID = 2"));
    EXPECT_FALSE(rs.find("PathID = 1"));
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    EXPECT_TRUE(rs.find("PathID = 2"));
    EXPECT_EQ(rs.get("FieldID").asInt(), 3);
}

TEST_F(ChangesTest, FindComparesFileNamesExactlyAndOtherTextsIgnoringCase)
{
    addFile(1, "Photo.JPG", "Summer Trip");
    addFile(1, "photo.jpg", "summer trip");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_TRUE(rs.find("Filename = \"photo.jpg\""));
    EXPECT_EQ(rs.get("FieldID").asInt(), 2);
    rs.moveFirst();
    EXPECT_TRUE(rs.find("Comment = \"SUMMER TRIP\""));
    EXPECT_EQ(rs.get("FieldID").asInt(), 1);
    rs.moveFirst();
    EXPECT_FALSE(rs.find("Filename = \"PHOTO.jpg\""));
}

TEST_F(ChangesTest, FindCriteriaReadTheirValues)
{
    addFile(-3, "say \"hi\".jpg");
    addFile(12, "x.jpg");
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    EXPECT_TRUE(rs.find("Filename = \"say \"\"hi\"\".jpg\""));
    EXPECT_TRUE(rs.find("PathID = -3"));
    EXPECT_TRUE(rs.find("  [PathID]=12 "));
    EXPECT_EQ(rs.get("Filename").asText(), "x.jpg");
    for (const char* bad : {"PathID", "PathID = ", "= 3", "PathID > 3", "PathID = 3 4",
                            "PathID = \"open", "PathID = 99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(codeOf([&] { rs.find(bad); }), code::kSyntax);
    }
    EXPECT_EQ(codeOf([&] { rs.find("Nothere = 1"); }), code::kFieldNotFound);
}

TEST_F(ChangesTest, FindAfterDeleteNeverReachesTheDeletedRow)
{
    addFiles(30);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    ASSERT_TRUE(rs.find("Filename = \"f0010.jpg\""));
    rs.deleteCurrent();
    rs.update();
    rs.moveFirst();
    EXPECT_FALSE(rs.find("Filename = \"f0010.jpg\""));
    rs.moveFirst();
    EXPECT_TRUE(rs.find("Comment = \"C11\""));
    EXPECT_EQ(rs.status(), 0);
    EXPECT_EQ(rs.get("Filename").asText(), "f0011.jpg");
}

} // namespace
} // namespace kavdb::engine::test
