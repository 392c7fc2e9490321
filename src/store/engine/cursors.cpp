/*
 * The cursors of recordsets (see cursors.h).
 *
 * On an engine that steps through rows (Driver::streamsRows), a keyset reads its keys with
 * its rows from one statement as the walk goes: one pass over the rows instead of two.
 * That statement keeps the read snapshot of the open (a sort, too, reads its rows then), so
 * the keys are the open's as long as nothing on the connection writes; before anything
 * does, and before a commit lets the statement go, the keyset takes the rest of its keys
 * (StatementCache::settleStreams). A row the statement does not stand on is read by key.
 */
#include "store/engine/cursors.h"

#include "store/engine/jet/lexer.h"
#include "store/engine/native.h"

#include <algorithm>
#include <climits>

namespace kavdb::engine {

namespace {

/* The key a deleted row keeps in a keyset: no row has it. */
constexpr int64_t kGone = INT64_MIN;

class StreamCursor final : public RowCursor {
  public:
    /* Steps at once: a statement that fails, fails at open. */
    explicit StreamCursor(Stmt stmt) : stmt_(std::move(stmt))
    {
        stmt_->streamRows();
        step();
    }

    void first() override
    {
        if (pos_ != 0 || atEnd_) { // else on the first row already
            stmt_->reset();
            stmt_->streamRows();
            pos_ = -1;
            step();
        }
    }
    void moveBy(long n) override
    {
        if (n < 0) {
            raiseEngine(code::kFail, "A forward-only recordset cannot move backward.");
        }
        if (n > 0 && eof()) {
            raiseNoCurrentRow();
        }
        for (long k = 0; k < n && !eof(); ++k) {
            step();
        }
    }
    bool bof() override { return atEnd_ && pos_ < 0; }
    bool eof() override { return atEnd_; }
    long count() override { return -1; }
    bool live() override
    {
        if (!atEnd_ && !stmt_->busy()) {
            raiseEngine(code::kFail, "A forward-only walk does not go on past a slice commit.");
        }
        return !atEnd_;
    }
    Value value(int i) override { return row().value(i); }
    long size(int i) override { return row().size(i); }
    Value chunk(int i, long n) override { return row().chunk(i, n); }
    Layout describe(const std::string&) override
    {
        return layoutOf(*stmt_, stmt_->columnCount(), "");
    }

  private:
    void step()
    {
        atEnd_ = !stmt_->step();
        pos_ += atEnd_ ? 0 : 1;
    }
    DriverStatement& row()
    {
        if (!live()) {
            raiseNoCurrentRow();
        }
        return *stmt_;
    }

    Stmt stmt_;
    bool atEnd_ = false;
    long pos_ = -1;
};

class RowsCursor final : public CountedCursor {
  public:
    explicit RowsCursor(Stmt& stmt);

    long count() override { return static_cast<long>(rows_.size()); }
    bool live() override { return onARow(); }
    Value value(int i) override
    {
        if (!live()) {
            raiseNoCurrentRow();
        }
        return rows_[static_cast<std::size_t>(pos_)][static_cast<std::size_t>(i)];
    }
    long size(int i) override { return valueSize(value(i)); }
    Value chunk(int i, long n) override { return valueChunk(value(i), n); }
    Layout describe(const std::string&) override { return layout_; }

