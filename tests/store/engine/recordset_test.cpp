/*
 * Recordsets: ADO's positions over keyset and forward-only cursors, fields and values,
 * keyset membership, read-only results, changes (rows added, values put and kept, rows
 * deleted and stepped past), values bound to '?', and schema changes seen.
 */
#include "store/engine/engine_fixture.h"

#include <functional>
#include <vector>

namespace kavdb::engine::test {
namespace {

using RecordsetTest = FilesTest;

/* A column of every row from the first on; "#" for a deleted row, "-" for Null. */
std::vector<std::string> walk(Recordset& rs, const char* column = "Filename")
{
    std::vector<std::string> seen;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        Value v;
        v = codeOf([&] { v = rs.get(column); }) == code::kNoCurrentRow ? Value::text("#") : v;
        seen.push_back(v.isNothing() ? "-" : v.toText());
    }
    return seen;
}

/* The committed value of one query's first column, as another connection reads it. */
Value committed(const std::string& db, const std::string& sql)
{
    Connection other;
    other.open(db);
    Recordset rs(other, sql, Cursor::Keyset);
    return rs.eof() ? Value() : rs.get(rs.fieldName(0));
}

TEST_F(RecordsetTest, PositionsFollowAdosRules)
{
    addFiles(5);
    for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
        Recordset rs(conn_, "SELECT * FROM Files", type);
        EXPECT_FALSE(rs.bof() || rs.eof()); // on the first row
        rs.move(2);
        EXPECT_EQ(rs.get("Filename").asText(), "f0002.jpg");
        rs.move(2);
        rs.moveNext();
        EXPECT_TRUE(rs.eof());
        EXPECT_EQ(codeOf([&] { rs.moveNext(); }), code::kNoCurrentRow);
        EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kNoCurrentRow);
        rs.moveFirst();
        EXPECT_EQ(walk(rs).size(), 5u);
        Recordset none(conn_, "SELECT * FROM Files WHERE PathID = 99", type);
        EXPECT_TRUE(none.bof() && none.eof());
        none.moveFirst(); // harmless
        EXPECT_EQ(codeOf([&] { none.moveNext(); }), code::kNoCurrentRow);
    }
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.move(3);
    rs.move(-2);
    rs.move(0);
    EXPECT_EQ(rs.get("Filename").asText(), "f0001.jpg");
    rs.move(-5);
    EXPECT_TRUE(rs.bof() && !rs.eof());
    EXPECT_EQ(codeOf([&] { rs.move(-1); }), code::kNoCurrentRow);
    rs.moveNext(); // from BOF to the first row
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    rs.move(10);
    EXPECT_EQ(codeOf([&] { rs.move(1); }), code::kNoCurrentRow);
    Recordset forward(conn_, "SELECT * FROM Files", Cursor::ForwardOnly);
    EXPECT_EQ(forward.recordCount(), -1);
    EXPECT_EQ(codeOf([&] { forward.move(-1); }), code::kFail);
}

TEST_F(RecordsetTest, CountsAreExactAndTheOrderIsTheStatements)
{
    addFiles(40);
    EXPECT_EQ(Recordset(conn_, "SELECT * FROM Files", Cursor::Keyset).recordCount(), 40);
    EXPECT_EQ(Recordset(conn_, "SELECT FieldID FROM Files WHERE FieldID > 33", Cursor::Keyset)
                  .recordCount(),
              7);
    Recordset top(conn_, "SELECT TOP 5 * FROM Files ORDER BY Filename DESC", Cursor::Keyset);
    EXPECT_EQ(top.recordCount(), 5);
    EXPECT_EQ(top.get("Filename").asText(), "f0039.jpg");
    // Served by the (PathID, Filename) index, and by a sort of their own.
    for (const char* order : {"Filename DESC", "Comment DESC, FieldID"}) {
        std::string where = std::string(" FROM Files WHERE PathID = 1 ORDER BY ") + order;
        Recordset keyset(conn_, "SELECT *" + where, Cursor::Keyset);
        Recordset reference(conn_, "SELECT Filename" + where, Cursor::ForwardOnly);
        Names names = walk(keyset);
        EXPECT_EQ(names.size(), 40u);
        EXPECT_EQ(names, walk(reference)) << order;
    }
}

