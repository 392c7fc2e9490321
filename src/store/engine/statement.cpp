/*
 * The statement cache of a connection and the statements borrowed from it.
 */
#include "store/engine/statement.h"

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
    if (driver_ == nullptr) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    if (depth_ > 0 && !driver_->inTransaction()) {
        raiseEngine(code::kFail, kLostTransaction);
    }
    return *driver_;
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
    if (driver_ == nullptr) {
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
    driver_ = nullptr;
}

Stmt::Stmt(std::shared_ptr<StatementCache> cache, std::string sql, const std::vector<Value>& values)
    : cache_(std::move(cache)), sql_(std::move(sql)), stmt_(cache_->take(sql_))
{
    try {
        bindAll(values);
    } catch (...) {
        release();
        throw;
    }
}

void Stmt::bindAll(const std::vector<Value>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        stmt_->bind(static_cast<int>(i) + 1, values[i]);
    }
}

Stmt& Stmt::operator=(Stmt&& other) noexcept
{
    if (this != &other) {
        release();
        cache_ = std::move(other.cache_);
        sql_ = std::move(other.sql_);
        stmt_ = std::move(other.stmt_);
    }
    return *this;
}

void Stmt::release() noexcept
{
    if (stmt_ != nullptr) {
        cache_->giveBack(sql_, std::move(stmt_));
    }
}

void Stmt::run()
{
    while (stmt_->step()) {
    }
    stmt_->reset();
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
