/*
 * The Jet dialect at the engine: one statement per text, the constructs refused on
 * purpose, statements that take several of SQLite's done whole or not at all, keys and
 * indexes made by Jet DDL, and SELECT ... INTO's table. What Jet statements give through the
 * exports is tabled in jet_sql_test.
 */
#include "store/engine/engine_fixture.h"
#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"
#include "store/engine/select_reader.h"

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

TEST(DialectTest, ExactlyOneJetStatementPerText)
{
    for (const char* one :
         {"DELETE FROM t WHERE x = 'c;d';  ", "SELECT \"a;--b\" FROM t;", "(SELECT 1)"}) {
        SCOPED_TRACE(one);
        EXPECT_EQ(translateJet(one).size(), 1u);
    }
    for (const char* refused :
         {"", " ;", "SELECT a /* 'x' */ FROM t", "INSERT INTO t VALUES (1); DELETE FROM t",
          "SELECT 1;;", "SELECT a -- x\nFROM t", "SELECT 1; -- trailing",
          "PRAGMA journal_mode=DELETE", "BEGIN", "COMMIT", "ATTACH 'x.db' AS x", "VACUUM",
          "x'; DELETE FROM MainTable --", "/* first */ SELECT 1"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(codeOf([&] { translateJet(refused); }), code::kSyntax);
    }
}

/* Jet constructs with no sound translation here fail loudly, never with another meaning
 * (the README lists them). */
TEST(DialectTest, ConstructsWithoutASoundTranslationAreRefused)
{
    std::string deepParens = "SELECT " + std::string(300, '(') + "1" + std::string(300, ')');
    std::string longChain = "SELECT * FROM t WHERE a = 0";
    for (int i = 0; i < 2000; ++i) {
        longChain += " OR a = " + std::to_string(i);
    }
    std::string deepCalls = "SELECT "; // 180 KB of StrComp( took seconds once
    for (int i = 0; i < 22500; ++i) {
        deepCalls += "StrComp(";
    }
    std::string nestedTop = "SELECT * FROM t";
    for (int i = 0; i < 5; ++i) {
        nestedTop = "SELECT TOP 1 * FROM (" + nestedTop + ") ORDER BY a";
    }
    std::vector<std::string> refused = {deepParens, longChain, nestedTop, deepCalls};
    for (const char* sql :
         {"SELECT * FROM t WHERE a LIKE 'x!%' ESCAPE '!'",
          "SELECT DISTINCTROW a FROM t INNER JOIN u ON t.k = u.k",
          "SELECT DISTINCT TOP 2 * FROM t ORDER BY a",
          "UPDATE t LEFT JOIN u ON t.k = u.k SET t.a = u.b",
          "UPDATE t INNER JOIN u ON t.k = u.k SET t.a = 1, u.b = 2",
          "DELETE FROM t INNER JOIN u ON t.k = u.k WHERE u.b = 1", "CREATE TABLE t (c CURRENCY)",
          "CREATE TABLE t (c DECIMAL(10, 2))", "CREATE TABLE t (c GUID)",
          "CREATE TABLE t (c WIDGET)", "CREATE TABLE t (k COUNTER(10, 5))",
          "SELECT First(a) FROM t", "SELECT StDev(a) FROM t", "SELECT Switch(a = 1) FROM t",
          "SELECT Left('a') FROM t", "SELECT * FROM t WHERE d = #2/30/2008#",
          "SELECT a INTO u FROM t", "SELECT * FROM t WHERE a IN (SELECT a INTO u FROM v)"}) {
        refused.push_back(sql);
    }
    for (const std::string& sql : refused) {
        SCOPED_TRACE(sql.substr(0, 80));
        EXPECT_EQ(codeOf([&] { translateJet(sql); }), code::kSyntax);
    }
}

TEST(DialectTest, AnyTextTranslatesOrIsRefusedAsASyntaxError)
{
    for (const char* text : {"SELECT \"open", "SELECT [open", "SELECT StrComp(", "SELECT TOP",
                             "CREATE TABLE t (", "ALTER TABLE", "SELECT #2004-01-01", "SELECT '",
                             "SELECT \"", "(((", "ALTER TABLE t ADD FOREIGN KEY (", "SELECT #x#",
                             "UPDATE t SET", "DELETE t.* FROM", "SELECT a FROM (t INNER JOIN",
                             "SELECT IIf(", "SELECT a NOT", "SELECT -", "CREATE INDEX i ON"}) {
        SCOPED_TRACE(text);
        try {
            for (const std::string& sql : translateJet(text)) {
                EXPECT_FALSE(sql.empty());
            }
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::kSyntax);
        }
    }
}