TEST_F(RecordsetTest, FieldsAreFoundIgnoringCase)
{
    addFile(4, "a.jpg", "note");
    Recordset rs(conn_, "SELECT FieldID, filename, Comment AS Remark FROM Files", Cursor::Keyset);
    EXPECT_EQ(rs.fieldCount(), 3);
    EXPECT_EQ(rs.fieldName(0) + rs.fieldName(1) + rs.fieldName(2), "FieldIDFilenameRemark");
    EXPECT_TRUE(rs.hasField("FILENAME"));
    EXPECT_FALSE(rs.hasField("Comment"));
    EXPECT_EQ(rs.get("REMARK").asText(), "note");
    EXPECT_EQ(codeOf([&] { rs.get("PathID"); }), code::kFieldNotFound);
    EXPECT_EQ(codeOf([&] { rs.fieldName(3); }), code::kFieldNotFound);
}

TEST_F(RecordsetTest, SqliteValuesAnOlderCatalogueHoldsArriveAsEngineValuesAndExactDoubles)
{
    addFile(4, "a.jpg", "note");
    native("PRAGMA ignore_check_constraints = ON"); // values an older catalogue may hold
    native("INSERT INTO Files (PathID, Filename, Comment, Thumb, Marking) "
           "VALUES (NULL, 'b.jpg', 'text', x'0A0B0C0D0E', 5000000000)");
    native("INSERT INTO Files (PathID, Filename, Thumb, Marking) VALUES (2.0, 'c', x'', 2.5)");
    Recordset values(conn_, "SELECT * FROM Files WHERE FieldID > 1", Cursor::Keyset);
    EXPECT_TRUE(values.get("PathID").isNull());
    EXPECT_EQ(values.get("Marking").asText(), "5000000000"); // beyond 32 bits: its text
    EXPECT_EQ(values.actualSize("Thumb") * 100 + values.actualSize("Filename"), 505);
    EXPECT_EQ(values.getChunk("Thumb", 2).asBytes(), (Bytes{10, 11}));
    EXPECT_EQ(values.getChunk("Thumb", 99).asBytes(), (Bytes{10, 11, 12, 13, 14}));
    EXPECT_EQ(values.getChunk("Filename", 1).asBytes(), (Bytes{'b'}));
    values.moveNext();
    EXPECT_EQ(values.get("PathID").asInt(), 2);
    EXPECT_EQ(values.get("Thumb").kind(), 0x2011);
    EXPECT_TRUE(values.get("Thumb").asBytes().empty());
    EXPECT_EQ(values.get("Marking").asText(), "2.5");
    EXPECT_EQ(values.actualSize("Comment"), 0);
    EXPECT_TRUE(values.getChunk("Comment", 4).isNull());
    // A number column keeps the exact double; as an older catalogue made it, no check keeps
    // 2.5 out of an integer column.
    native("CREATE TABLE Nums (id INTEGER PRIMARY KEY AUTOINCREMENT, n REAL, i INTEGER)");
    const double sum = 0.1 + 0.2; // no short text reads back as this double
    insertRow(conn_, "Nums", {"n", "i"}, {Value::real(sum), Value::real(2.5)});
    insertRow(conn_, "Nums", {"n"}, {Value::real(50)});
    Recordset back(conn_, "SELECT * FROM Nums WHERE n > 3", Cursor::Keyset);
    EXPECT_EQ(back.get("n"), Value::real(50)); // whole, and still a number
    back.put("n", Value::real(-7.5));
    back.update();
    EXPECT_EQ(committed(dbPath_, "SELECT n FROM Nums WHERE n < 0"), Value::real(-7.5));
    EXPECT_EQ(committed(dbPath_, "SELECT n FROM Nums WHERE n < 1 AND n > 0"), Value::real(sum));
    EXPECT_EQ(committed(dbPath_, "SELECT i FROM Nums WHERE i > 2"), Value::text("2.5"));
}

