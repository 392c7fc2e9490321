/*
 * Connection: one open catalogue file.
 *
 * Opening sets WAL journaling, synchronous=NORMAL and a 5 s busy timeout, and registers
 * the Jet functions an application's SQL may use (StrComp, UCase, Nz, ...). Statements
 * arrive in the Jet dialect and are translated on the way in (dialect.h). Transactions
 * nest by depth: only the outermost begin/commit reaches SQLite, so an export that calls
 * another export still costs one commit.
 */
#pragma once

#include "store/engine/error.h"

#include <chrono>
#include <memory>
#include <string>

struct sqlite3;

namespace kavdb::engine {

class StatementCache;
class PlanCache;

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /* Opens an existing file. A file that is missing, not a database, or unreadable
     * raises an EngineError and leaves the connection closed. */
    void open(const std::string& path);
    /* Creates a new, empty catalogue file; kFail when the file exists. */
    static void create(const std::string& path);
    /* Closes; raises kObjectClosed when the connection is not open. */
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    /* Runs one or more Jet statements (translated); raises on the first failure. */
    void execute(const std::string& jetSql);
    /* Rows changed by the last statement executed. */
    int changes() const;

    /* Transactions. Nested begins only count depth. */
    void begin();
    void commit();
    void rollback();
    int depth() const { return depth_; }
    /* In a long outermost transaction: commits and begins again once the current slice
     * has run for sliceMs, so that another process waiting on the file gets its turn. */
    void yieldIfDue(int sliceMs = 250);

    /* Savepoints: an all-or-nothing unit inside the current transaction. */
    void savepoint(const std::string& name);
    void release(const std::string& name);
    void rollbackTo(const std::string& name);

    /* A complete, consistent copy of the open catalogue at path (online backup), and the
     * reverse: the open catalogue's content replaced by the file at path. */
    void backupTo(const std::string& path);
    void restoreFrom(const std::string& path);

    /* The handle the engine layer's own classes work on; raises kObjectClosed. */
    sqlite3* native() const;
    /* The prepared statements the engine layer's recordsets share; raises kObjectClosed. */
    std::shared_ptr<StatementCache> statements() const;
    /* What opening recordsets on this connection has worked out; raises kObjectClosed. */
    PlanCache& plans();

  private:
    void runNative(const std::string& sql);

    sqlite3* db_ = nullptr;
    std::string path_;
    int depth_ = 0;
    bool failed_ = false;
    std::chrono::steady_clock::time_point sliceStart_{};
    std::shared_ptr<StatementCache> statements_;
    std::unique_ptr<PlanCache> plans_;
};

/* Begins on construction; commit() ends it (raising when the commit fails), and the
 * destructor commits what was not committed, quietly: work done before a failure stays. */
class Transaction {
  public:
    explicit Transaction(Connection& c);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    Connection* conn_;
};

/* Raises the EngineError that SQLite's result rc on db stands for. */
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, const std::string& source);

} // namespace kavdb::engine
