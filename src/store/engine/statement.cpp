/*
 * The statement cache of a connection and the statements borrowed from it.
 */
#include "store/engine/statement.h"

#include "store/engine/connection.h"
#include "store/engine/cursors.h"
#include "store/engine/native.h"

#include <algorithm>

namespace kavdb::engine {

namespace {

/* Enough for every statement of a few recordsets on every table at once; a text used
 * once (a caller's search) goes when the cache is full. */
constexpr std::size_t kIdleLimit = 128;

} // namespace

Driver& StatementCache::driver() const
{
    if (conn_ == nullptr) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    return conn_->driver();
}

std::unique_ptr<DriverStatement> StatementCache::take(const std::string& sql)
{
    Driver& d = driver();
    auto it = idle_.find(sql);
    if (it == idle_.end() || it->second.empty()) {
        return d.prepare(sql);
    }
    std::unique_ptr<DriverStatement> stmt = std::move(it->second.back());
    it->second.pop_back();
    --idleCount_;
    return stmt;
}

void StatementCache::giveBack(const std::string& sql,
                              std::unique_ptr<DriverStatement> stmt) noexcept
{
    if (conn_ == nullptr) {
        return; // dies with the closed connection's statements
    }
    if (idleCount_ >= kIdleLimit) {
        idle_.clear();
        idleCount_ = 0;
    }
    try {
        stmt->reset();
        idle_[sql].push_back(std::move(stmt));
        ++idleCount_;
    } catch (...) {
        // Not kept: it is finalized here.
    }
}

void StatementCache::close()
{
    idle_.clear();
    idleCount_ = 0;
    conn_ = nullptr;
}

void StatementCache::settleStreams()
{
    while (!streams_.empty()) {
        streams_.back()->takeAllKeys(); // settles it, also when it fails
    }
}

void GiveBack::operator()(DriverStatement* stmt) const noexcept
{
    std::unique_ptr<DriverStatement> owned(stmt);
    if (cache) {
        cache->giveBack(sql, std::move(owned));
    }
}

Stmt borrow(std::shared_ptr<StatementCache> cache, const std::string& sql,
            const std::vector<Value>& values)
{
    std::unique_ptr<DriverStatement> taken = cache->take(sql);
    Stmt stmt(taken.release(), GiveBack{std::move(cache), sql});
    stmt->bindAll(values);
    return stmt;
}

long valueSize(const Value& v)
{
    switch (v.kindOf()) {
    case Kind::Int:
    case Kind::Bool:
        return 4;
    case Kind::Double:
        return 8;
    case Kind::Text:
        return static_cast<long>(v.asText().size());
    case Kind::Bytes:
        return static_cast<long>(v.asBytes().size());
    default:
        return 0;
    }
}

Value valueChunk(const Value& v, long n)
{
    if (v.isNothing()) {
        return Value::null();
    }
    if (!v.isText() && !v.isBytes()) {
        raiseEngine(code::kTypeMismatch, "Type mismatch: the field holds no text or bytes.");
    }
    Bytes all = v.isBytes() ? v.asBytes() : Bytes(v.asText().begin(), v.asText().end());
    all.resize(static_cast<std::size_t>(std::clamp(n, 0L, static_cast<long>(all.size()))));
    return Value::bytes(std::move(all));
}

} // namespace kavdb::engine