TEST_F(RecordsetTest, AKeysetHoldsTheKeysOfOpenAndReadsRowsOnDemand)
{
    addFiles(20);
    Recordset rs(conn_, "SELECT * FROM Files WHERE PathID = 1", Cursor::Keyset);
    addFile(1, "late.jpg");
    conn_.execute("DELETE FROM Files WHERE FieldID = 2");
    conn_.execute("UPDATE Files SET PathID = 7, Comment = 'changed' WHERE FieldID = 3");
    EXPECT_EQ(rs.recordCount(), 20);
    rs.moveNext();
    EXPECT_EQ(codeOf([&] { rs.get("PathID"); }), code::kNoCurrentRow); // deleted meanwhile
    rs.moveNext();
    EXPECT_EQ(rs.get("PathID").asInt(), 7); // a member still, with its new values
    EXPECT_EQ(rs.get("Comment").asText(), "changed");
    Names all = walk(rs);
    EXPECT_EQ(all.size(), 20u);
    EXPECT_EQ(all[1] + all[19], "#f0019.jpg");
    // Held past the commit of the call that opened it, whoever adds rows since.
    conn_.begin();
    Recordset held(conn_, "SELECT * FROM Files WHERE PathID = 1", Cursor::Keyset);
    conn_.commit();
    Connection other;
    other.open(dbPath_);
    other.execute("INSERT INTO Files (PathID, Filename) VALUES (1, 'other.jpg')");
    EXPECT_EQ(walk(held).size(), 19u);
}

TEST_F(RecordsetTest, JoinsAggregatesAndStatementsWithoutRows)
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
    join.moveNext();
    EXPECT_EQ(join.get("Pathname").asText() + join.get("Filename").asText(), "/p/b.jpg");
    EXPECT_EQ(codeOf([&] { join.put("Filename", Value::text("x")); }), code::kFail);
    EXPECT_EQ(codeOf([&] { join.deleteCurrent(); }), code::kFail);
    Recordset total(conn_, "SELECT COUNT(*) AS n, MAX(Filename) AS last FROM Files",
                    Cursor::ForwardOnly);
    EXPECT_EQ(total.get("n").toText() + total.get("last").asText(), "2b.jpg");
    EXPECT_EQ(Recordset(conn_, "SELECT DISTINCT PathID FROM Files", Cursor::Keyset).recordCount(),
              1);
    Recordset del(conn_, "DELETE FROM Files WHERE Filename = \"a.jpg\"", Cursor::Keyset);
    EXPECT_FALSE(del.isOpen()); // run at open, and closed as ADO leaves it
    EXPECT_EQ(codeOf([&] { del.close(); }), code::kObjectClosed);
    EXPECT_EQ(count("Files"), 1);
    EXPECT_EQ(codeOf([&] { Recordset none(conn_, " ;; ", Cursor::Keyset); }), code::kSyntax);
}

TEST_F(RecordsetTest, AClosedRecordsetOrConnectionRefusesEverything)
{
    addFiles(30);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.close();
    EXPECT_FALSE(rs.isOpen());
    for (auto call : std::vector<std::function<void()>>{
             [&] { rs.close(); }, [&] { rs.eof(); }, [&] { rs.moveFirst(); },
             [&] { rs.get("Filename"); }, [&] { rs.fieldCount(); }}) {
        EXPECT_EQ(codeOf(call), code::kObjectClosed);
    }
    Recordset walking(conn_, "SELECT * FROM Files", Cursor::Keyset);
    walking.move(20); // mid-walk, statements held
    conn_.close();
    EXPECT_FALSE(walking.isOpen());
    EXPECT_EQ(codeOf([&] { walking.get("Filename"); }), code::kObjectClosed);
}

