/*
 * The forward-only cursor: steps its statement as the walk asks (nothing is prepared or
 * run before the first look at the rows, so a recordset opened only to add rows never
 * reads any), and reads an added or changed row again by its key.
 */
#include "store/engine/cursors.h"

#include "store/engine/native.h"

#include <sqlite3.h>

namespace kavdb::engine {

StreamCursor::StreamCursor(Stmt stream, std::shared_ptr<StatementCache> cache)
    : stream_(std::move(stream)), keyColumn_(-1), cache_(std::move(cache))
{
}

StreamCursor::StreamCursor(std::shared_ptr<StatementCache> cache, LiteralShape stream,
                           int keyColumn, LiteralShape one)
    : streamSql_(std::move(stream)), keyColumn_(keyColumn), cache_(std::move(cache)),
      oneSql_(std::move(one))
{
}

void StreamCursor::start()
{
    if (state_ == kNotStarted) {
        if (!stream_) {
            stream_ = Stmt(cache_, streamSql_);
        }
        step();
    }
}

void StreamCursor::step()
{
    state_ = stream_.step() ? kOnRow : kAtEnd;
    index_ += state_ == kOnRow ? 1 : 0;
    deleted_ = false;
    byKey_ = false;
}

bool StreamCursor::bof()
{
    if (onNew_) {
        return false;
    }
    start();
    return state_ == kAtEnd && index_ < 0;
}

bool StreamCursor::eof()
{
    if (onNew_) {
        return false;
    }
    start();
    return state_ == kAtEnd;
}

void StreamCursor::first()
{
    onNew_ = false;
    if (state_ == kOnRow && index_ == 0 && !byKey_) {
        deleted_ = false;
        return;
    }
    if (state_ != kNotStarted) {
        stream_.reset();
        state_ = kNotStarted;
        index_ = -1;
    }
    start();
}

void StreamCursor::next()
{
    if (onNew_) {
        // From an added row the walk goes on where the stream stood.
        onNew_ = false;
        if (state_ == kNotStarted) {
            start();
        } else if (state_ == kOnRow) {
            step();
        }
        return;
    }
    start();
    if (state_ == kAtEnd) {
        raiseNoCurrentRow();
    }
    step();
}

void StreamCursor::moveBy(long n)
{
    if (n < 0) {
        raiseEngine(code::kFail, "A forward-only recordset cannot move backward.");
    }
    if (n > 0 && eof()) {
        raiseNoCurrentRow();
    }
    for (long k = 0; k < n && !eof(); ++k) {
        next();
    }
}

bool StreamCursor::live()
{
    if (!onNew_) {
        start();
        if (state_ != kOnRow) {
            return false;
        }
    }
    if (deleted_) {
        return false;
    }
    if (byKey_ && !oneLoaded_) {
        if (!one_) {
            one_ = Stmt(cache_, oneSql_);
        }
        one_.reset();
        one_.bindKey(1, oneKey_);
        oneFound_ = one_.step();
        oneLoaded_ = true;
    }
    return !byKey_ || oneFound_;
}

int64_t StreamCursor::key()
{
    if (onNew_ || byKey_) {
        return oneKey_;
    }
    if (keyColumn_ < 0 || !live()) {
        raiseEngine(code::kFail, "The current row has no key.");
    }
    return sqlite3_column_int64(stream_.get(), keyColumn_);
}

void StreamCursor::readByKey(int64_t key)
{
    if (oneSql_.sql.empty()) {
        raiseEngine(code::kFail, "The recordset is read-only.");
    }
    oneKey_ = key;
    byKey_ = true;
    oneLoaded_ = false;
    deleted_ = false;
}

void StreamCursor::invalidate()
{
    if (onNew_ || byKey_) {
        oneLoaded_ = false;
    } else if (keyColumn_ >= 0 && live()) {
        readByKey(key());
    }
}

void StreamCursor::standOnNew(int64_t key)
{
    readByKey(key);
    onNew_ = true;
}

sqlite3_stmt* StreamCursor::row()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return byKey_ ? one_.get() : stream_.get();
}

} // namespace kavdb::engine
