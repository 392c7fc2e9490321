/*
 * Prepared statements: the per-connection cache, the borrowing handle, and the
 * conversions between SQLite's column values and engine values.
 */
#include "store/engine/statement.h"

#include "store/engine/literal_shape.h"
#include "store/engine/native.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace kavdb::engine {

namespace {

/* Enough for every statement shape of a few recordsets on every table at once. */
constexpr std::size_t kIdleLimit = 128;
/* Texts remembered (most with no idle statement) before the empty ones are let go. */
constexpr std::size_t kTextLimit = 4 * kIdleLimit;

} // namespace

StatementCache::~StatementCache()
{
    close();
}

sqlite3_stmt* StatementCache::take(const std::string& sql)
{
    if (db_ == nullptr) {
        raiseEngine(code::kObjectClosed, "The connection is closed.");
    }
    if (callDepth_ > 0 && sqlite3_get_autocommit(db_) != 0) {
        raiseEngine(code::kFail, kLostTransaction);
    }
    auto it = idle_.find(sql);
    if (it != idle_.end() && !it->second.empty()) {
        sqlite3_stmt* stmt = it->second.back();
        it->second.pop_back();
        --idleCount_;
        return stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        raiseSqlite(db_, rc);
    }
    if (stmt == nullptr) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
    return stmt;
}

void StatementCache::giveBack(const std::string& sql, sqlite3_stmt* stmt)
{
    if (db_ == nullptr || idleCount_ >= kIdleLimit) {
        sqlite3_finalize(stmt);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (idle_.size() >= kTextLimit) {
        std::erase_if(idle_, [](const auto& entry) { return entry.second.empty(); });
    }
    idle_[sql].push_back(stmt);
    ++idleCount_;
}

void StatementCache::close()
{
    dropIdle();
    db_ = nullptr;
}

void StatementCache::dropIdle()
{
    for (auto& entry : idle_) {
        for (sqlite3_stmt* stmt : entry.second) {
            sqlite3_finalize(stmt);
        }
    }
    idle_.clear();
    idleCount_ = 0;
}

void StatementCache::enrol(StatementHolder* holder)
{
    holders_.push_back(holder);
}

void StatementCache::leave(StatementHolder* holder)
{
    std::erase(holders_, holder);
}

void StatementCache::releaseHeld()
{
    for (StatementHolder* holder : holders_) {
        holder->releaseStatements();
    }
}

Stmt::Stmt(std::shared_ptr<StatementCache> cache, const std::string& sql)
    : Stmt(std::move(cache), shapeOf(sql))
{
}

Stmt::Stmt(std::shared_ptr<StatementCache> cache, const LiteralShape& shaped)
    : cache_(std::move(cache)), sql_(shaped.sql)
{
    stmt_ = cache_->take(sql_);
    try {
        bindLiterals(shaped.literals, shaped.firstIndex);
    } catch (...) {
        release();
        throw;
    }
}

void Stmt::bindLiterals(const std::vector<Value>& values, int first)
{
    int held = sqlite3_bind_parameter_count(stmt_);
    for (std::size_t i = 0; i < values.size(); ++i) {
        int index = first + static_cast<int>(i);
        if (index <= held) {
            bind(index, values[i]);
        }
    }
}

Stmt::Stmt(sqlite3* db, const std::string& sql) : sql_(sql)
{
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        raiseSqlite(db, rc);
    }
    if (stmt_ == nullptr) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
}

Stmt::~Stmt()
{
    release();
}

Stmt::Stmt(Stmt&& other) noexcept
    : cache_(std::move(other.cache_)), sql_(std::move(other.sql_)), stmt_(other.stmt_)
{
    other.stmt_ = nullptr;
}