TEST_F(RecordsetTest, InsertedRowsGetTheKeysTheEngineFills)
{
    Value id = insertRow(conn_, "Files", {"FieldID", "PathID", "Filename", "Thumb", "Marking"},
                         {Value(), Value::integer(-4), Value::text("q\"'.jpg"),
                          Value::bytes({0, 255, 7}), Value::boolean(true)},
                         "fieldid");
    EXPECT_EQ(insertRow(conn_, "Files", {}, {}, "FieldID"), Value::integer(id.asInt() + 1));
    EXPECT_EQ(rows("SELECT * FROM Files"), (Names{"1|-4|q\"'.jpg|-|#3|-1", "2|-|-|-|-|-"}));
    conn_.execute("CREATE TABLE Strict (id COUNTER PRIMARY KEY, name TEXT(20) NOT NULL)");
    const std::tuple<Names, std::vector<Value>, const char*, HResult> refused[] = {
        {{"nothere"}, {Value::integer(1)}, "", code::kUnknownColumn},
        {{"name"}, {Value::null()}, "", code::kConstraint},
        {{"name", "id"}, {Value::text("x")}, "", code::kInvalidArg},
        {{"name"}, {Value::text("x")}, "no", code::kFieldNotFound}};
    for (const auto& [names, values, key, expected] : refused) {
        EXPECT_EQ(codeOf([&] { insertRow(conn_, "Strict", names, values, key); }), expected) << key;
    }
    EXPECT_EQ(count("Strict"), 1);
}

TEST_F(RecordsetTest, PutValuesAreWrittenOnUpdateOnMovingOffOrOnGoingAway)
{
    addFiles(3);
    {
        Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
        rs.put("Comment", Value::text("first"));
        EXPECT_EQ(rs.get("Comment").asText(), "first"); // read back before it is written
        rs.moveNext();
        rs.put("Comment", Value::text("second"));
        rs.update();
        rs.moveNext();
        rs.put("Comment", Value()); // empty is stored as Null
        rs.put("Marking", Value::integer(9));
    }
    Recordset check(conn_, "SELECT Comment, Marking FROM Files", Cursor::Keyset);
    EXPECT_EQ(walk(check, "Comment"), (Names{"first", "second", "-"}));
    EXPECT_EQ(walk(check, "Marking"), (Names{"-", "-", "9"}));
    Recordset aliased(conn_, "SELECT Filename AS Name, Comment FROM Files", Cursor::Keyset);
    aliased.put("Name", Value::text("renamed.jpg")); // an aliased field writes its column
    aliased.update();
    EXPECT_EQ(aliased.get("Name").asText(), "renamed.jpg"); // read again by its key
    aliased.moveNext();
    aliased.deleteCurrent();
    aliased.close();
    Recordset forward(conn_, "SELECT * FROM Files", Cursor::ForwardOnly);
    EXPECT_EQ(codeOf([&] { forward.put("Comment", Value()); }), code::kFail); // read-only
    EXPECT_EQ(codeOf([&] { forward.deleteCurrent(); }), code::kFail);
    Recordset rest(conn_, "SELECT Filename, PathID + 1 AS Next FROM Files", Cursor::Keyset);
    EXPECT_EQ(walk(rest), (Names{"renamed.jpg", "f0002.jpg"}));
    rest.moveFirst();
    EXPECT_EQ(codeOf([&] { rest.put("Next", Value::integer(1)); }), code::kFail);
    EXPECT_EQ(codeOf([&] { rest.put("Nothere", Value::integer(1)); }), code::kFieldNotFound);
    rest.move(2);
    EXPECT_EQ(codeOf([&] { rest.put("Filename", Value::text("x")); }), code::kNoCurrentRow);
    conn_.execute("CREATE TABLE Strict (id COUNTER PRIMARY KEY, name TEXT(20) NOT NULL)");
    conn_.execute("INSERT INTO Strict (name) VALUES ('a')");
    conn_.execute("INSERT INTO Strict (name) VALUES ('b')");
    Recordset strict(conn_, "SELECT * FROM Strict", Cursor::Keyset);
    strict.put("name", Value::null());
    EXPECT_EQ(codeOf([&] { strict.moveNext(); }), code::kConstraint);
    strict.moveNext(); // a failed write is not retried
    EXPECT_EQ(strict.get("name").asText(), "b");
}

