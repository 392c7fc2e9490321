/*
 * Recordsets opened from kept plans: statements that differ only in compared values share
 * one plan yet each reads its own rows, and a plan never outlives the schema it was made
 * on, whoever changed the schema.
 */
#include "store/engine/engine_fixture.h"

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

class OpenPlanTest : public FilesTest {
  protected:
    std::vector<std::string> namesWhere(const std::string& where, Cursor cursor)
    {
        Recordset rs(conn_, "SELECT * FROM Files WHERE " + where + " ORDER BY Filename", cursor);
        std::vector<std::string> names;
        for (; !rs.eof(); rs.moveNext()) {
            names.push_back(rs.get("Filename").toText());
        }
        return names;
    }

    int fieldsOf(const std::string& sql)
    {
        Recordset rs(conn_, sql, Cursor::Keyset);
        return rs.fieldCount();
    }
};

TEST_F(OpenPlanTest, SameShapeReadsEachItsOwnRows)
{
    addFile(1, "a.jpg");
    addFile(1, "b.jpg");
    addFile(2, "c.jpg");
    addFile(2, "it\"s.jpg");
    for (Cursor cursor : {Cursor::Keyset, Cursor::ForwardOnly}) {
        EXPECT_EQ(namesWhere("PathID = 1", cursor), (std::vector<std::string>{"a.jpg", "b.jpg"}));
        EXPECT_EQ(namesWhere("PathID = 2", cursor),
                  (std::vector<std::string>{"c.jpg", "it\"s.jpg"}));
        EXPECT_EQ(namesWhere("PathID = 2 AND Filename = \"it\"\"s.jpg\"", cursor),
                  (std::vector<std::string>{"it\"s.jpg"}));
        EXPECT_EQ(namesWhere("PathID = 2 AND Filename = \"c.jpg\"", cursor),
                  (std::vector<std::string>{"c.jpg"}));
        EXPECT_TRUE(namesWhere("PathID = 3", cursor).empty());
    }
}

TEST_F(OpenPlanTest, LiteralsReachEveryStatementTheWalkDerives)
{
    addFiles(40); // enough for the keyset to stream
    Recordset rs(conn_,
                 "SELECT FieldID, (Marking = 7) AS seven, Marking, Filename FROM Files "
                 "WHERE PathID = 1 AND Filename <> \"f0003.jpg\"",
                 Cursor::Keyset);
    EXPECT_EQ(rs.recordCount(), 39);
    rs.move(3);
    EXPECT_EQ(rs.get("Filename").toText(), "f0004.jpg");
    rs.put("Marking", Value::integer(7));
    rs.update();
    EXPECT_EQ(rs.get("seven"), Value::integer(-1)); // Jet's True, read again by key
    rs.moveFirst();
    EXPECT_TRUE(rs.get("seven").isNull()); // Marking is Null
    rs.put("Marking", Value::integer(8));
    rs.update();
    EXPECT_EQ(rs.get("seven"), Value::integer(0));
}

TEST_F(OpenPlanTest, BoundValuesNeedNoQuotingAndShareAPlan)
{
    addFile(1, "a.jpg");
    addFile(2, "it\"s 'q'.jpg");
    const std::string sql = "SELECT * FROM Files WHERE (PathID = ?) AND Filename=?";
    struct Case {
        int32_t path;
        const char* name;
        bool found;
    } cases[] = {
        {1, "a.jpg", true}, {2, "it\"s 'q'.jpg", true}, {2, "a.jpg", false}, {1, "A.JPG", false}};
    for (const auto& c : cases) {
        Recordset rs(conn_, sql, {Value::integer(c.path), Value::text(c.name)},
                     Cursor::ForwardOnly);
        EXPECT_EQ(!rs.eof(), c.found) << c.path << " " << c.name;
        if (!rs.eof()) {
            EXPECT_EQ(rs.get("Filename").toText(), c.name);
        }
    }
    // The same text with its '?' left unbound is refused, as Jet refuses a missing value.
    EXPECT_EQ(codeOf([&] { Recordset unbound(conn_, sql, Cursor::Keyset); }),
              code::kUnknownColumn);
}

TEST_F(OpenPlanTest, BoundValuesMustMatchThePlaceholders)
{
    for (const char* sql : {"SELECT * FROM Files WHERE PathID = ?", "SELECT * FROM Files",
                            "SELECT * FROM Files WHERE PathID = ?1 AND Filename = ?",
                            "SELECT * FROM Files WHERE PathID = :p AND Filename = ?"}) {
        EXPECT_EQ(
            codeOf([&] {
                Recordset rs(conn_, sql, {Value::integer(1), Value::text("a")}, Cursor::Keyset);
            }),
            code::kInvalidArg)
            << sql;
    }
}

TEST_F(OpenPlanTest, SchemaChangesOfThisConnectionAreSeen)
{
    EXPECT_EQ(fieldsOf("SELECT * FROM Files"), 6);
    Transaction tx(conn_);
    conn_.execute("ALTER TABLE Files ADD COLUMN Extra INTEGER");
    EXPECT_EQ(fieldsOf("SELECT * FROM Files"), 7);
    Recordset(conn_, "ALTER TABLE Files ADD COLUMN More TEXT(10)", Cursor::ForwardOnly);
    EXPECT_EQ(fieldsOf("SELECT * FROM Files"), 8);
    conn_.savepoint("undo");
    native("ALTER TABLE Files ADD COLUMN Gone INTEGER");
    EXPECT_EQ(fieldsOf("SELECT * FROM Files"), 9);
    conn_.rollbackTo("undo");
    EXPECT_EQ(fieldsOf("SELECT * FROM Files"), 8);
    tx.commit();
}

TEST_F(OpenPlanTest, ARestoredFileIsReadAsItIs)
{
    addFile(1, "a.jpg");
    conn_.backupTo(pathOf("twin.mdb"));
    conn_.execute("ALTER TABLE Files ADD COLUMN Extra INTEGER");
    addFile(1, "b.jpg");
    EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 1"), 7);
    conn_.restoreFrom(pathOf("twin.mdb"));
    EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 1"), 6);
    EXPECT_EQ(namesWhere("PathID = 1", Cursor::Keyset), (std::vector<std::string>{"a.jpg"}));
}

TEST_F(OpenPlanTest, SchemaChangesOfAnotherConnectionAreSeen)
{
    EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 1"), 6);
    Connection other;
    other.open(dbPath_);
    other.execute("ALTER TABLE Files ADD COLUMN Extra INTEGER");
    EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 2"), 7); // outside a transaction
    {
        Transaction tx(conn_);
        EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 3"), 7);
        tx.commit();
    }
    other.execute("ALTER TABLE Files ADD COLUMN More INTEGER");
    Transaction tx(conn_); // a new transaction sees the change
    EXPECT_EQ(fieldsOf("SELECT * FROM Files WHERE PathID = 4"), 8);
    tx.commit();
    other.close();
}

} // namespace
} // namespace kavdb::engine::test
