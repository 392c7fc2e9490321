/*
 * Statement shapes: which literals become parameters, and where the caller's own
 * placeholders stay.
 */
#include "store/engine/literal_shape.h"

#include <gtest/gtest.h>

namespace kavdb::engine {
namespace {

TEST(LiteralShapeTest, ComparedLiteralsBecomeParameters)
{
    struct Case {
        const char* sql;
        const char* shape;
        std::vector<Value> literals;
        int first;
    } cases[] = {
        {"SELECT * FROM t WHERE (PathID = 5) AND (Filename = 'a''b.jpg')",
         "SELECT * FROM t WHERE (PathID = ?1) AND (Filename = ?2)",
         {Value::integer(5), Value::text("a'b.jpg")},
         1},
        {"SELECT a FROM t WHERE rowid=? AND b LIKE '%x%'",
         "SELECT a FROM t WHERE rowid=?1 AND b LIKE ?2",
         {Value::text("%x%")},
         2},
        {"SELECT 'kept', 1 AS n FROM t ORDER BY 1",
         "SELECT 'kept', 1 AS n FROM t ORDER BY 1",
         {},
         1},
        {"SELECT * FROM t WHERE a = -3 AND b = 1.5",
         "SELECT * FROM t WHERE a = -3 AND b = 1.5",
         {},
         1},
        {"CREATE TABLE x (a TEXT DEFAULT 'v')", "CREATE TABLE x (a TEXT DEFAULT 'v')", {}, 1},
        {"SELECT * FROM t WHERE a = :name AND b = 'x'",
         "SELECT * FROM t WHERE a = :name AND b = 'x'",
         {},
         1},
        {"DELETE FROM t WHERE Pathname = '/p/' COLLATE BINARY",
         "DELETE FROM t WHERE Pathname = ?1 COLLATE BINARY",
         {Value::text("/p/")},
         1},
    };
    for (const auto& c : cases) {
        LiteralShape s = shapeOf(c.sql);
        EXPECT_EQ(s.sql, c.shape) << c.sql;
        EXPECT_EQ(s.literals, c.literals) << c.sql;
        if (!c.literals.empty()) {
            EXPECT_EQ(s.firstIndex, c.first) << c.sql;
        }
    }
}

TEST(LiteralShapeTest, StatementsDifferingInValuesShareAShape)
{
    EXPECT_EQ(shapeOf("SELECT * FROM t WHERE a = 'x'").sql,
              shapeOf("SELECT * FROM t WHERE a = 'yy'").sql);
}

TEST(LiteralShapeTest, JetTextLosesOnlyLiteralsComparedWithAColumn)
{
    struct Case {
        const char* jet;
        const char* shape;
        std::vector<Value> literals;
    } cases[] = {
        {"SELECT * FROM MainTable WHERE (PathID = 5) AND Filename=\"a\"\"b.jpg\"",
         "SELECT * FROM MainTable WHERE (PathID = ?11) AND Filename=?12",
         {Value::integer(5), Value::text("a\"b.jpg")}},
        {"UPDATE [Main Table] SET Comment = 'it''s' WHERE [Field ID] <> 3",
         "UPDATE [Main Table] SET Comment = ?11 WHERE [Field ID] <> ?12",
         {Value::text("it's"), Value::integer(3)}},
        // Read by the translator, or not compared with a column: kept.
        {"SELECT PathID FROM PathTable WHERE StrComp(Pathname,\"/p/\",0)=0",
         "SELECT PathID FROM PathTable WHERE StrComp(Pathname,\"/p/\",0)=0",
         {}},
        {"SELECT TOP 5 * FROM t WHERE a LIKE \"x*\" AND \"v\" = b AND c = #2020/01/02#",
         "SELECT TOP 5 * FROM t WHERE a LIKE \"x*\" AND \"v\" = b AND c = #2020/01/02#",
         {}},
        {"SELECT * FROM t WHERE a = -3 AND b = 1.5 AND c = 1234567890",
         "SELECT * FROM t WHERE a = -3 AND b = 1.5 AND c = 1234567890",
         {}},
        // The caller's own parameters, and statements that are not data access.
        {"SELECT * FROM t WHERE a = ? AND b = \"x\"",
         "SELECT * FROM t WHERE a = ? AND b = \"x\"",
         {}},
        {"CREATE TABLE x (a TEXT DEFAULT \"v\", CHECK (a = \"v\"))",
         "CREATE TABLE x (a TEXT DEFAULT \"v\", CHECK (a = \"v\"))",
         {}},
        {"SELECT * FROM MainTable ", "SELECT * FROM MainTable ", {}},
    };
    for (const auto& c : cases) {
        LiteralShape s = jetShapeOf(c.jet);
        EXPECT_EQ(s.sql, c.shape) << c.jet;
        EXPECT_EQ(s.literals, c.literals) << c.jet;
        EXPECT_EQ(s.firstIndex, kJetLiteralBase + 1) << c.jet;
    }
}

} // namespace
} // namespace kavdb::engine
