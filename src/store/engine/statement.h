/*
 * Private to the engine layer: prepared statements and the values they carry.
 *
 * A connection keeps its prepared statements in a cache keyed by SQL text, so that the
 * statements a recordset derives from its source (read a row by key, write a row, insert)
 * are compiled once per connection rather than once per recordset. Stmt borrows one from
 * the cache and gives it back, reset, when it goes.
 */
#pragma once

#include "store/engine/literal_shape.h"
#include "store/engine/value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kavdb::engine {

/* Something that keeps statements of the cache stepping between calls (a keyset's row
 * stream). Before a slice commit it lets them go, so that no read snapshot outlives the
 * commit, and finds its place again by key afterwards. */
class StatementHolder {
  public:
    virtual void releaseStatements() = 0;

  protected:
    ~StatementHolder() = default;
};

class StatementCache {
  public:
    /* callDepth is the owning connection's transaction depth: inside a call whose
     * transaction has ended under it, no statement is handed out. */
    StatementCache(sqlite3* db, const int& callDepth) : db_(db), callDepth_(callDepth) {}
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    sqlite3* db() const { return db_; }
    /* True once the connection has closed: statements borrowed before then are dead. */
    bool closed() const { return db_ == nullptr; }
    /* A prepared statement for sql, from the cache or newly compiled; raises on failure,
     * for a text that holds no statement, and inside a call whose transaction was lost. */
    sqlite3_stmt* take(const std::string& sql);
    void giveBack(const std::string& sql, sqlite3_stmt* stmt);
    /* Finalizes every idle statement and marks the cache closed. */
    void close();
    /* Finalizes every idle statement: after a schema change, a statement compiled before
     * it still describes the old columns until it is next stepped. */
    void dropIdle();

    /* Holders enrol for as long as they live; releaseHeld asks each to let go. */
    void enrol(StatementHolder* holder);
    void leave(StatementHolder* holder);
    void releaseHeld();

  private:
    sqlite3* db_;
    const int& callDepth_;
    // Idle statements by text; a text's list stays when it empties, so that giving a
    // statement back costs no allocation.
    std::unordered_map<std::string, std::vector<sqlite3_stmt*>> idle_;
    std::size_t idleCount_ = 0;
    std::vector<StatementHolder*> holders_;
};

/* One borrowed statement. Empty (null) until assigned. */
class Stmt {
  public:
    Stmt() = default;
    Stmt(std::shared_ptr<StatementCache> cache, const std::string& sql);
    /* A text already in shape: prepared from the cache as it stands, its literals bound
     * (those whose parameter the statement does not hold are passed over). */
    Stmt(std::shared_ptr<StatementCache> cache, const LiteralShape& shaped);
    /* A statement of its own, finalized when it goes. */
    Stmt(sqlite3* db, const std::string& sql);
    ~Stmt();
    Stmt(Stmt&& other) noexcept;
    Stmt& operator=(Stmt&& other) noexcept;
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    explicit operator bool() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }
    const std::string& sql() const { return sql_; }

    /* Steps once: true on a row, false when done; raises (after a reset) on failure. */
    bool step();
    /* Steps until done, passing over rows. */
    void run();
    void reset();
    void bind(int index, const Value& value); // index from 1
    void bindKey(int index, int64_t key);
    int columnCount() const;

    /* Binds values from parameter first on, passing over those the statement does not
     * hold. */
    void bindLiterals(const std::vector<Value>& values, int first);

  private:
    void release() noexcept;

    std::shared_ptr<StatementCache> cache_;
    std::string sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

/* Runs sql (one statement) to its end outside the cache; raises on failure. */
void runOnce(sqlite3* db, const std::string& sql);
/* True when SQLite's plan for sql sorts the rows in a temporary b-tree. */
bool planSorts(sqlite3* db, const std::string& sql);

/* Column i of a statement standing on a row, as an engine value: NULL → null, INTEGER →
 * integer (text of the number outside 32 bits), REAL → integer when whole and in range,
 * else its text, TEXT → text, BLOB → bytes. */
Value columnValue(sqlite3_stmt* stmt, int i);
/* The byte size ADO calls ActualSize: 0 for NULL, 4 for an integer, bytes otherwise. */
long columnSize(sqlite3_stmt* stmt, int i);
/* The first n bytes of a text or blob column as bytes; null for NULL. */
Value columnChunk(sqlite3_stmt* stmt, int i, long n);

/* Size and chunk of a value held in memory (a pending change). */
long valueSize(const Value& v);
Value valueChunk(const Value& v, long n);

} // namespace kavdb::engine
