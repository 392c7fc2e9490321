/*
 * Connection: files that cannot be opened, closing, nested transactions, slice commits,
 * savepoints, backup and restore. Creating a catalogue and one statement per call are
 * tested through the exports.
 */
#include "store/engine/engine_fixture.h"

#include "store/engine/faults.h"
#include "support/server.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kavdb::engine::test {
namespace {

class ConnectionTest : public EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        conn_.execute("CREATE TABLE t (id COUNTER PRIMARY KEY, a LONGTEXT)");
    }

    /* Rows of t as another process sees them (committed only). */
    long committedRows() { return static_cast<long>(rows("SELECT id FROM t").size()); }
};

TEST_F(ConnectionTest, FilesThatCannotBeOpenedLeaveTheConnectionClosed)
{
    std::ofstream(pathOf("text.mdb")) << "this is not a database, only some text\n";
    std::filesystem::create_directory(pathOf("folder.mdb"));
    ASSERT_EQ(mkfifo(pathOf("fifo.mdb").c_str(), 0600), 0);
    for (const std::string& path :
         {pathOf("missing.mdb"), pathOf("text.mdb"), pathOf("folder.mdb"), pathOf("fifo.mdb")}) {
        SCOPED_TRACE(path);
        Connection c;
        try {
            c.open(path);
            ADD_FAILURE() << "opened";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::kFail);
            EXPECT_FALSE(e.description().empty());
        }
        EXPECT_FALSE(c.isOpen());
        EXPECT_EQ(codeOf([&] { c.close(); }), code::kObjectClosed);
    }
    EXPECT_FALSE(std::filesystem::exists(pathOf("missing.mdb")));
    for (const char* name : {"folder.mdb", "fifo.mdb"}) {
        EXPECT_EQ(codeOf([&] { Connection::create(pathOf(name)); }), code::kFail) << name;
    }
}

TEST_F(ConnectionTest, ClosedConnectionRefusesWork)
{
    EXPECT_EQ(codeOf([&] { conn_.open(dbPath_); }), code::kFail); // open already
    conn_.close();
    EXPECT_FALSE(conn_.isOpen());
    EXPECT_EQ(codeOf([&] { conn_.close(); }), code::kObjectClosed);
    EXPECT_EQ(codeOfSql("SELECT 1"), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { conn_.begin(); }), code::kObjectClosed);
    EXPECT_EQ(codeOf([&] { Recordset rs(conn_, "SELECT * FROM t", Cursor::Keyset); }),
              code::kObjectClosed);
    conn_.open(dbPath_);
    EXPECT_TRUE(conn_.isOpen());
}

TEST_F(ConnectionTest, NestedTransactionsEndAtTheOutermostAndAnObjectRollsBackUnlessCommitted)
{
    conn_.begin();
    conn_.begin();
    EXPECT_EQ(conn_.depth(), 2);
    conn_.execute("INSERT INTO t (a) VALUES ('x')");
    conn_.commit();
    EXPECT_EQ(conn_.depth(), 1);
    EXPECT_EQ(committedRows(), 0);
    conn_.commit();
    EXPECT_EQ(conn_.depth(), 0);
    EXPECT_EQ(committedRows(), 1);
    EXPECT_EQ(codeOf([&] { conn_.commit(); }), code::kFail);
    EXPECT_EQ(codeOf([&] { conn_.rollback(); }), code::kFail);
    // An inner rollback undoes the whole transaction, which then fails at its end.
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('outer')");
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('inner')");
    conn_.rollback();
    conn_.yieldIfDue(0); // a failed transaction is never committed in slices
    EXPECT_EQ(committedRows(), 1);
    EXPECT_EQ(codeOf([&] { conn_.commit(); }), code::kFail);
    EXPECT_EQ(conn_.depth(), 0);
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('y')");
    conn_.rollback();
    EXPECT_EQ(conn_.depth(), 0);
    EXPECT_EQ(count("t"), 1);
    // A transaction object commits when told and rolls back when it goes otherwise.
    {
        Transaction tx(conn_);
        conn_.execute("INSERT INTO t (a) VALUES ('undone')");
        EXPECT_EQ(conn_.depth(), 1);
    }
    EXPECT_EQ(conn_.depth(), 0);
    EXPECT_EQ(count("t"), 1);
    Transaction tx(conn_);
    conn_.execute("INSERT INTO t (a) VALUES ('kept')");
    tx.commit();
    EXPECT_EQ(committedRows(), 2);
}

