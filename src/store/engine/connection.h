/*
 * Connection: one open catalogue file, over a driver (driver.h).
 *
 * Statements arrive in the Jet dialect and are translated on the way in (jet/dialect.h), each
 * text once while it is in use. Transactions nest by depth: only the outermost begin and
 * commit reach the engine, so an export that calls another export still costs one commit.
 *
 * Whatever fails, the outermost end of a transaction leaves the connection outside any
 * transaction and holding no read snapshot: a commit that fails is rolled back, and a
 * transaction the engine ended under the caller (or that a slice could not begin again)
 * refuses every further statement until its outermost end, which then fails.
 */
#pragma once

#include "store/engine/driver.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kavdb::engine {

class StatementCache;
class Turns;

/* What the outermost transaction of a call may do. A writer takes the write lock at its
 * begin, waiting its turn, so that it never fails later on the upgrade from reading; a
 * reader only takes a snapshot and never waits for writers. */
enum class Access { Read, Write };

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /* Opens a server catalogue when path is a server location (serverLocation), else an
     * existing regular file: WAL journaling, synchronous=NORMAL, a 5 s busy
     * timeout. A file that is missing, not a regular file, not a database, or unreadable
     * raises kFail and leaves the connection closed. A file the process may not write
     * opens read-only: reads work, writes raise kFail. */
    void open(const std::string& path);
    /* Creates a new, empty catalogue file; kFail when anything exists at path. A server
     * location (serverLocation) makes the catalogue's objects in its database instead. */
    static void create(const std::string& path);
    /* Closes; raises kObjectClosed when the connection is not open. */
    void close();
    bool isOpen() const { return driver_ != nullptr; }

    /* Runs one Jet statement (translated); raises on failure. */
    void execute(const std::string& jetSql);
    /* The statements a Jet text stands for (a key added by ALTER TABLE takes several). A
     * translation that read the schema (SELECT ... INTO) is not kept: it may change. */
    std::vector<std::string> translate(const std::string& jetSql);

    /* Transactions. Nested begins only count depth; the outermost one waits up to the
     * busy timeout for its lock (a writer first lets a waiting connection go ahead) and
     * raises when it cannot have it. A read-only connection begins every call as a
     * reader. */
    void begin(Access access = Access::Write);
    /* The outermost commit raises, with the work rolled back, when COMMIT fails, when an
     * inner transaction rolled back, or when the transaction ended before it. */
    void commit();
    /* The outermost rollback undoes the work; an inner one marks the transaction failed,
     * and the outermost commit then undoes all of it and raises. */
    void rollback();
    int depth() const { return depth_; }
    /* The last outermost transaction met a serialization failure or deadlock with another
     * connection and committed no slice of its work: the whole call may be run again. */
    bool conflicted() const;
    /* In a long outermost writer: commits and begins again once the current slice has
     * run for sliceMs, letting a waiting connection write in between. Statements still
     * stepping are let go first (recordsets find their place again by key). A failure
     * rolls the slice back and raises; the transaction then refuses further statements.
     * True when a slice was committed: another connection may have written since. */
    bool yieldIfDue(int sliceMs = 250);

    /* The driver, for savepoints, online backup and schema introspection, and for the
     * engine layer's own classes; raises kObjectClosed, and kFail when the current
     * transaction was lost. */
    Driver& driver() const;
    /* The prepared statements the connection's recordsets share; raises as driver(). */
    std::shared_ptr<StatementCache> statements() const;

  private:
    bool waitForLock(int count);
    /* One level out of the current transaction: true at the outermost. */
    bool endLevel();
    void startOutermost(Access access);
    /* Undoes whatever transaction the engine holds, after letting go of every statement.
     * Inside a call (depth above 0) this leaves the call refusing statements until its
     * end. */
    void rollbackQuietly() noexcept;
    /* Raises kLostTransaction's failure: kServerLost when the server went with it. */
    [[noreturn]] void raiseLost() const;

    std::unique_ptr<Driver> driver_;
    int depth_ = 0;
    bool failed_ = false;
    bool reader_ = false; // the outermost transaction only reads
    bool sliced_ = false; // the outermost transaction committed a slice
    std::chrono::steady_clock::time_point sliceStart_{};
    std::chrono::steady_clock::time_point waitStart_{};
    std::shared_ptr<StatementCache> statements_;
    std::unordered_map<std::string, std::vector<std::string>> translated_;
    std::unique_ptr<Turns> turns_;
};

/* Runs work whole or not at all: inside the caller's transaction between a savepoint and
 * its release (undone back to the savepoint when work raises), else in a write
 * transaction of its own, since a server takes no savepoint outside a transaction. */
void wholeOrNothing(Connection& c, const std::function<void()>& work);

/* Begins on construction; commit() ends it (raising when the commit fails). The destructor
 * rolls back what was not committed: a call cut short by an exception leaves nothing. */
class Transaction {
  public:
    explicit Transaction(Connection& c, Access access = Access::Write);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    Connection* conn_;
};

} // namespace kavdb::engine
