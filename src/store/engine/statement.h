/*
 * Private to the engine layer: the prepared statements of a connection.
 *
 * One cache per connection keeps statements by their exact text, so that the statements
 * recordsets open and derive again and again (a row by key, an update of one row) are
 * prepared once. A Stmt borrows one and gives it back, reset, when it goes; the cache
 * outlives its connection's close, so that a recordset left open then refuses to work
 * instead of touching a closed database.
 */
#pragma once

#include "store/engine/driver.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kavdb::engine {

class Connection;
class KeysetCursor;

class StatementCache {
  public:
    explicit StatementCache(const Connection& conn) : conn_(&conn) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    /* True once the connection has closed: statements borrowed before then are dead. */
    bool closed() const { return conn_ == nullptr; }
    /* The connection's driver (Connection::driver); kObjectClosed once closed. */
    Driver& driver() const;
    /* An idle statement for sql, or a newly prepared one; raises on failure. */
    std::unique_ptr<DriverStatement> take(const std::string& sql);
    void giveBack(const std::string& sql, std::unique_ptr<DriverStatement> stmt) noexcept;
    /* Drops every idle statement and marks the cache closed. */
    void close();

    /* Keysets still reading their keys from their walk's statement (cursors.h). Before
     * anything writes, and before a commit lets that statement go, each takes the rest of
     * its keys, so that its rows stay those of its open. */
    void streaming(KeysetCursor* k) { streams_.push_back(k); }
    void settled(KeysetCursor* k) { std::erase(streams_, k); }
    void settleStreams();

  private:
    const Connection* conn_;
    std::vector<KeysetCursor*> streams_;
    std::unordered_map<std::string, std::vector<std::unique_ptr<DriverStatement>>> idle_;
    std::size_t idleCount_ = 0;
};

/* What a Stmt does when it goes: gives the statement back to its cache. */
struct GiveBack {
    std::shared_ptr<StatementCache> cache;
    std::string sql;
    void operator()(DriverStatement* stmt) const noexcept;
};

/* One borrowed statement; empty until assigned. */
using Stmt = std::unique_ptr<DriverStatement, GiveBack>;

/* The statement for sql, prepared or taken from the cache, with values bound in order. */
Stmt borrow(std::shared_ptr<StatementCache> cache, const std::string& sql,
            const std::vector<Value>& values = {});

/* Size and chunk of a value held in memory (a pending change, a row read at open). */
long valueSize(const Value& v);
Value valueChunk(const Value& v, long n);

} // namespace kavdb::engine
