/*
 * The keyset cursor: the keys of a single-table select, the current row read by key. A
 * forward walk in key order is served by one streaming statement instead of a look-up
 * per row; each streamed row is checked against the key the walk expects, and any other
 * move, or a row that does not match, falls back to the look-up.
 *
 * A walk over a whole table takes its keys from that same stream as it goes, bounded by
 * the highest key at open, so a full walk reads the table once; a count, a jump or an
 * added row first takes the remaining keys (and only the keys).
 */
#include "store/engine/cursors.h"

#include "store/engine/native.h"

#include <sqlite3.h>

#include <limits>

namespace kavdb::engine {

namespace {

/* Below this many keys a look-up per row costs less than preparing the stream. */
constexpr std::size_t kStreamMinimum = 16;

/* Consecutive rows the stream may disagree on before the walk stops using it. */
constexpr int kStreamMisses = 3;

} // namespace

long movedPosition(long pos, long n, long count)
{
    if ((n > 0 && pos >= count) || (n < 0 && pos < 0) || count == 0) {
        raiseNoCurrentRow();
    }
    long to = pos + n;
    return to < -1 ? -1 : to > count ? count : to;
}

KeysetCursor::KeysetCursor(std::shared_ptr<StatementCache> cache, const KeysetStatements& sql,
                           Stmt one)
    : cache_(std::move(cache)), streamSql_(sql.stream), moreSql_(sql.more), one_(std::move(one)),
      streamKey_(sql.streamKey)
{
    if (!sql.bound.sql.empty()) {
        Stmt bound(cache_, sql.bound);
        complete_ = !bound.step() || sqlite3_column_type(bound.get(), 0) == SQLITE_NULL;
        bound_ = complete_ ? 0 : sqlite3_column_int64(bound.get(), 0);
    } else {
        Stmt keys(cache_, sql.keys);
        while (keys.step()) {
            keys_.push_back(sqlite3_column_int64(keys.get(), 0));
        }
    }
    cache_->enrol(this); // last: nothing after it raises
}

KeysetCursor::~KeysetCursor()
{
    cache_->leave(this);
}

void KeysetCursor::releaseStatements()
{
    // The stream's place is lost; the walk goes on by look-up (or streams afresh from
    // the first row), and the current row is read again by its key.
    stream_.reset();
    one_.reset();
    streamNext_ = -1;
    lookahead_ = false;
    loaded_ = kNone;
}

void KeysetCursor::next()
{
    if (eof()) {
        raiseNoCurrentRow();
    }
    ++pos_;
}

void KeysetCursor::moveBy(long n)
{
    available(pos_ < 0 ? 0 : pos_);
    if (!complete_ && n > 0 && pos_ + n >= static_cast<long>(keys_.size())) {
        complete(); // a jump: the keys alone, not the rows in between
    }
    pos_ = movedPosition(pos_, n, static_cast<long>(keys_.size()));
}

long KeysetCursor::count()
{
    complete();
    return static_cast<long>(keys_.size());
}

bool KeysetCursor::live()
{
    if (loaded_ != kNone && loadedPos_ == pos_) {
        return true;
    }
    if (pos_ < 0 || !available(pos_)) {
        return false;
    }
    if (!deleted_.empty() && deleted_[static_cast<std::size_t>(pos_)]) {
        return false;
    }
    return load();
}

void KeysetCursor::markDeleted()
{
    if (deleted_.empty()) {
        deleted_.resize(keys_.size());
    }
    deleted_[static_cast<std::size_t>(pos_)] = true;
    loaded_ = kNone;
}

void KeysetCursor::standOnNew(int64_t key)
{
    complete();
    appendKey(key);
    pos_ = static_cast<long>(keys_.size()) - 1;
    loaded_ = kNone;
}

void KeysetCursor::requireRow()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
}

bool KeysetCursor::available(long pos)
{
    while (!complete_ && pos >= static_cast<long>(keys_.size())) {
        if (!fetchKey()) {
            break;
        }
    }
    return pos < static_cast<long>(keys_.size());
}

void KeysetCursor::appendKey(int64_t key)
{
    keys_.push_back(key);
    if (!deleted_.empty()) {
        deleted_.push_back(false);
    }
}

/* The next key of a whole-table walk: from the stream when it stands at the frontier
 * of the keys taken so far, else by taking all the rest. */
bool KeysetCursor::fetchKey()
{
    bool aligned = streamWorthIt() && streamNext_ == static_cast<long>(keys_.size());
    if (!aligned) {
        complete();
        return false;
    }
    if (!lookahead_ && !stepStream()) {
        complete_ = true;
        return false;
    }
    int64_t key = lookaheadKey_;
    if (key > bound_) {
        complete_ = true; // added after open: not a member
        streamNext_ = -1;
        return false;
    }
    if (!keys_.empty() && key <= keys_.back()) {
        complete();
        return false;
    }
    appendKey(key);
    // The streamed row is that key's row: the walk stands on it without a look-up.
    lookahead_ = false;
    ++streamNext_;
    loaded_ = kStream;
    loadedPos_ = static_cast<long>(keys_.size()) - 1;
    return true;
}

void KeysetCursor::complete()
{
    if (complete_) {
        return;
    }
    Stmt more(cache_, moreSql_);
    more.bindKey(1, keys_.empty() ? std::numeric_limits<int64_t>::min() : keys_.back());
    more.bindKey(2, bound_);
    while (more.step()) {
        appendKey(sqlite3_column_int64(more.get(), 0));
    }
    complete_ = true;
}

bool KeysetCursor::load()
{
    if (loaded_ != kNone && loadedPos_ == pos_) {
        return true;
    }
    loaded_ = kNone;
    if (fromStream()) {
        loaded_ = kStream;
    } else {
        one_.reset();
        one_.bindKey(1, key());
        if (!one_.step()) {
            markDeleted(); // gone since its key was taken
            return false;
        }
        loaded_ = kSeek;
    }
    loadedPos_ = pos_;
    return true;
}

bool KeysetCursor::streamWorthIt()
{
    if (streamState_ == 0) {
        streamState_ = -1;
        bool wholeTable = !moreSql_.sql.empty(); // a table scan in key order: never sorted
        if (wholeTable ||
            (keys_.size() >= kStreamMinimum && !planSorts(cache_->db(), streamSql_.sql))) {
            stream_ = Stmt(cache_, streamSql_);
            streamNext_ = 0;
            streamState_ = 1;
        }
    }
    return streamState_ == 1;
}

bool KeysetCursor::stepStream()
{
    if (!stream_.step()) {
        streamNext_ = -1;
        return false;
    }
    lookahead_ = true;
    lookaheadKey_ = sqlite3_column_int64(stream_.get(), streamKey_);
    return true;
}

bool KeysetCursor::fromStream()
{
    if (!streamWorthIt()) {
        return false;
    }
    if (pos_ == 0 && streamNext_ != 0) {
        stream_.reset(); // a walk from the first row: stream from the start again
        streamNext_ = 0;
        lookahead_ = false;
        misses_ = 0;
    }
    if (pos_ != streamNext_) {
        return false;
    }
    if (!lookahead_ && !stepStream()) {
        return false;
    }
    ++streamNext_;
    if (lookaheadKey_ == key()) {
        lookahead_ = false;
        misses_ = 0;
        return true;
    }
    // The streamed row may belong to a later key (this one left the statement's rows).
    if (++misses_ >= kStreamMisses) {
        streamNext_ = -1;
    }
    return false;
}

} // namespace kavdb::engine
