/*
 * The keyset cursor: the keys of a single-table select taken at open, the current row
 * read by key. A forward walk in key order is served by one streaming statement instead
 * of a look-up per row; each streamed row is checked against the key the walk expects,
 * and any other move, or a row that does not match, falls back to the look-up.
 */
#include "store/engine/cursors.h"

#include "store/engine/native.h"

#include <sqlite3.h>

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

KeysetCursor::KeysetCursor(std::shared_ptr<StatementCache> cache, Stmt& keys, std::string stream,
                           Stmt one)
    : cache_(std::move(cache)), streamSql_(std::move(stream)), one_(std::move(one))
{
    while (keys.step()) {
        keys_.push_back(sqlite3_column_int64(keys.get(), 0));
    }
    keys.reset();
}

void KeysetCursor::first()
{
    pos_ = 0;
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
    pos_ = movedPosition(pos_, n, count());
}

bool KeysetCursor::live()
{
    if (bof() || eof()) {
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
    keys_.push_back(key);
    if (!deleted_.empty()) {
        deleted_.push_back(false);
    }
    pos_ = static_cast<long>(keys_.size()) - 1;
    loaded_ = kNone;
}

sqlite3_stmt* KeysetCursor::row()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return loaded_ == kStream ? stream_.get() : one_.get();
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
            markDeleted(); // gone since the keys were taken
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
        if (keys_.size() >= kStreamMinimum && !planSorts(cache_->db(), streamSql_)) {
            stream_ = Stmt(cache_, streamSql_);
            streamKey_ = stream_.columnCount() - 1;
            streamState_ = 1;
        }
    }
    return streamState_ == 1;
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
    if (!lookahead_) {
        if (!stream_.step()) {
            streamNext_ = -1;
            return false;
        }
        lookahead_ = true;
    }
    ++streamNext_;
    if (sqlite3_column_int64(stream_.get(), streamKey_) == key()) {
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