Stmt& Stmt::operator=(Stmt&& other) noexcept
{
    if (this != &other) {
        release();
        cache_ = std::move(other.cache_);
        sql_ = std::move(other.sql_);
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

void Stmt::release() noexcept
{
    if (stmt_ != nullptr) {
        if (cache_) {
            cache_->giveBack(sql_, stmt_);
        } else {
            sqlite3_finalize(stmt_);
        }
        stmt_ = nullptr;
    }
}

bool Stmt::step()
{
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    sqlite3* db = sqlite3_db_handle(stmt_);
    std::string message = sqlite3_errmsg(db);
    sqlite3_reset(stmt_);
    throw EngineError(hresultForSqlite(rc, message), kEngineSource, message);
}

void Stmt::run()
{
    while (step()) {
    }
    sqlite3_reset(stmt_);
}

void Stmt::reset()
{
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
    }
}

void Stmt::bind(int index, const Value& value)
{
    int rc = SQLITE_OK;
    switch (value.kindOf()) {
    case Kind::Int:
        rc = sqlite3_bind_int(stmt_, index, value.asInt());
        break;
    case Kind::Bool:
        rc = sqlite3_bind_int(stmt_, index, value.asBool() ? -1 : 0); // stored as Jet does
        break;
    case Kind::Double:
        rc = sqlite3_bind_double(stmt_, index, value.asDouble());
        break;
    case Kind::Text: {
        const std::string& s = value.asText();
        rc = sqlite3_bind_text64(stmt_, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case Kind::Bytes: {
        const Bytes& b = value.asBytes();
        rc = b.empty() ? sqlite3_bind_zeroblob(stmt_, index, 0)
                       : sqlite3_bind_blob64(stmt_, index, b.data(), b.size(), SQLITE_TRANSIENT);
        break;
    }
    default:
        rc = sqlite3_bind_null(stmt_, index);
        break;
    }
    if (rc != SQLITE_OK) {
        raiseSqlite(sqlite3_db_handle(stmt_), rc);
    }
}

void Stmt::bindKey(int index, int64_t key)
{
    sqlite3_bind_int64(stmt_, index, key);
}

int Stmt::columnCount() const
{
    return sqlite3_column_count(stmt_);
}

void runOnce(sqlite3* db, const std::string& sql)
{
    Stmt(db, sql).run();
}

bool planSorts(sqlite3* db, const std::string& sql)
{
    Stmt plan(db, "EXPLAIN QUERY PLAN " + sql);
    while (plan.step()) {
        const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
        if (detail != nullptr && std::strstr(detail, "TEMP B-TREE") != nullptr) {
            return true;
        }
    }
    return false;
}

namespace {

bool fitsInt32(int64_t v)
{
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

/* A column the catalogue made for numbers; only its values arrive as doubles, so that a
 * float anywhere else reads as it always has (an integer when whole, else its text). */
bool declaredReal(sqlite3_stmt* stmt, int i)
{
    const char* type = sqlite3_column_decltype(stmt, i);
    return type != nullptr && sqlite3_stricmp(type, "REAL") == 0;
}

std::string valueText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v)))
                        : std::string();
}

} // namespace

Value columnValue(sqlite3_stmt* stmt, int i)
{
    // A connection is used by one thread at a time (it is opened without SQLite's
    // mutex), so the column's value object may be read directly, at one call per read.
    sqlite3_value* v = sqlite3_column_value(stmt, i);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        int64_t n = sqlite3_value_int64(v);
        return fitsInt32(n) ? Value::integer(static_cast<int32_t>(n))
                            : Value::text(std::to_string(n));
    }
    case SQLITE_FLOAT: {
        double d = sqlite3_value_double(v);
        if (declaredReal(stmt, i)) {
            return Value::real(d);
        }
        if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max() &&
            d == static_cast<double>(static_cast<int32_t>(d))) {
            return Value::integer(static_cast<int32_t>(d));
        }
        return Value::text(valueText(v));
    }
    case SQLITE_TEXT:
        return Value::text(valueText(v));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const uint8_t*>(sqlite3_value_blob(v));
        auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
        return Value::bytes(p != nullptr ? Bytes(p, p + n) : Bytes());
    }
    default:
        return Value::null();
    }
}

long columnSize(sqlite3_stmt* stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return 4;
    case SQLITE_FLOAT:
        return 8;
    default:
        return sqlite3_column_bytes(stmt, i);
    }
}

Value columnChunk(sqlite3_stmt* stmt, int i, long n)
{
    int type = sqlite3_column_type(stmt, i);
    if (type == SQLITE_NULL) {
        return Value::null();
    }
    if (type != SQLITE_BLOB && type != SQLITE_TEXT) {
        raiseEngine(code::kTypeMismatch, "Type mismatch: the field holds no text or bytes.");
    }
    const auto* p = type == SQLITE_BLOB
                        ? static_cast<const uint8_t*>(sqlite3_column_blob(stmt, i))
                        : reinterpret_cast<const uint8_t*>(sqlite3_column_text(stmt, i));
    long size = sqlite3_column_bytes(stmt, i);
    long take = std::clamp(n, 0L, size);
    return Value::bytes(p != nullptr ? Bytes(p, p + take) : Bytes());
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
    if (v.isText()) {
        const std::string& s = v.asText();
        auto take = static_cast<std::size_t>(std::clamp(n, 0L, static_cast<long>(s.size())));
        return Value::bytes(Bytes(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(take)));
    }
    if (v.isBytes()) {
        const Bytes& b = v.asBytes();
        auto take = static_cast<std::size_t>(std::clamp(n, 0L, static_cast<long>(b.size())));
        return Value::bytes(Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(take)));
    }
    if (v.isNothing()) {
        return Value::null();
    }
    raiseEngine(code::kTypeMismatch, "Type mismatch: the field holds no text or bytes.");
}

} // namespace kavdb::engine
