/*
 * Values and errors: kinds, checked access, the engine's conversions, the byte-array
 * helpers, and the result code every SQLite failure arrives with.
 */
#include "store/buffers.h"
#include "store/engine/engine_fixture.h"
#include "store/engine/native.h"

#include <sqlite3.h>

#include <cstring>

namespace kavdb::engine::test {
namespace {

TEST(ValueTest, KindsAnswerTheVariantCodesAndAccessIsChecked)
{
    const std::pair<Value, int> kinds[] = {{Value(), 0},
                                           {Value::null(), 1},
                                           {Value::integer(5), 3},
                                           {Value::real(2.5), 5},
                                           {Value::text("x"), 8},
                                           {Value::boolean(true), 11},
                                           {Value::bytes({1}), 0x2011}};
    for (const auto& [v, kind] : kinds) {
        EXPECT_EQ(v.kind(), kind);
        EXPECT_EQ(v.isNothing(), kind <= 1) << kind;
    }
    for (auto access : std::vector<std::function<void()>>{
             [] { Value::text("1").asInt(); }, [] { Value::integer(1).asText(); },
             [] { Value::null().asBytes(); }, [] { Value::integer(1).asBool(); },
             [] { Value::integer(1).asDouble(); }}) {
        EXPECT_EQ(codeOf(access), code::kTypeMismatch);
    }
    try {
        Value::null().toInt();
        ADD_FAILURE() << "no error raised";
    } catch (const EngineError& e) {
        EXPECT_FALSE(e.source().empty() || e.description().empty());
    }
}

TEST(ValueTest, ConversionsToIntegerAndText)
{
    const std::pair<Value, int32_t> toInt[] = {{Value::integer(-7), -7},
                                               {Value::boolean(true), -1},
                                               {Value::boolean(false), 0},
                                               {Value::text("42"), 42},
                                               {Value::text("  -13 "), -13},
                                               {Value::text("+8"), 8},
                                               {Value::text("2147483647"), 2147483647},
                                               {Value::real(7.0), 7},
                                               {Value::real(2.5), 2},
                                               {Value::real(3.5), 4}, // half to even, as Jet rounds
                                               {Value::real(-2.6), -3}};
    for (const auto& [v, expected] : toInt) {
        EXPECT_EQ(v.toInt(), expected);
    }
    const std::pair<Value, std::string> toText[] = {
        {Value::text("abc"), "abc"},
        {Value::integer(-12), "-12"},
        {Value::boolean(true), "True"},
        {Value::boolean(false), "False"},
        {Value::real(7.1), "7.1"},
        {Value::real(50), "50"},
        {Value::real(-0.366667), "-0.366667"},
        {Value::real(0.1 + 0.2), "0.30000000000000004"}}; // reads back the same
    for (const auto& [v, expected] : toText) {
        EXPECT_EQ(v.toText(), expected);
    }
    for (const Value& v : {Value::text("2147483648"), Value::text("12abc"), Value::text("1.5"),
                           Value::text(""), Value::text("   "), Value::real(3e9)}) {
        EXPECT_EQ(codeOf([&] { v.toInt(); }), code::kTypeMismatch) << v.toText();
    }
    for (const Value& v : {Value::null(), Value(), Value::bytes({65})}) { // neither
        EXPECT_EQ(codeOf([&] { v.toInt(); }), code::kTypeMismatch) << v.kind();
        EXPECT_EQ(codeOf([&] { v.toText(); }), code::kTypeMismatch) << v.kind();
    }
}

TEST(ValueTest, ByteArraysCopyExactlyTheirCount)
{
    using store::FromByteArrayValue;
    using store::ToByteArrayValue;
    const uint8_t data[] = {9, 8, 7, 6};
    Value v = Value::text("before");
    EXPECT_EQ(ToByteArrayValue(&v, nullptr, 1), code::kInvalidArg);
    EXPECT_EQ(v, Value::bytes({})); // marked as bytes, holding none
    EXPECT_EQ(ToByteArrayValue(&v, data, 0) | ToByteArrayValue(&v, data, -3), code::kInvalidArg);
    EXPECT_EQ(ToByteArrayValue(nullptr, data, 1), code::kInvalidArg);
    EXPECT_EQ(ToByteArrayValue(&v, data, 4), 0);
    EXPECT_EQ(v, Value::bytes({9, 8, 7, 6}));
    for (int32_t n : {4, 2}) {
        uint8_t* copy = FromByteArrayValue(&v, n);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(std::memcmp(copy, data, static_cast<std::size_t>(n)), 0);
        kaFree(copy);
    }
    Value text = Value::text("ab");
    EXPECT_EQ(FromByteArrayValue(&v, 0), nullptr);
    EXPECT_EQ(FromByteArrayValue(&v, 5), nullptr);
    EXPECT_EQ(FromByteArrayValue(&text, 2), nullptr);
    EXPECT_EQ(FromByteArrayValue(nullptr, 2), nullptr);
}

class ErrorTest : public EngineTest {
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

TEST_F(ErrorTest, EveryFailureCarriesItsCodeTheSourceAndSQLitesMessage)
{
    const std::tuple<const char*, HResult, const char*> cases[] = {
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
    for (const auto& [sql, expected, message] : cases) {
        try {
            conn_.execute(sql);
            ADD_FAILURE() << sql;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), expected) << sql;
            EXPECT_EQ(e.source(), "kavdb.engine");
            EXPECT_NE(e.description().find(message), std::string::npos) << e.description();
        }
        for (Cursor type : {Cursor::Keyset, Cursor::ForwardOnly}) {
            EXPECT_EQ(codeOf([&] { Recordset rs(conn_, sql, type); }), expected) << sql;
        }
    }
    const std::tuple<int, const char*, HResult> mapped[] = {
        {SQLITE_NOTADB, "file is not a database", code::kFail},
        {SQLITE_IOERR_WRITE, "disk I/O error", code::kFail},
        {SQLITE_BUSY, "database is locked", code::kFail},
        {SQLITE_FULL, "database or disk is full", code::kFail},
        {SQLITE_READONLY, "attempt to write a readonly database", code::kFail},
        {SQLITE_CONSTRAINT_TRIGGER, "key: refused", code::kConstraint},
        {SQLITE_NOMEM, "out of memory", code::kOutOfMemory},
    };
    for (const auto& [rc, message, expected] : mapped) {
        EXPECT_EQ(hresultForSqlite(rc, message), expected) << message;
    }
}

TEST_F(ErrorTest, AWriterBusyPastTheTimeoutIsAFailure)
{
    Connection other;
    other.open(dbPath_);
    other.begin();
    other.execute("INSERT INTO t (a) VALUES ('two')");
    sqlite3_busy_timeout(sqliteHandle(conn_.driver()), 20);
    EXPECT_EQ(codeOf([&] { conn_.begin(); }), code::kFail);
    EXPECT_EQ(conn_.depth(), 0);
    other.commit();
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('three')");
    conn_.commit();
    EXPECT_EQ(count("t"), 3);
}

} // namespace
} // namespace kavdb::engine::test
