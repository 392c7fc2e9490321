/*
 * Private to the engine layer: the three ways a recordset walks its rows.
 *
 * KeysetCursor holds the keys of a single-table select and reads the current row by key
 * (or, while the walk goes forward in order, from one statement streaming the rows with
 * their keys, checked key by key). StreamCursor steps a statement forward only. RowsCursor
 * holds the values of a statement that has no row keys (a join, an aggregate). Position
 * follows ADO: BOF before the first row, EOF after the last, both on no rows.
 */
#pragma once

#include "store/engine/sql_shape.h"
#include "store/engine/statement.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::engine {

class RowCursor {
  public:
    virtual ~RowCursor() = default;

    virtual void first() = 0;
    virtual void next() = 0; // raises kNoCurrentRow at EOF
    virtual void moveBy(long n) = 0;
    virtual bool bof() = 0;
    virtual bool eof() = 0;
    virtual long count() = 0; // -1 when the cursor cannot tell

    /* Standing on a row that exists: not BOF/EOF, not deleted. */
    virtual bool live() = 0;
    /* Columns of the live row. */
    virtual Value value(int i) = 0;
    virtual long size(int i) = 0;
    virtual Value chunk(int i, long n) = 0;

    /* Rows of a table: the current row's key, and what changes do to the position. */
    virtual int64_t key() = 0;
    virtual void markDeleted() = 0;
    virtual void invalidate() = 0; // the row changed: read it again
    virtual void standOnNew(int64_t key) = 0;
};

/* A cursor whose current row is a statement standing on it. */
class StatementRows : public RowCursor {
  public:
    Value value(int i) override { return columnValue(row(), i); }
    long size(int i) override { return columnSize(row(), i); }
    Value chunk(int i, long n) override { return columnChunk(row(), i, n); }

  protected:
    /* The statement standing on the live row. */
    virtual sqlite3_stmt* row() = 0;
};

/* The statements a keyset walks a single-table select with (see KeysetSql), in shape. */
struct KeysetStatements {
    LiteralShape keys, stream, bound, more;
    int streamKey = 0;
};

class KeysetCursor : public StatementRows, private StatementHolder {
  public:
    /* one: a row by key. A select of a whole table takes its keys as the walk reaches
     * them (rows added after open stay out: their keys are above the highest at open);
     * any other select takes all of them here. */
    KeysetCursor(std::shared_ptr<StatementCache> cache, const KeysetStatements& sql, Stmt one);
    ~KeysetCursor() override;
    KeysetCursor(const KeysetCursor&) = delete;
    KeysetCursor& operator=(const KeysetCursor&) = delete;

    void first() override { pos_ = 0; }
    void next() override;
    void moveBy(long n) override;
    bool bof() override { return pos_ < 0 || !available(0); }
    bool eof() override
    {
        return (pos_ < 0 || pos_ >= static_cast<long>(keys_.size())) &&
               !available(pos_ < 0 ? 0 : pos_);
    }
    long count() override;
    bool live() override;
    int64_t key() override { return keys_[static_cast<std::size_t>(pos_)]; }
    void markDeleted() override;
    void invalidate() override { loaded_ = kNone; }
    void standOnNew(int64_t key) override;

  protected:
    sqlite3_stmt* row() override
    {
        if (loaded_ == kNone || loadedPos_ != pos_) {
            requireRow();
        }
        return loaded_ == kStream ? stream_.get() : one_.get();
    }

  private:
    enum Source { kNone, kStream, kSeek };

    void requireRow();
    void releaseStatements() override;

    /* A key at index pos is known, fetching keys as needed. */
    bool available(long pos);
    bool fetchKey();
    void complete();
    void appendKey(int64_t key);
    bool load();
    bool fromStream();
    bool stepStream();
    bool streamWorthIt();

    std::shared_ptr<StatementCache> cache_;
    std::vector<int64_t> keys_;
    std::vector<bool> deleted_; // sized on first deletion
    long pos_ = 0;
    bool complete_ = true; // every key is in keys_
    int64_t bound_ = 0;    // the highest key at open, for a whole-table walk
    LiteralShape streamSql_, moreSql_;
    Stmt stream_, one_;
    int streamKey_; // column of the key in the stream
    Source loaded_ = kNone;
    long loadedPos_ = -1;
    int streamState_ = 0;    // 0 not decided, 1 usable, -1 not used
    long streamNext_ = -1;   // the key index the stream's next row should have
    bool lookahead_ = false; // the stream stands on a row not yet matched to a key
    int64_t lookaheadKey_ = 0;
    int misses_ = 0;
};

class StreamCursor : public StatementRows {
  public:
    /* A statement read as it stands: rows without keys. */
    StreamCursor(Stmt stream, std::shared_ptr<StatementCache> cache);
    /* A table's rows: stream is prepared at the first look at the rows (a recordset opened
     * only to add rows never prepares it); keyColumn is the row key's index in it, one
     * reads a row by key, for standing on an added or changed row. */
    StreamCursor(std::shared_ptr<StatementCache> cache, LiteralShape stream, int keyColumn,
                 LiteralShape one);

    void first() override;
    void next() override;
    void moveBy(long n) override;
    bool bof() override;
    bool eof() override;
    long count() override { return -1; }
    bool live() override;
    int64_t key() override;
    void markDeleted() override { deleted_ = true; }
    void invalidate() override;
    void standOnNew(int64_t key) override;

  protected:
    sqlite3_stmt* row() override;

  private:
    enum State { kNotStarted, kOnRow, kAtEnd };

    void start();
    void step();
    /* Reads the current row again by its key (an added or changed row). */
    void readByKey(int64_t key);

    Stmt stream_;
    LiteralShape streamSql_; // empty when stream_ was given
    int keyColumn_;
    std::shared_ptr<StatementCache> cache_;
    LiteralShape oneSql_;
    Stmt one_;
    State state_ = kNotStarted;
    long index_ = -1;
    bool deleted_ = false;
    bool onNew_ = false; // standing on a row this recordset added
    bool byKey_ = false; // the current row is read through one_
    bool oneLoaded_ = false, oneFound_ = false;
    int64_t oneKey_ = 0;
};

class RowsCursor : public RowCursor {
  public:
    /* Reads every row of stmt. */
    explicit RowsCursor(Stmt& stmt);

    void first() override { pos_ = 0; }
    void next() override;
    void moveBy(long n) override;
    bool bof() override { return rows_.empty() || pos_ < 0; }
    bool eof() override { return rows_.empty() || pos_ >= static_cast<long>(rows_.size()); }
    long count() override { return static_cast<long>(rows_.size()); }
    bool live() override { return !bof() && !eof(); }
    Value value(int i) override;
    long size(int i) override { return valueSize(value(i)); }
    Value chunk(int i, long n) override { return valueChunk(value(i), n); }
    int64_t key() override;
    void markDeleted() override {}
    void invalidate() override {}
    void standOnNew(int64_t) override {}

  private:
    std::vector<std::vector<Value>> rows_;
    long pos_ = 0;
};

/* Moving n rows from pos within [-1, count]: beyond either end gives BOF or EOF; moving
 * on from BOF or EOF in the direction already taken raises kNoCurrentRow. */
long movedPosition(long pos, long n, long count);

} // namespace kavdb::engine
