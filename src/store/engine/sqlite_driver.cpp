/*
 * The SQLite driver: the only code of the library that calls SQLite (besides the Jet
 * functions it registers). Files open with WAL journaling, synchronous=NORMAL and a busy
 * handler the connection decides; SQLite's failures become EngineErrors here.
 */
#include "store/engine/driver.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/functions.h"
#include "store/engine/native.h"
#include "store/engine/text_rank.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace kavdb::engine {

HResult hresultForSqlite(int rc, std::string_view message)
{
    // The message tells apart the statement errors that ADO gives their own codes; the Jet
    // column types' checks, and the Jet functions, say which of Jet's codes.
    static constexpr std::pair<std::string_view, HResult> kByMessage[] = {
        {"no such table", code::kNoSuchTable},
        {"no such column", code::kUnknownColumn},
        {"has no column named", code::kUnknownColumn},
        {"CHECK constraint failed: jet_type", code::kDataMismatch},
        {"Data type mismatch", code::kDataMismatch},
        {"CHECK constraint failed: jet_size", code::kFieldTooSmall},
    };
    for (const auto& [words, code] : kByMessage) {
        if (message.find(words) != std::string_view::npos) {
            return code;
        }
    }
    switch (rc & 0xff) {
    case SQLITE_MISMATCH:
        return code::kDataMismatch;
    case SQLITE_CONSTRAINT:
        return code::kConstraint;
    case SQLITE_ERROR:
        return code::kSyntax;
    case SQLITE_NOMEM:
        return code::kOutOfMemory;
    default:
        return code::kFail;
    }
}

namespace {

/* Page cache of a connection, in KiB (negative: a size, not a page count). Large enough
 * that a keyset's key scan and its row walk over a big table share the pages read. */
constexpr int kCacheKiB = -16384;

/* Marks files this library created (PRAGMA application_id): "KAVD". */
constexpr int kApplicationId = 0x4B415644;

/* Closes a database handle when it goes. */
using Handle = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

Handle own(sqlite3* db)
{
    return Handle(db, &sqlite3_close_v2);
}

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK) {
        std::string message =
            sqlite3_errcode(db) != SQLITE_OK ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        throw EngineError(hresultForSqlite(rc, message), kEngineSource, message);
    }
}

sqlite3_stmt* prepareOn(sqlite3* db, const std::string& sql, unsigned flags)
{
    sqlite3_stmt* stmt = nullptr;
    check(db,
          sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()), flags, &stmt, nullptr));
    if (stmt == nullptr) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
    return stmt;
}

std::string textOf(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

bool fitsInt32(double d)
{
    return d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max();
}

class SqliteStatement final : public DriverStatement {
  public:
    SqliteStatement(sqlite3_stmt* stmt, std::shared_ptr<std::function<void()>> beforeWrite)
        : stmt_(stmt), beforeWrite_(std::move(beforeWrite))
    {
    }
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }

    int parameterCount() override
    {
        int n = sqlite3_bind_parameter_count(stmt_);
        for (int i = 1; i <= n; ++i) {
            n = sqlite3_bind_parameter_name(stmt_, i) != nullptr ? -1 : n;
        }
        return n;
    }
    void bind(int index, const Value& value) override;
    void bindKey(int index, int64_t key) override
    {
        check(sqlite3_db_handle(stmt_), sqlite3_bind_int64(stmt_, index, key));
    }
    bool step() override
    {
        if (*beforeWrite_ && !busy() && !readOnly()) {
            (*beforeWrite_)();
        }
        int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            std::string message = sqlite3_errmsg(sqlite3_db_handle(stmt_));
            sqlite3_reset(stmt_);
            throw EngineError(hresultForSqlite(rc, message), kEngineSource, message);
        }
        return rc == SQLITE_ROW;
    }
    void reset() override { sqlite3_reset(stmt_); }
    bool busy() override { return sqlite3_stmt_busy(stmt_) != 0; }
    bool readOnly() override { return sqlite3_stmt_readonly(stmt_) != 0; }
    int columnCount() override { return sqlite3_column_count(stmt_); }
    ColumnOrigin column(int i) override
    {
        auto text = [](const char* p) { return std::string(p != nullptr ? p : ""); };
        return {text(sqlite3_column_name(stmt_, i)), text(sqlite3_column_table_name(stmt_, i)),
                text(sqlite3_column_origin_name(stmt_, i)),
                text(sqlite3_column_decltype(stmt_, i))};
    }
    Value value(int i) override;
    int64_t key(int i) override { return sqlite3_column_int64(stmt_, i); }
    double real(int i) override { return sqlite3_column_double(stmt_, i); }
    long size(int i) override;
    Value chunk(int i, long n) override;
    BytesView bytesView(int i) override;

  private:
    sqlite3_stmt* stmt_;
    std::shared_ptr<std::function<void()>> beforeWrite_;
};