class DialectDbTest : public EngineTest {
  protected:
    void run(std::initializer_list<const char*> sql)
    {
        for (const char* s : sql) {
            conn_.execute(s);
        }
    }
    std::string columnsOf(const std::string& table)
    {
        std::string names;
        for (const std::string& name : conn_.driver().columnNames(table)) {
            names += (names.empty() ? "" : ",") + name;
        }
        return names;
    }
};

TEST_F(DialectDbTest, AStatementThatTakesSeveralIsDoneWholeOrNotAtAll)
{
    run({"CREATE TABLE t (k LONG, a TEXT(10))", "INSERT INTO t VALUES (1, '12')",
         "INSERT INTO t VALUES (2, 'twelve')", "INSERT INTO t (a) VALUES ('no key')"});
    EXPECT_EQ(codeOfSql("ALTER TABLE t ALTER COLUMN a LONG"), code::kDataMismatch);
    EXPECT_EQ(columnsOf("t"), "k,a");
    EXPECT_EQ(codeOfSql("ALTER TABLE t ADD CONSTRAINT pk PRIMARY KEY (k)"), code::kConstraint);
    conn_.execute("INSERT INTO t VALUES (1, '99')"); // no key was left behind
    conn_.execute("DELETE FROM t WHERE a <> '12'");
    conn_.execute("ALTER TABLE t ALTER COLUMN a LONG");
    EXPECT_EQ(columnsOf("t"), "k,a");
    EXPECT_EQ(scalar("SELECT a + 1 FROM t WHERE k = 1").toInt(), 13);
}

TEST_F(DialectDbTest, SeveralColumnsAddedInOneAlterAndAPrimaryKeyThatRefusesNull)
{
    run({"CREATE TABLE t (k LONG)", "ALTER TABLE t ADD a LONGTEXT, b INTEGER",
         "INSERT INTO t (k, a, b) VALUES (1, 'x', 2)",
         "ALTER TABLE t ADD CONSTRAINT pk PRIMARY KEY (k)"});
    EXPECT_EQ(columnsOf("t"), "k,a,b");
    EXPECT_EQ(codeOfSql("INSERT INTO t (a) VALUES ('y')"), code::kConstraint);
    EXPECT_EQ(codeOfSql("UPDATE t SET k = Null"), code::kConstraint);
    run({"DROP INDEX pk ON t", "INSERT INTO t (a) VALUES ('y')",
         "CREATE UNIQUE INDEX ak ON t (a) WITH DISALLOW NULL"});
    EXPECT_EQ(codeOfSql("INSERT INTO t (k) VALUES (5)"), code::kConstraint);
    conn_.execute("DROP TABLE t"); // the triggers that refuse Null are no keys
}

TEST_F(DialectDbTest, KeysMadeWithTheTableAreEnforced)
{
    run({"CREATE TABLE P (k LONG CONSTRAINT pk PRIMARY KEY, name TEXT(10))",
         "CREATE TABLE C (id COUNTER PRIMARY KEY, ref LONG REFERENCES P (k), other LONG, "
         "CONSTRAINT fk FOREIGN KEY (other) REFERENCES P (k) ON DELETE CASCADE)",
         "INSERT INTO P VALUES (1, 'one')", "INSERT INTO C (ref, other) VALUES (1, 1)"});
    EXPECT_EQ(codeOfSql("INSERT INTO C (ref) VALUES (2)"), code::kConstraint);
    EXPECT_EQ(codeOfSql("INSERT INTO C (other) VALUES (2)"), code::kConstraint);
    // ref has no delete rule: the row it refers to stays.
    EXPECT_EQ(codeOfSql("DELETE FROM P"), code::kConstraint);
}

TEST_F(DialectDbTest, SelectIntoMakesATableOfJetColumns)
{
    run({"CREATE TABLE t (n LONG, s TEXT(5), Filename TEXT(20))",
         "INSERT INTO t VALUES (1, 'Abc', 'A.jpg')",
         "SELECT n, s, Filename, n * 2 AS twice "
         "INTO u FROM t WHERE n = 1"});
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM u WHERE s = 'ABC' AND twice = 2").toInt(), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM u WHERE Filename = 'a.jpg'").toInt(), 0);
    EXPECT_EQ(codeOfSql("INSERT INTO u (n) VALUES ('x')"), code::kDataMismatch);
    EXPECT_EQ(codeOfSql("INSERT INTO u (s) VALUES ('toolong')"), code::kFieldTooSmall);
}