/* Each fault point fails its transaction as SQLite would: the call's work is gone, the
 * connection stands outside any transaction, and the next transaction commits. */
TEST_F(ConnectionTest, EveryFailedBeginCommitOrSliceLeavesNothingAndTheNextCallWorks)
{
    const struct {
        FaultPoint point;
        long rowsLeft; // of the failed transaction's two rows
    } cases[] = {{FaultPoint::Begin, 0},
                 {FaultPoint::Commit, 1}, // the slice before it had committed
                 {FaultPoint::SliceCommit, 0},
                 {FaultPoint::SliceBegin, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.point));
        conn_.execute("DELETE FROM t");
        armFault(c.point);
        try {
            Transaction tx(conn_);
            conn_.execute("INSERT INTO t (a) VALUES ('first')");
            conn_.yieldIfDue(0);
            conn_.execute("INSERT INTO t (a) VALUES ('second')");
            tx.commit();
            ADD_FAILURE() << "committed";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), code::kFail);
        }
        EXPECT_EQ(conn_.depth(), 0);
        EXPECT_FALSE(conn_.driver().inTransaction());
        EXPECT_EQ(committedRows(), c.rowsLeft);
        Transaction next(conn_);
        conn_.execute("INSERT INTO t (a) VALUES ('next')");
        next.commit();
        EXPECT_EQ(committedRows(), c.rowsLeft + 1);
    }
}

TEST_F(ConnectionTest, ATransactionSqliteEndedRefusesTheRestAndFailsAtItsEnd)
{
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('undone')");
    sqlite3_exec(sqliteHandle(conn_.driver()), "ROLLBACK", nullptr, nullptr,
                 nullptr); // as after SQLITE_FULL
    EXPECT_EQ(codeOfSql("INSERT INTO t (a) VALUES ('after')"), code::kFail);
    EXPECT_EQ(codeOf([&] { conn_.commit(); }), code::kFail);
    EXPECT_EQ(conn_.depth(), 0);
    EXPECT_EQ(count("t"), 0);
}

TEST_F(ConnectionTest, YieldCommitsTheOutermostSliceWhenItIsDue)
{
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('a')");
    conn_.yieldIfDue(60000); // not due
    EXPECT_EQ(committedRows(), 0);
    conn_.begin();
    conn_.yieldIfDue(0); // nested: only the outermost commits in slices
    EXPECT_EQ(committedRows(), 0);
    conn_.commit();
    conn_.yieldIfDue(0);
    EXPECT_EQ(committedRows(), 1);
    EXPECT_EQ(conn_.depth(), 1);
    conn_.execute("INSERT INTO t (a) VALUES ('b')");
    EXPECT_EQ(committedRows(), 1);
    conn_.commit();
    EXPECT_EQ(committedRows(), 2);
}

/* A reader neither waits for a writer nor takes the write lock; a second writer waits on
 * the busy timeout until the first commits, instead of failing. */
TEST_F(ConnectionTest, AReaderNeverWaitsAndAWriterWaitsForAnotherWriterInsteadOfFailing)
{
    Connection other;
    other.open(dbPath_);
    other.begin();
    other.execute("INSERT INTO t (a) VALUES ('other')");
    auto started = std::chrono::steady_clock::now();
    conn_.begin(Access::Read);
    EXPECT_EQ(count("t"), 0);
    conn_.commit();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.commit();
    });
    conn_.begin(); // waits on the busy timeout until the other commits
    conn_.execute("INSERT INTO t (a) VALUES ('mine')");
    conn_.commit();
    finisher.join();
    EXPECT_EQ(count("t"), 2);
}