void SqliteStatement::bind(int index, const Value& v)
{
    sqlite3* db = sqlite3_db_handle(stmt_);
    switch (v.kindOf()) {
    case Kind::Int:
        return check(db, sqlite3_bind_int(stmt_, index, v.asInt()));
    case Kind::Bool:
        return check(db, sqlite3_bind_int(stmt_, index, v.asBool() ? -1 : 0)); // as Jet stores it
    case Kind::Double:
        return check(db, sqlite3_bind_double(stmt_, index, v.asDouble()));
    case Kind::Text:
        return check(db, sqlite3_bind_text64(stmt_, index, v.asText().data(), v.asText().size(),
                                             SQLITE_TRANSIENT, SQLITE_UTF8));
    case Kind::Bytes:
        return check(db, v.asBytes().empty()
                             ? sqlite3_bind_zeroblob(stmt_, index, 0)
                             : sqlite3_bind_blob64(stmt_, index, v.asBytes().data(),
                                                   v.asBytes().size(), SQLITE_TRANSIENT));
    default:
        return check(db, sqlite3_bind_null(stmt_, index));
    }
}

Value SqliteStatement::value(int i)
{
    // A connection is used by one thread at a time (it is opened without SQLite's mutex),
    // so the column's value object may be read directly.
    sqlite3_value* v = sqlite3_column_value(stmt_, i);
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        int64_t n = sqlite3_value_int64(v);
        return fitsInt32(static_cast<double>(n)) ? Value::integer(static_cast<int32_t>(n))
                                                 : Value::text(std::to_string(n));
    }
    case SQLITE_FLOAT: {
        // A column made for numbers gives doubles; a float elsewhere reads as it always
        // has, an integer when whole, else its text.
        double d = sqlite3_value_double(v);
        const char* type = sqlite3_column_decltype(stmt_, i);
        if (type != nullptr && sqlite3_stricmp(type, "REAL") == 0) {
            return Value::real(d);
        }
        return fitsInt32(d) && d == static_cast<double>(static_cast<int32_t>(d))
                   ? Value::integer(static_cast<int32_t>(d))
                   : Value::text(textOf(v));
    }
    case SQLITE_TEXT:
        return Value::text(textOf(v));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const uint8_t*>(sqlite3_value_blob(v));
        return Value::bytes(p != nullptr ? Bytes(p, p + sqlite3_value_bytes(v)) : Bytes());
    }
    default:
        return Value::null();
    }
}

DriverStatement::BytesView SqliteStatement::bytesView(int i)
{
    // The same bytes value() copies: text as UTF-8, a blob as it is.
    sqlite3_value* v = sqlite3_column_value(stmt_, i);
    int type = sqlite3_value_type(v);
    if (type != SQLITE_TEXT && type != SQLITE_BLOB) {
        return {};
    }
    const void* p = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(v))
                                        : sqlite3_value_blob(v);
    auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
    return {type == SQLITE_TEXT ? Kind::Text : Kind::Bytes, static_cast<const uint8_t*>(p),
            p != nullptr ? n : 0};
}

long SqliteStatement::size(int i)
{
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return 4;
    case SQLITE_FLOAT:
        return 8;
    default:
        return sqlite3_column_bytes(stmt_, i);
    }
}

Value SqliteStatement::chunk(int i, long n)
{
    if (sqlite3_column_type(stmt_, i) == SQLITE_NULL) {
        return Value::null();
    }
    BytesView v = bytesView(i);
    if (v.kind == Kind::Null) {
        raiseEngine(code::kTypeMismatch, "Type mismatch: the field holds no text or bytes.");
    }
    std::size_t take = std::min(v.size, static_cast<std::size_t>(std::max(n, 0L)));
    return Value::bytes(Bytes(v.data, v.data + take));
}

/* A file opened by SQLite; on failure the handle is closed and kFail raised with its
 * message. A path that looks like a URI is taken as a file name. */
sqlite3* openFile(const std::string& path, int flags)
{
    std::string name =
        (flags & SQLITE_OPEN_URI) != 0 || path.rfind("file:", 0) != 0 ? path : "./" + path;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        raiseEngine(code::kFail, message);
    }
    return db;
}

/* A file name as an SQLite URI with the given query: every byte but the unreserved ones
 * and '/' percent-encoded. */