TEST_F(RecordsetTest, DeletedRowsKeepTheirPlaceInTheWalk)
{
    addFiles(25);
    Recordset rs(conn_, "SELECT * FROM Files", Cursor::Keyset);
    rs.moveNext();
    rs.deleteCurrent();
    rs.update(); // nothing pending: harmless on a deleted row
    EXPECT_EQ(codeOf([&] { rs.get("Filename"); }), code::kNoCurrentRow);
    EXPECT_EQ(codeOf([&] { rs.deleteCurrent(); }), code::kNoCurrentRow);
    EXPECT_EQ(rs.recordCount(), 25);
    Names names = walk(rs);
    EXPECT_EQ(names[0] + names[1] + names[2], "f0000.jpg#f0002.jpg");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        if (codeOf([&] { rs.get("FieldID"); }) == 0) {
            rs.deleteCurrent();
            rs.update();
        }
    }
    EXPECT_EQ(count("Files"), 0);
    // A row another table's rows refer to stays.
    conn_.execute("CREATE TABLE Parent (id LONG PRIMARY KEY)");
    conn_.execute("CREATE TABLE Child (ref LONG REFERENCES Parent (id))");
    conn_.execute("INSERT INTO Parent VALUES (1)");
    conn_.execute("INSERT INTO Child VALUES (1)");
    Recordset parent(conn_, "SELECT * FROM Parent", Cursor::Keyset);
    EXPECT_EQ(codeOf([&] { parent.deleteCurrent(); }), code::kConstraint);
    EXPECT_EQ(parent.get("id").asInt(), 1); // still there
}

TEST_F(RecordsetTest, ChangingRowsWhileWalkingReachesEveryRowOnce)
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

/* More rows than a server hands over at a time, walked forward inside a transaction that
 * writes between the steps, then walked again from the start. */
TEST_F(RecordsetTest, AForwardWalkReachesEveryRowOnceWhileTheConnectionWrites)
{
    addFiles(2500);
    conn_.begin();
    Recordset rs(conn_, "SELECT FieldID, Filename FROM Files ORDER BY FieldID",
                 Cursor::ForwardOnly);
    int32_t walked = 0, last = 0;
    bool ordered = true;
    for (; !rs.eof(); rs.moveNext(), ++walked) {
        ordered = ordered && rs.get("FieldID").asInt() > last;
        last = rs.get("FieldID").asInt();
        if (walked % 500 == 0) {
            conn_.execute("UPDATE Files SET Marking = 1 WHERE FieldID = " + std::to_string(last));
        }
    }
    EXPECT_EQ(walked, 2500);
    EXPECT_TRUE(ordered);
    rs.moveFirst();
    EXPECT_EQ(rs.get("Filename").asText(), "f0000.jpg");
    rs.close();
    conn_.commit();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Files WHERE Marking = 1").toInt(), 5);
}