/* Keys added to a table that exists, each with its own rules: cascades follow, a key with
 * no rule (or NO ACTION) keeps its referred rows, and a rule or column not known is refused. */
TEST_F(DialectDbTest, KeysAddedLaterFollowTheirRules)
{
    run({"CREATE TABLE P (k INTEGER PRIMARY KEY)",
         "CREATE TABLE C (ref INTEGER, up INTEGER, plain INTEGER)", "INSERT INTO P VALUES (1)",
         "INSERT INTO P VALUES (2)", "INSERT INTO P VALUES (3)", "INSERT INTO C VALUES (1, 2, 3)",
         "ALTER TABLE C ADD FOREIGN KEY (ref) REFERENCES P (k) ON DELETE CASCADE "
         "ON UPDATE NO ACTION",
         "ALTER TABLE C ADD CONSTRAINT CUp FOREIGN KEY (up) REFERENCES P (k) ON UPDATE CASCADE",
         "ALTER TABLE C ADD FOREIGN KEY (plain) REFERENCES P (k);"});
    EXPECT_EQ(codeOfSql("UPDATE P SET k = 5 WHERE k = 1"), code::kConstraint);
    EXPECT_EQ(codeOfSql("UPDATE P SET k = 5 WHERE k = 3"), code::kConstraint);
    EXPECT_EQ(codeOfSql("INSERT INTO C (plain) VALUES (9)"), code::kConstraint);
    conn_.execute("UPDATE P SET k = 6 WHERE k = 2");
    EXPECT_EQ(scalar("SELECT up FROM C").toInt(), 6);
    conn_.execute("DELETE FROM P WHERE k = 1");
    EXPECT_EQ(count("C"), 0);
    EXPECT_EQ(codeOfSql("ALTER TABLE C ADD FOREIGN KEY (ref) REFERENCES P (k) ON "
                        "DELETE SET NULL"),
              code::kSyntax);
    EXPECT_EQ(codeOfSql("ALTER TABLE C ADD FOREIGN KEY (Nothere) REFERENCES P (k)"),
              code::kUnknownColumn);
}

TEST(SelectReaderTest, OnlyPlainSingleTableSelectsHaveRowKeys)
{
    for (const char* sql :
         {"SELECT * FROM MainTable ",
          "SELECT a, b AS c FROM t AS x WHERE x.a = 1 ORDER BY b DESC LIMIT 5",
          "SELECT \"a b\" FROM main.\"T t\" WHERE (a IN (SELECT z FROM u GROUP BY z))"}) {
        EXPECT_TRUE(readSelect(sql).keyed) << sql;
    }
    for (const char* sql :
         {"SELECT COUNT(*) FROM t", "SELECT DISTINCT a FROM t", "SELECT a FROM t, u",
          "SELECT a FROM t JOIN u ON t.x = u.x", "SELECT a FROM t LEFT JOIN u",
          "SELECT a FROM t GROUP BY a", "SELECT a FROM t UNION SELECT b FROM u",
          "SELECT a FROM t ORDER BY 1", "SELECT ?, a FROM t", "SELECT a FROM (SELECT a FROM t)",
          "WITH x AS (SELECT 1) SELECT * FROM x", "SELECT a FROM t WHERE b = 1 WHERE c = 2",
          "SELECT a FROM t LIMIT 1 WHERE b = 1", "UPDATE t SET a = 1", "SELECT 1"}) {
        EXPECT_FALSE(readSelect(sql).keyed) << sql;
    }
}

TEST(LexerTest, TokensGiveBackTheirText)
{
    const std::string text =
        "SELECT [a b], \"x\"\"y\", 'it''s', #1/2/2003#, 1.5e3 -- c\n/* d */ <>";
    for (Flavor flavor : {Flavor::Jet, Flavor::Sqlite}) {
        std::string joined;
        for (const Token& t : tokenize(text, flavor)) {
            ASSERT_FALSE(t.text.empty());
            joined += t.text;
        }
        EXPECT_EQ(joined, text);
    }
    Tokens jet = tokenize("\"a\"\"b\" [c]", Flavor::Jet);
    EXPECT_EQ(jet[0].kind, Tok::String);
    EXPECT_EQ(stringValue(jet[0]), "a\"b");
    EXPECT_EQ(identName(jet[2]), "c");
    EXPECT_EQ(tokenize("\"a\"", Flavor::Sqlite)[0].kind, Tok::Ident);
}

} // namespace
} // namespace kavdb::engine::test