std::string fileUri(const std::string& path, const char* query)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) != 0 || std::strchr("/-_.~", c) != nullptr) {
            uri += static_cast<char>(c);
        } else {
            uri += {'%', hex[c >> 4], hex[c & 15]};
        }
    }
    return uri + "?" + query;
}

/* A read-only catalogue on a medium where its -shm file cannot be made (a read-only
 * folder): with no -wal file beside it, nothing is pending, and the file is read as it
 * stands. */
sqlite3* openReadOnly(const std::string& path)
{
    Handle db = own(openFile(path, SQLITE_OPEN_READONLY));
    int rc =
        sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK || !(rc == SQLITE_READONLY || rc == SQLITE_CANTOPEN) ||
        ::access((path + "-wal").c_str(), F_OK) == 0) {
        return db.release();
    }
    return openFile(fileUri(path, "immutable=1"), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

/* Runs a set-up statement whose first row, if expect is given, must be expect; else the
 * handle is closed and kFail raised (a file that is not a database fails at its first). */
void setUp(sqlite3* db, const std::string& sql, const char* expect = nullptr)
{
    std::string first;
    auto keep = [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) = values[0] != nullptr ? values[0] : "";
        return 0;
    };
    int rc = sqlite3_exec(db, sql.c_str(), keep, &first, nullptr);
    if (rc != SQLITE_OK || (expect != nullptr && first != expect)) {
        std::string message = rc != SQLITE_OK ? sqlite3_errmsg(db)
                                              : "The catalogue file cannot keep a write-ahead log.";
        sqlite3_close_v2(db);
        raiseEngine(code::kFail, message);
    }
}

/* How much of a file a connection opened only to be copied from maps, rather than reading
 * it a page to a system call (SQLite caps it at its build's limit). */
constexpr sqlite3_int64 kCopyMapBytes = sqlite3_int64{8} << 30;

/* A connection of a copy's own, opened to be read from start to end. */
Handle copySource(const std::string& path, int flags)
{
    Handle db = own(openFile(path, flags));
    // Only a saving: without the mapping the pages are read as ever.
    sqlite3_exec(db.get(), ("PRAGMA mmap_size=" + std::to_string(kCopyMapBytes)).c_str(), nullptr,
                 nullptr, nullptr);
    return db;
}

/* The whole content of from's main database copied into to's. */
void copyDatabase(sqlite3* to, sqlite3* from)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) {
        raiseEngine(code::kFail, sqlite3_errmsg(to));
    }
    int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        raiseEngine(code::kFail,
                    sqlite3_errcode(to) != SQLITE_OK ? sqlite3_errmsg(to) : sqlite3_errstr(rc));
    }
}

class SqliteDriver final : public Driver {
  public:
    SqliteDriver(const std::string& path, BusyWait busy);
    ~SqliteDriver() override { sqlite3_close_v2(db_); }

    sqlite3* handle() { return db_; }
    bool readOnly() override { return readOnly_; }
    std::unique_ptr<DriverStatement> prepare(const std::string& sql) override
    {
        return std::make_unique<SqliteStatement>(prepareOn(db_, sql, SQLITE_PREPARE_PERSISTENT),
                                                 beforeWrite_);
    }
    void run(const std::string& sql) override
    {
        SqliteStatement(prepareOn(db_, sql, 0), beforeWrite_).run();
    }
    std::string rowKey(const std::string&) override { return "rowid"; }
    Dialect dialect() override { return Dialect::Sqlite; }

