/*
 * Every SQLite failure arrives as an EngineError with an ADO-style code, the engine's
 * source and SQLite's message: statements that fail in each way, and the mapping itself.
 */
#include "store/engine/engine_fixture.h"
#include "store/engine/native.h"
#include "store/engine/schema.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

class ErrorMappingTest : public EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        native("CREATE TABLE t (id INTEGER PRIMARY KEY, a TEXT NOT NULL UNIQUE)");
        native("INSERT INTO t (a) VALUES ('one')");
        native("CREATE TRIGGER t_guard BEFORE DELETE ON t BEGIN "
               "SELECT RAISE(ABORT, 'guarded row'); END");
    }
};

struct StatementCase {
    const char* sql;
    HResult code;
    const char* message; // a part of SQLite's message
};

const StatementCase kStatementCases[] = {
    {"SELECT * FROM NoSuchTable", code::kNoSuchTable, "no such table"},
    {"SELECT nothere FROM t", code::kUnknownColumn, "no such column"},
    {"INSERT INTO t (nothere) VALUES (1)", code::kUnknownColumn, "has no column named"},
    {"UPDATE t SET nothere = 1", code::kUnknownColumn, "no such column"},
    {"SELECT * FRM t", code::kSyntax, "syntax error"},
    {"SELEC * FROM t", code::kSyntax, "Invalid SQL statement"},
    {"SELECT * FROM t WHERE", code::kSyntax, "incomplete input"},
    {"SELECT nofunction(a) FROM t", code::kSyntax, "no such function"},
    {"INSERT INTO t (a) VALUES (NULL)", code::kConstraint, "NOT NULL"},
    {"INSERT INTO t (a) VALUES ('one')", code::kConstraint, "UNIQUE"},
    {"DELETE FROM t", code::kConstraint, "guarded row"},
};

TEST_F(ErrorMappingTest, ExecuteRaisesTheCodeOfEachFailure)
{
    for (const auto& c : kStatementCases) {
        SCOPED_TRACE(c.sql);
        try {
            conn_.execute(c.sql);
            ADD_FAILURE() << "no error raised";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.source(), "kavdb.engine");
            EXPECT_NE(e.description().find(c.message), std::string::npos) << e.description();
        }
    }
}

TEST_F(ErrorMappingTest, RecordsetOpenRaisesTheSameCodes)
{
    for (const auto& c : kStatementCases) {
        SCOPED_TRACE(c.sql);
        for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
            EXPECT_EQ(codeOf([&] { Recordset rs(conn_, c.sql, type); }), c.code);
        }
    }
}

TEST_F(ErrorMappingTest, AWriterBusyPastTheTimeoutIsAFailure)
{
    Connection other;
    other.open(dbPath_);
    other.begin();
    other.execute("INSERT INTO t (a) VALUES ('two')");
    sqlite3_busy_timeout(conn_.native(), 20);
    EXPECT_EQ(codeOf([&] { conn_.begin(); }), code::kFail);
    EXPECT_EQ(conn_.depth(), 0);
    other.commit();
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('three')");
    conn_.commit();
    EXPECT_EQ(count("t"), 3);
}

TEST(ErrorMapping, CodesFollowSQLitesResultAndMessage)
{
    struct Case {
        int rc;
        const char* message;
        HResult code;
    } cases[] = {
        {SQLITE_ERROR, "no such table: x", code::kNoSuchTable},
        {SQLITE_ERROR, "no such column: y", code::kUnknownColumn},
        {SQLITE_ERROR, "table t has no column named y", code::kUnknownColumn},
        {SQLITE_ERROR, "near \"x\": syntax error", code::kSyntax},
        {SQLITE_CONSTRAINT, "UNIQUE constraint failed: t.a", code::kConstraint},
        {SQLITE_CONSTRAINT_TRIGGER, "key: refused", code::kConstraint},
        {SQLITE_NOTADB, "file is not a database", code::kFail},
        {SQLITE_IOERR_WRITE, "disk I/O error", code::kFail},
        {SQLITE_BUSY, "database is locked", code::kFail},
        {SQLITE_CANTOPEN, "unable to open database file", code::kFail},
        {SQLITE_FULL, "database or disk is full", code::kFail},
        {SQLITE_READONLY, "attempt to write a readonly database", code::kFail},
        {SQLITE_NOMEM, "out of memory", code::kOutOfMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(hresultForSqlite(c.rc, c.message), c.code);
    }
}

} // namespace
} // namespace kavdb::engine::test