TEST_F(RecordsetTest, ASliceCommitInTheMiddleOfAWalkLetsTheWalkGoOn)
{
    addFiles(60);
    for (const char* sql : {"SELECT * FROM Files", "SELECT * FROM Files WHERE PathID = 1"}) {
        conn_.execute("UPDATE Files SET Marking = 0");
        conn_.begin();
        Recordset rs(conn_, sql, Cursor::Keyset);
        Names names;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            names.push_back(rs.get("Filename").asText());
            rs.put("Marking", Value::integer(1));
            if (names.size() == 20) {
                rs.update();
                conn_.yieldIfDue(0); // the walk's statements must not hold the slice back
                EXPECT_EQ(committed(dbPath_, "SELECT COUNT(*) FROM Files WHERE Marking = 1"),
                          Value::integer(20));
            }
        }
        rs.close();
        conn_.commit();
        ASSERT_EQ(names.size(), 60u) << sql;
        EXPECT_EQ(names[20] + names[59], "f0020.jpgf0059.jpg");
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM Files WHERE Marking = 1").toInt(), 60);
    }
}

TEST_F(RecordsetTest, ValuesAreBoundToPlaceholdersOnly)
{
    addFile(1, "a.jpg");
    addFile(2, "it\"s 'q'.jpg");
    // A '?' inside a literal is no placeholder.
    const std::string sql = "SELECT * FROM Files WHERE (PathID = ?) AND Filename=? AND '?' = \"?\"";
    const std::tuple<int32_t, const char*, bool> cases[] = {
        {1, "a.jpg", true}, {2, "it\"s 'q'.jpg", true}, {2, "a.jpg", false}, {1, "A.JPG", false}};
    for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
        for (const auto& [path, name, found] : cases) {
            Recordset rs(conn_, sql, {Value::integer(path), Value::text(name)}, type);
            EXPECT_EQ(rs.eof() ? "" : rs.get("Filename").asText(), found ? name : "") << name;
        }
    }
    // Unbound, a '?' is a value Jet was not given; bound, the counts must agree.
    EXPECT_EQ(codeOf([&] { Recordset rs(conn_, sql, Cursor::Keyset); }), code::kUnknownColumn);
    for (const char* text :
         {"SELECT * FROM Files WHERE PathID = ?", "SELECT * FROM Files",
          "SELECT * FROM Files WHERE PathID = ? AND Filename = ? AND Comment = ?"}) {
        EXPECT_EQ(
            codeOf([&] {
                Recordset rs(conn_, text, {Value::integer(1), Value::text("a")}, Cursor::Keyset);
            }),
            code::kInvalidArg)
            << text;
    }
}

/* The fields of the Files rows where (a fresh recordset each time). */
int fieldsOf(Connection& c, const char* where)
{
    return Recordset(c, std::string("SELECT * FROM Files") + where, Cursor::Keyset).fieldCount();
}

TEST_F(RecordsetTest, SchemaChangesAreSeenWhoeverMadeThem)
{
    addFile(1, "a.jpg");
    EXPECT_EQ(fieldsOf(conn_, " WHERE PathID = 1"), 6);
    conn_.execute("ALTER TABLE Files ADD COLUMN Extra INTEGER");
    EXPECT_EQ(fieldsOf(conn_, " WHERE PathID = 1"), 7);
    Connection other;
    other.open(dbPath_);
    other.execute("ALTER TABLE Files ADD COLUMN More INTEGER");
    EXPECT_EQ(fieldsOf(conn_, " WHERE PathID = 1"), 8); // outside a transaction
    other.execute("ALTER TABLE Files ADD COLUMN Most INTEGER");
    {
        Transaction tx(conn_); // a new transaction sees the change
        EXPECT_EQ(fieldsOf(conn_, " WHERE PathID = 2"), 9);
        conn_.driver().savepoint("undo");
        conn_.execute("ALTER TABLE Files ADD COLUMN Gone INTEGER");
        EXPECT_EQ(fieldsOf(conn_, ""), 10);
        conn_.driver().rollbackTo("undo");
        EXPECT_EQ(fieldsOf(conn_, ""), 9);
        tx.commit();
    }
    other.close();
}

} // namespace
} // namespace kavdb::engine::test