    void begin(bool writer) override { run(writer ? "BEGIN IMMEDIATE" : "BEGIN"); }
    void commit() override { run("COMMIT"); }
    bool inTransaction() override { return sqlite3_get_autocommit(db_) == 0; }
    void releaseStatements() noexcept override
    {
        for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr;
             s = sqlite3_next_stmt(db_, s)) {
            if (sqlite3_stmt_busy(s) != 0) {
                sqlite3_reset(s);
            }
        }
    }
    void rollback() noexcept override
    {
        releaseStatements();
        if (inTransaction()) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    std::string fileName() override
    {
        // SQLite's own name for it is absolute: right whatever the working folder is now.
        const char* name = sqlite3_db_filename(db_, "main");
        return name != nullptr && *name != '\0' ? name : path_;
    }
    void backupTo(const std::string& path) override;
    void restoreFrom(const std::string& path) override;

    bool tableExists(const std::string& table) override
    {
        return !rowsOf("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE "
                       "NOCASE",
                       table)
                    .empty();
    }
    std::vector<std::string> columnNames(const std::string& table) override
    {
        return rowsOf("SELECT name FROM pragma_table_info(?) ORDER BY cid", table);
    }
    bool isRowKey(const std::string& table, const std::string& column) override
    {
        std::vector<std::string> keys =
            rowsOf("SELECT name || ' ' || type FROM pragma_table_info(?) WHERE pk > 0", table);
        return keys.size() == 1 &&
               sqlite3_stricmp(keys[0].c_str(), (column + " INTEGER").c_str()) == 0;
    }
    bool inAKey(const std::string& table) override
    {
        // The suffixes are those the SQLite target gives a key's triggers, child and parent
        // side (jet/target_sqlite.cpp).
        return !rowsOf("SELECT name FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ? "
                       "COLLATE NOCASE AND (name GLOB '*_ins' OR name GLOB '*_upd' OR name "
                       "GLOB '*_pdel' OR name GLOB '*_pupd')",
                       table)
                    .empty();
    }
    bool streamsRows() override { return true; }

  private:
    void runOwn(const std::string& sql) override { run(sql); }
    /* The first column of every row of sql, with text bound to its one parameter if any. */
    std::vector<std::string> rowsOf(const std::string& sql, const std::string& text);

    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    std::string path_;
    BusyWait busy_;
};

int onBusy(void* wait, int count)
{
    return (*static_cast<BusyWait*>(wait))(count) ? 1 : 0;
}

SqliteDriver::SqliteDriver(const std::string& path, BusyWait busy)
    : path_(path), busy_(std::move(busy))
{
    // Only a regular file is a catalogue: a FIFO would block the opening for ever, a
    // directory would open as an empty database.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        raiseEngine(code::kFail, "The catalogue file cannot be found: " + path);
    }
    if (!S_ISREG(st.st_mode)) {
        raiseEngine(code::kFail, "The catalogue is not a regular file: " + path);
    }
    readOnly_ = ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
    sqlite3* db = readOnly_ ? openReadOnly(path) : openFile(path, SQLITE_OPEN_READWRITE);
    sqlite3_busy_handler(db, &onBusy, &busy_);
    if (!readOnly_) {
        setUp(db, "PRAGMA journal_mode=WAL", "wal");
        setUp(db, "PRAGMA synchronous=NORMAL");
    }
    setUp(db, "PRAGMA cache_size=" + std::to_string(kCacheKiB));
    // Double quotes name identifiers only: Jet's text literals are translated before they
    // get here, and a misspelt quoted name must fail rather than become a text.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerJetFunctions(db);
    registerTextRank(db);
    db_ = db;
    readOnly_ = readOnly_ || sqlite3_db_readonly(db, "main") == 1;
}

std::vector<std::string> SqliteDriver::rowsOf(const std::string& sql, const std::string& text)
{
    SqliteStatement stmt(prepareOn(db_, sql, 0), beforeWrite_);
    if (!text.empty()) {
        stmt.bind(1, Value::text(text));
    }
    std::vector<std::string> rows;
    while (stmt.step()) {
        Value v = stmt.value(0);
        rows.push_back(v.isText() ? v.asText() : "");
    }
    return rows;
}

void SqliteDriver::backupTo(const std::string& path)
{
    // Inside a transaction this connection cannot be a backup's source; a second,
    // read-only connection sees the last committed state, which is what a twin is for.
    Handle reader = inTransaction() ? copySource(fileName(), SQLITE_OPEN_READONLY) : own(nullptr);
    Handle target = own(openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    copyDatabase(target.get(), reader ? reader.get() : db_);
}

void SqliteDriver::restoreFrom(const std::string& path)
{
    // Read-write where the file allows: the last connection to a WAL file takes its -wal
    // and -shm away as it closes, which a read-only one cannot, and a backup is one file.
    copyDatabase(db_, copySource(path, SQLITE_OPEN_READWRITE).get());
}

} // namespace

std::unique_ptr<Driver> openSqlite(const std::string& path, BusyWait busy)
{
    return std::make_unique<SqliteDriver>(path, std::move(busy));
}

void createSqlite(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        raiseEngine(code::kFail, "The file already exists: " + path);
    }
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try { // setUp closes the handle when it fails
        setUp(db, "PRAGMA journal_mode=WAL", "wal");
        // Writing the header makes the file a database rather than an empty file.
        setUp(db, "PRAGMA application_id=" + std::to_string(kApplicationId));
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    sqlite3_close_v2(db);
}

sqlite3* sqliteHandle(Driver& driver)
{
    return static_cast<SqliteDriver&>(driver).handle();
}

} // namespace kavdb::engine