TEST_F(ConnectionTest, SavepointsRollBackOrKeepTheirPart)
{
    conn_.begin();
    conn_.execute("INSERT INTO t (a) VALUES ('before')");
    conn_.driver().savepoint("unit");
    conn_.execute("INSERT INTO t (a) VALUES ('undone')");
    conn_.driver().rollbackTo("unit");
    conn_.driver().savepoint("unit");
    conn_.execute("INSERT INTO t (a) VALUES ('kept')");
    conn_.driver().release("unit");
    conn_.commit();
    EXPECT_EQ(count("t"), 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM t WHERE a = 'undone'").toInt(), 0);
    EXPECT_EQ(codeOf([&] { conn_.driver().release("nosuch"); }), code::kSyntax);
}

TEST_F(ConnectionTest, AServerCatalogueMadeBeforeAFunctionIsGivenItWhenOpened)
{
    if (!kavdb::test::onServer()) {
        GTEST_SKIP() << "a file catalogue's functions are the library's own";
    }
    conn_.execute("CREATE TABLE Pair (a TEXT(5), b TEXT(5))");
    conn_.execute("INSERT INTO Pair VALUES ('x', 'y')");
    conn_.close();
    const std::string& uri = serverCatalogues_.back();
    ASSERT_NE(kavdb::test::serverQuery(uri, "DROP FUNCTION kavdb_functions_level(); DROP "
                                            "OPERATOR + (text, text); DROP FUNCTION "
                                            "jet_join(text, text)"),
              "<failed>");
    conn_.open(dbPath_);
    EXPECT_EQ(scalar("SELECT a + b FROM Pair"), Value::text("xy")); // + between two texts
}

TEST_F(ConnectionTest, SqliteFileCopyBackupHoldsTheCommittedStateAndRestoresIt)
{
    for (int i = 0; i < 50; ++i) {
        conn_.execute("INSERT INTO t (a) VALUES ('row" + std::to_string(i) + "')");
    }
    std::string copy = pathOf("copy.bak");
    {
        Transaction tx(conn_);
        conn_.execute("INSERT INTO t (a) VALUES ('pending')");
        conn_.driver().backupTo(copy);
        tx.commit();
    }
    conn_.execute("DELETE FROM t WHERE a = 'row0'");
    conn_.execute("CREATE TABLE extra (x INTEGER)");
    conn_.execute("ALTER TABLE t ADD COLUMN b INTEGER");
    EXPECT_EQ(Recordset(conn_, "SELECT * FROM t", Cursor::Keyset).fieldCount(), 3);
    Connection c;
    c.open(copy);
    Recordset rs(c, "SELECT * FROM t ORDER BY id", Cursor::Keyset);
    EXPECT_EQ(rs.recordCount(), 50);
    EXPECT_EQ(rs.get("a").asText(), "row0");
    c.close();
    conn_.driver().restoreFrom(copy);
    EXPECT_EQ(count("t"), 50);
    EXPECT_EQ(scalar("SELECT a FROM t WHERE id = 1").toText(), "row0");
    EXPECT_EQ(codeOf([&] { scalar("SELECT * FROM extra"); }), code::kNoSuchTable);
    EXPECT_EQ(Recordset(conn_, "SELECT * FROM t", Cursor::Keyset).fieldCount(), 2);
    EXPECT_EQ(codeOf([&] { conn_.driver().restoreFrom(pathOf("missing.bak")); }), code::kFail);
    EXPECT_EQ(count("t"), 50);
}

TEST_F(ConnectionTest, ASqliteBytesViewHoldsWhatValueCopiesOfTextAndBlobsOnly)
{
    std::unique_ptr<DriverStatement> stmt = conn_.driver().prepare(
        "SELECT 'h\xC3\xA4ven', x'00FF10', x'', '', 7, 2.5, NULL, 5000000000");
    const Kind viewed[] = {Kind::Text, Kind::Bytes, Kind::Bytes, Kind::Text,
                           Kind::Null, Kind::Null,  Kind::Null,  Kind::Null};
    ASSERT_TRUE(stmt->step());
    for (int i = 0; i < stmt->columnCount(); ++i) {
        DriverStatement::BytesView view = stmt->bytesView(i);
        ASSERT_EQ(view.kind, viewed[i]) << i; // the rest value() gives, converted
        if (view.kind != Kind::Null) {
            Value v = stmt->value(i);
            ASSERT_EQ(view.kind, v.kindOf()) << i;
            std::string held =
                v.isText() ? v.asText() : std::string(v.asBytes().begin(), v.asBytes().end());
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data), view.size), held) << i;
        }
    }
    stmt->reset();
}

} // namespace
} // namespace kavdb::engine::test
