/*
 * Texts made ready for a PostgreSQL server, and the catalogue paths that stand for one
 * (URIs, link files). Neither needs a server.
 */
#include "store/engine/pg_text.h"

#include "support/fixture.h"

#include <sys/stat.h>

#include <fstream>

namespace kavdb::engine::test {

namespace {

const NameSpellings kNames = {
    {"maintable", "MainTable"}, {"filename", "Filename"}, {"pathid", "PathID"}, {"left", "Left"}};

} // namespace

TEST(ServerTextTest, PlaceholdersAreNumberedOutsideLiteralsAndNames)
{
    struct Case {
        const char* sql;
        const char* expected;
        int parameters;
    } cases[] = {
        {"SELECT a FROM t WHERE a = ? AND b = ?", "SELECT a FROM t WHERE a = $1 AND b = $2", 2},
        {"SELECT '?' FROM t WHERE \"?\" = ?", "SELECT '?' FROM t WHERE \"?\" = $1", 1},
        {"SELECT 'it''s ?' FROM t", "SELECT 'it''s ?' FROM t", 0},
        {"SELECT ?2, ?1", "SELECT $2, $1", 2},
    };
    for (const Case& c : cases) {
        ServerText t = serverText(c.sql, {});
        EXPECT_EQ(t.sql, c.expected);
        EXPECT_EQ(t.parameters, c.parameters) << c.sql;
    }
}

TEST(ServerTextTest, KnownNamesTakeTheCatalogueSpellingWordsOfSqlDoNot)
{
    struct Case {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"SELECT filename FROM maintable", "SELECT \"Filename\" FROM \"MainTable\""},
        {"SELECT \"FILENAME\" FROM \"MainTable\"", "SELECT \"Filename\" FROM \"MainTable\""},
        {"SELECT left(filename, 2) FROM t", "SELECT left(\"Filename\", 2) FROM t"},
        {"INSERT INTO maintable(pathid) VALUES (1)",
         "INSERT INTO \"MainTable\"(\"PathID\") VALUES (1)"},
        {"SELECT x::filename, 'filename' FROM other", "SELECT x::filename, 'filename' FROM other"},
        {"SELECT a FROM t LEFT JOIN u ON a = b", "SELECT a FROM t LEFT JOIN u ON a = b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(serverText(c.sql, kNames).sql, c.expected);
    }
}

class ServerLocationTest : public kavdb::test::TempDirTest {};

TEST_F(ServerLocationTest, AUriOrAWellFormedLinkNamesAServerAnythingElseNone)
{
    const std::string uri = "postgresql://me@/studio?host=/run/pg";
    EXPECT_EQ(serverLocation(uri), uri);
    EXPECT_EQ(serverLocation("postgres://h/db"), "postgres://h/db");
    struct Case {
        const char* content;
        bool names;
    } cases[] = {
        {"kavdb-link 1\npostgresql://me@/studio?host=/run/pg\n", true},
        {"kavdb-link 1\r\npostgresql://me@/studio?host=/run/pg\r\n", true},
        {"kavdb-link 2\npostgresql://me@/studio\n", false},
        {"kavdb-link 1\n/home/me/photos.mdb\n", false},
        {"kavdb-link 10\npostgresql://me@/studio\n", false},
        {"SQLite format 3", false},
        {"", false},
    };
    for (const Case& c : cases) {
        std::string path = makeFile("link.mdb", c.content);
        EXPECT_EQ(serverLocation(path), c.names ? uri : "") << c.content;
    }
    std::string fifo = dir_ + "/fifo.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(serverLocation(fifo), ""); // read, it would block
    EXPECT_EQ(serverLocation(dir_ + "/missing.mdb"), "");
}

} // namespace kavdb::engine::test