  private:
    std::vector<std::vector<Value>> rows_;
    Layout layout_;
};

RowsCursor::RowsCursor(Stmt& stmt)
{
    int columns = stmt->columnCount();
    while (stmt->step()) {
        std::vector<Value>& row = rows_.emplace_back();
        for (int i = 0; i < columns; ++i) {
            row.push_back(stmt->value(i));
        }
    }
    layout_ = layoutOf(*stmt, columns, "");
    stmt->reset();
}

} // namespace

KeysetCursor::KeysetCursor(std::shared_ptr<StatementCache> cache, const SelectParts& parts,
                           std::vector<Value> values)
    : cache_(std::move(cache)), values_(std::move(values))
{
    std::string keyName = cache_->driver().rowKey(parts.tableName);
    const char* key = keyName.c_str();
    one_ = borrow(cache_, rowByKey(parts, key));
    keysSql_ = reselect(parts, key, key, true);
    if (cache_->driver().streamsRows()) {
        stream_ = borrow(cache_, reselect(parts, parts.list + ", " + key, key, true), values_);
        streaming_ = true;
        if (streamOn()) {
            cache_->streaming(this);
        }
        return;
    }
    if (parts.limit.empty() && probe(parts, key)) {
        return;
    }
    takeKeysNow();
    if (loaded_ != nullptr) {
        return; // the probe's first row is the first key's
    }
    // Read now: the first row, and the fields as the statement has them once it has run.
    one_->bindKey(1, keys_.empty() ? 0 : keys_.front());
    if (one_->step()) {
        loaded_ = one_.get();
        loadedPos_ = 0;
    }
}

/* Where a result is read whole, a select of one row (a single file's or folder's look-up,
 * most calls) gets its key and its row from one statement, in one round trip: two rows are
 * asked for, and fewer are all there are. With two, the first stays and the keys are read. */
bool KeysetCursor::probe(const SelectParts& parts, const char* key)
{
    stream_ =
        borrow(cache_, reselect(parts, parts.list + ", " + key, key, true) + " LIMIT 2", values_);
    bool any = stream_->step();
    bool whole = stream_->rowsHeld() < 2;
    if (any) {
        loaded_ = stream_.get();
        loadedPos_ = 0;
        if (whole) {
            keys_.push_back(stream_->key(stream_->columnCount() - 1));
        }
    }
    return whole;
}

void CountedCursor::next()
{
    if (eof()) {
        raiseNoCurrentRow();
    }
    ++pos_;
}

/* Beyond either end gives BOF or EOF; moving on from BOF or EOF in the direction already
 * taken raises kNoCurrentRow. */
void CountedCursor::moveBy(long n)
{
    long rows = count();
    if ((n > 0 && pos_ >= rows) || (n < 0 && pos_ < 0) || rows == 0) {
        raiseNoCurrentRow();
    }
    pos_ = std::clamp(pos_ + n, -1L, rows);
}

Layout KeysetCursor::describe(const std::string& tableName)
{
    DriverStatement& ran = stream_ ? *stream_ : *one_;
    return layoutOf(ran, ran.columnCount() - (stream_ ? 1 : 0), tableName);
}

long KeysetCursor::count()
{
    takeAllKeys();
    return static_cast<long>(keys_.size());
}

bool KeysetCursor::has(long p)
{
    while (streaming_ && p >= static_cast<long>(keys_.size()) && streamOn()) {
    }
    return p < static_cast<long>(keys_.size());
}

bool KeysetCursor::live()
{
    if (!onARow() || key() == kGone) {
        return false;
    }
    // A statement let go at a slice commit stands on no row any more.
    return (loaded_ != nullptr && loadedPos_ == pos_ && loaded_->busy()) || load();
}

DriverStatement& KeysetCursor::row()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return *loaded_;
}

bool KeysetCursor::load()
{
    loadedPos_ = pos_;
    if (streaming_ && pos_ + 1 == static_cast<long>(keys_.size()) && stream_->busy()) {
        loaded_ = stream_.get(); // standing on the last key it gave
        return true;
    }
    loaded_ = one_.get();
    one_->reset();
    one_->bindKey(1, key());
    if (!one_->step()) {
        markDeleted(); // gone since its key was taken
        return false;
    }
    return true;
}

void KeysetCursor::markDeleted()
{
    keys_[static_cast<std::size_t>(pos_)] = kGone;
    loaded_ = nullptr;
}

bool KeysetCursor::streamOn()
{
    if (loaded_ == stream_.get()) {
        loaded_ = nullptr; // the stream steps off the row it stood on
    }
    if (!keys_.empty() && !stream_->busy()) {
        takeKeysNow(); // let go under the walk (a rollback): it would start again
        return false;
    }
    if (stream_->step()) {
        keys_.push_back(stream_->key(stream_->columnCount() - 1));
        return true;
    }
    streaming_ = false;
    cache_->settled(this);
    return false;
}

void KeysetCursor::takeAllKeys()
{
    try {
        while (streaming_ && streamOn()) {
        }
    } catch (...) {
        streaming_ = false;
        cache_->settled(this);
        throw;
    }
}

void KeysetCursor::takeKeysNow()
{
    keys_.clear();
    Stmt keys = borrow(cache_, keysSql_, values_);
    while (keys->step()) {
        keys_.push_back(keys->key(0));
    }
    streaming_ = false;
    cache_->settled(this);
}

Layout layoutOf(DriverStatement& stmt, int count, const std::string& tableName)
{
    Layout layout;
    for (int i = 0; i < count; ++i) {
        ColumnOrigin c = stmt.column(i);
        bool ours = !tableName.empty() && equalsIgnoreCase(c.table, tableName);
        layout.fields.push_back(c.name);
        layout.columns.push_back(ours ? c.column : "");
        if (c.name.size() >= layout.byLength.size()) {
            layout.byLength.resize(c.name.size() + 1);
        }
        layout.byLength[c.name.size()].push_back(i);
    }
    return layout;
}

std::unique_ptr<RowCursor> streamCursor(Stmt stmt)
{
    return std::make_unique<StreamCursor>(std::move(stmt));
}

std::unique_ptr<RowCursor> rowsCursor(Stmt& stmt)
{
    return std::make_unique<RowsCursor>(stmt);
}

} // namespace kavdb::engine
