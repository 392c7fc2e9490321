/*
 * Part of the engine layer (seen above it only through Recordset): the three ways a
 * recordset walks its rows.
 *
 * KeysetCursor holds the keys of a keyed select (select_reader.h) as they were at open,
 * reads a row by its key unless its walk's statement stands on it, and is the one cursor
 * whose rows can be changed.
 * StreamCursor steps a statement forward only. RowsCursor holds the values of a statement
 * without row keys (a join, an aggregate), read at open. Position follows ADO: BOF before
 * the first row, EOF after the last, both on no rows.
 */
#pragma once

#include "store/engine/select_reader.h"
#include "store/engine/statement.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kavdb::engine {

/* The fields of a recordset: names, the table column behind each (empty for an
 * expression or another table's column), and indexes by name length for quick look-up. */
struct Layout {
    std::vector<std::string> fields;
    std::vector<std::string> columns;
    std::vector<std::vector<int>> byLength;
};

class RowCursor {
  public:
    virtual ~RowCursor() = default;

    virtual void first() = 0;
    virtual void next() { moveBy(1); } // raises kNoCurrentRow at EOF
    virtual void moveBy(long n) = 0;
    virtual bool bof() = 0;
    virtual bool eof() = 0;
    virtual long count() = 0; // -1 when the cursor cannot tell

    /* Standing on a row that exists: not BOF/EOF, not deleted. */
    virtual bool live() = 0;
    /* Columns of the live row; raise kNoCurrentRow without one. */
    virtual Value value(int i) = 0;
    virtual long size(int i) = 0;
    virtual Value chunk(int i, long n) = 0;
    /* The fields, as the engine describes them once it has run the statement (a statement
     * prepared before a column was added learns of it when it runs). */
    virtual Layout describe(const std::string& tableName) = 0;
};

/* A cursor over rows it can count: positions run from -1 (BOF) to count() (EOF). */
class CountedCursor : public RowCursor {
  public:
    void first() override { pos_ = 0; }
    void next() override;
    void moveBy(long n) override;
    bool bof() override { return pos_ < 0 || !has(0); }
    bool eof() override { return !has(std::max(pos_, 0L)); }

  protected:
    /* Whether there is a row at position p (p >= 0); cheaper than count() where the
     * cursor learns its rows as it goes. */
    virtual bool has(long p) { return p < count(); }
    bool onARow() { return pos_ >= 0 && has(pos_); }
    long pos_ = 0;
};

class KeysetCursor final : public CountedCursor {
  public:
    KeysetCursor(std::shared_ptr<StatementCache> cache, const SelectParts& parts,
                 std::vector<Value> values);
    ~KeysetCursor() override { cache_->settled(this); }

    long count() override;
    bool live() override;
    Value value(int i) override { return row().value(i); }
    long size(int i) override { return row().size(i); }
    Value chunk(int i, long n) override { return row().chunk(i, n); }
    Layout describe(const std::string& tableName) override;

    /* The current row, for a change made to it by key. */
    int64_t key() const { return keys_[static_cast<std::size_t>(pos_)]; }
    void markDeleted();
    void invalidate() { loaded_ = nullptr; } // changed: read it again
    /* Reads the keys the walk has not reached yet; the stream stops. */
    void takeAllKeys();

  private:
    bool has(long p) override;
    DriverStatement& row();
    bool load();
    /* One more key from the stream; false (all known) at its end. */
    bool streamOn();
    void takeKeysNow();
    bool probe(const SelectParts& parts, const char* key);

    std::shared_ptr<StatementCache> cache_;
    std::vector<Value> values_;
    std::vector<int64_t> keys_; // kGone for a row deleted
    Stmt one_;                  // a row by its key
    Stmt stream_;               // the rows with their keys, in the walk's order
    bool streaming_ = false;    // the keys come with the walk from the stream, else all are known
    std::string keysSql_;
    DriverStatement* loaded_ = nullptr; // the statement standing on row loadedPos_
    long loadedPos_ = -1;
};

/* The first count columns of a statement, as fields. */
Layout layoutOf(DriverStatement& stmt, int count, const std::string& tableName);

/* A forward-only walk over a statement, bound already. */
std::unique_ptr<RowCursor> streamCursor(Stmt stmt);
/* Every row of a statement that has no row keys, read now. */
std::unique_ptr<RowCursor> rowsCursor(Stmt& stmt);

} // namespace kavdb::engine
