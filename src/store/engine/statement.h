/*
 * Private to the engine layer: the prepared statements of a connection.
 *
 * One cache per connection keeps statements by their exact text, so that the statements
 * recordsets open and derive again and again (a row by key, an update of one row) are
 * prepared once. Stmt borrows one and gives it back, reset, when it goes.
 */
#pragma once

#include "store/engine/driver.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kavdb::engine {

class StatementCache {
  public:
    /* depth is the owning connection's transaction depth: inside a call whose transaction
     * the engine ended, no statement is handed out. */
    StatementCache(Driver& driver, const int& depth) : driver_(&driver), depth_(depth) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    /* True once the connection has closed: statements borrowed before then are dead. */
    bool closed() const { return driver_ == nullptr; }
    /* The driver; raises kObjectClosed once closed, and kFail in a lost transaction. */
    Driver& driver() const;
    /* An idle statement for sql, or a newly prepared one; raises on failure. */
    std::unique_ptr<DriverStatement> take(const std::string& sql);
    void giveBack(const std::string& sql, std::unique_ptr<DriverStatement> stmt) noexcept;
    /* Drops every idle statement and marks the cache closed. */
    void close();

  private:
    Driver* driver_;
    const int& depth_;
    std::unordered_map<std::string, std::vector<std::unique_ptr<DriverStatement>>> idle_;
    std::size_t idleCount_ = 0;
};

/* One borrowed statement; empty until assigned. */
class Stmt {
  public:
    Stmt() = default;
    /* Prepared (or taken from the cache) with values bound to its parameters in order. */
    Stmt(std::shared_ptr<StatementCache> cache, std::string sql,
         const std::vector<Value>& values = {});
    ~Stmt() { release(); }
    Stmt(Stmt&& other) noexcept = default;
    Stmt& operator=(Stmt&& other) noexcept;

    explicit operator bool() const { return stmt_ != nullptr; }
    DriverStatement* operator->() const { return stmt_.get(); }
    DriverStatement& operator*() const { return *stmt_; }
    /* Binds values to the parameters in order. */
    void bindAll(const std::vector<Value>& values);
    /* Steps until done. */
    void run();

  private:
    void release() noexcept;

    std::shared_ptr<StatementCache> cache_;
    std::string sql_;
    std::unique_ptr<DriverStatement> stmt_;
};

/* Size and chunk of a value held in memory (a pending change, a row read at open). */
long valueSize(const Value& v);
Value valueChunk(const Value& v, long n);

} // namespace kavdb::engine
