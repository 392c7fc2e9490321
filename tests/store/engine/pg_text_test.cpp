/*
 * The catalogue paths that stand for a PostgreSQL server (URIs, link files); no server is
 * needed to tell them.
 */
#include "store/engine/pg_text.h"

#include "support/fixture.h"

#include <sys/stat.h>

#include <fstream>

namespace kavdb::engine::test {

class ServerLocationTest : public kavdb::test::TempDirTest {};

TEST_F(ServerLocationTest, AUriOrAWellFormedLinkNamesAServerAnythingElseNone)
{
    const std::string uri = "postgresql://me@/studio?host=/run/pg";
    EXPECT_EQ(serverLocation(uri), uri);
    EXPECT_EQ(serverLocation("postgres://h/db"), "postgres://h/db");
    for (const char* link : {"kavdb-link 1\npostgresql://me@/studio?host=/run/pg\n",
                             "kavdb-link 1\r\npostgresql://me@/studio?host=/run/pg\r\n"}) {
        EXPECT_EQ(serverLocation(makeFile("link.mdb", link)), uri) << link;
    }
    for (const char* other :
         {"kavdb-link 2\npostgresql://me@/studio\n", "kavdb-link 1\n/home/me/photos.mdb\n",
          "kavdb-link 10\npostgresql://me@/studio\n", "SQLite format 3", ""}) {
        EXPECT_EQ(serverLocation(makeFile("link.mdb", other)), "") << other;
    }
    std::string fifo = dir_ + "/fifo.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(serverLocation(fifo), ""); // read, it would block
    EXPECT_EQ(serverLocation(dir_ + "/missing.mdb"), "");
}

} // namespace kavdb::engine::test
