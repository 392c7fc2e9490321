/*
 * Connection: opening and creating catalogue files, Jet statements run as they come,
 * transactions that nest by depth, savepoints and online backup.
 *
 * An inner rollback cannot undo only the inner part of a transaction that SQLite sees as
 * one; it marks the transaction failed, and the outermost commit then rolls the whole of
 * it back and raises. A slice commit (yieldIfDue) never commits a failed transaction.
 */
#include "store/engine/connection.h"

#include "store/engine/dialect.h"
#include "store/engine/functions.h"
#include "store/engine/native.h"
#include "store/engine/open_plan.h"
#include "store/engine/statement.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavdb::engine {

namespace {

/* Waiting for another process's lock before giving up with a busy failure. */
constexpr int kBusyTimeoutMs = 5000;

/* Page cache of a connection, in KiB (negative: a size, not a page count). Large enough
 * that a keyset's key scan and its row walk over a big table share the pages read. */
constexpr int kCacheKiB = -16384;

/* Marks files this library created (PRAGMA application_id): "KAVD". */
constexpr int kApplicationId = 0x4B415644;

/* A path as SQLite must see it to take it as a file name, never as a URI. */
std::string filePath(const std::string& path)
{
    return path.rfind("file:", 0) == 0 ? "./" + path : path;
}

/* Closes a handle that failed to become a connection and raises kFail with its message. */
[[noreturn]] void failOpen(sqlite3* db, int rc, const std::string& what)
{
    std::string message =
        what.empty() ? (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) : what;
    sqlite3_close_v2(db);
    raiseEngine(code::kFail, message);
}

sqlite3* openFile(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(filePath(path).c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        failOpen(db, rc, "");
    }
    return db;
}

/* Turns write-ahead logging on; a file that is not a database fails here. */
void useWal(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
    }
    std::string mode;
    if (rc == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        mode = text != nullptr ? text : "";
    }
    std::string message = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW) {
        failOpen(db, rc, message);
    }
    if (mode != "wal") {
        failOpen(db, rc, "The catalogue file cannot keep a write-ahead log.");
    }
}

void runPragma(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        failOpen(db, rc, message);
    }
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
        std::string message =
            sqlite3_errcode(to) != SQLITE_OK ? sqlite3_errmsg(to) : sqlite3_errstr(rc);
        raiseEngine(code::kFail, message);
    }
}

} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    if (db_ != nullptr) {
        try {
            close();
        } catch (...) {
            // Closing in a destructor is quiet.
        }
    }
}

void Connection::open(const std::string& path)
{
    if (db_ != nullptr) {
        raiseEngine(code::kFail, "Operation is not allowed when the object is open.");
    }
    // One thread at a time per connection: SQLite need not lock it on every call.
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    useWal(db);
    if (sqlite3_db_readonly(db, "main") == 1) {
        failOpen(db, SQLITE_READONLY, "The catalogue file is read-only.");
    }
    runPragma(db, "PRAGMA synchronous=NORMAL");
    runPragma(db, "PRAGMA cache_size=" + std::to_string(kCacheKiB));
    // Double quotes name identifiers only: Jet's text literals are translated before
    // they get here, and a misspelt quoted name must fail rather than become a text.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerJetFunctions(db);
    db_ = db;
    path_ = path;
    depth_ = 0;
    failed_ = false;
    statements_ = std::make_shared<StatementCache>(db);
    plans_ = std::make_unique<PlanCache>();
    sqlite3_set_authorizer(db, &PlanCache::watch, plans_.get());
}

void Connection::create(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        raiseEngine(code::kFail, "The file already exists: " + path);
    }
    sqlite3* db = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        useWal(db);
        // Writing the header makes the file a database rather than an empty file.
        runPragma(db, "PRAGMA application_id=" + std::to_string(kApplicationId));
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    sqlite3_close_v2(db);
}

void Connection::close()
{
    if (db_ == nullptr) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    if (depth_ > 0 && !failed_ && sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); // work done so far stays
    }
    statements_->close();
    statements_.reset();
    sqlite3_set_authorizer(db_, nullptr, nullptr);
    plans_.reset();
    // Statements still held by open recordsets die with them; close_v2 waits for that.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    depth_ = 0;
    failed_ = false;
}

sqlite3* Connection::native() const
{
    if (db_ == nullptr) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    return db_;
}

std::shared_ptr<StatementCache> Connection::statements() const
{
    native();
    return statements_;
}

PlanCache& Connection::plans()
{
    native();
    return *plans_;
}

void Connection::runNative(const std::string& sql)
{
    runOnce(native(), sql);
}

void Connection::execute(const std::string& jetSql)
{
    sqlite3* db = native();
    for (const std::string& sql : translateJet(jetSql)) {
        runOnce(db, sql);
    }
}

int Connection::changes() const
{
    return sqlite3_changes(native());
}

void Connection::begin()
{
    native(); // raises when closed
    if (depth_ == 0) {
        // IMMEDIATE: a writer waits on the busy timeout here instead of failing later on
        // the upgrade from reading to writing.
        runNative("BEGIN IMMEDIATE");
        failed_ = false;
        sliceStart_ = std::chrono::steady_clock::now();
    }
    ++depth_;
}

void Connection::commit()
{
    native();
    if (depth_ == 0) {
        raiseEngine(code::kFail, "No transaction is active.");
    }
    if (--depth_ > 0) {
        return;
    }
    bool failed = failed_;
    failed_ = false;
    if (sqlite3_get_autocommit(db_) != 0) {
        return; // ended already, by a statement of its own or by SQLite after a failure
    }
    if (failed) {
        runNative("ROLLBACK");
        raiseEngine(code::kFail, "An inner transaction rolled back; the transaction was undone.");
    }
    try {
        runNative("COMMIT");
    } catch (...) {
        if (sqlite3_get_autocommit(db_) == 0) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

void Connection::rollback()
{
    native();
    if (depth_ == 0) {
        raiseEngine(code::kFail, "No transaction is active.");
    }
    if (--depth_ > 0) {
        failed_ = true;
        return;
    }
    failed_ = false;
    if (sqlite3_get_autocommit(db_) == 0) {
        runNative("ROLLBACK");
    }
}

void Connection::yieldIfDue(int sliceMs)
{
    if (db_ == nullptr || depth_ != 1 || failed_) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (now - sliceStart_ < std::chrono::milliseconds(sliceMs)) {
        return;
    }
    // A statement still stepping holds its read snapshot across the commit; if another
    // process wrote meanwhile, the new write lock could not be had on that snapshot and
    // would fail at once. Keyset walks let go of their statements (and find their place
    // again by key); anything else still stepping makes the slice wait for a later moment.
    statements_->releaseHeld();
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr;
         s = sqlite3_next_stmt(db_, s)) {
        if (sqlite3_stmt_busy(s)) {
            return;
        }
    }
    if (sqlite3_get_autocommit(db_) == 0) {
        runNative("COMMIT");
    }
    runNative("BEGIN IMMEDIATE");
    sliceStart_ = std::chrono::steady_clock::now();
}

void Connection::savepoint(const std::string& name)
{
    runNative("SAVEPOINT " + quoteIdent(name));
}

void Connection::release(const std::string& name)
{
    runNative("RELEASE SAVEPOINT " + quoteIdent(name));
}

void Connection::rollbackTo(const std::string& name)
{
    runNative("ROLLBACK TO SAVEPOINT " + quoteIdent(name));
    runNative("RELEASE SAVEPOINT " + quoteIdent(name));
}

void Connection::backupTo(const std::string& path)
{
    // Inside a transaction this connection cannot be a backup's source; a second,
    // read-only connection sees the last committed state, which is what a twin is for.
    sqlite3* own = native();
    sqlite3* reader = nullptr;
    if (sqlite3_get_autocommit(own) == 0) {
        reader = openFile(path_, SQLITE_OPEN_READONLY);
    }
    sqlite3* target = nullptr;
    try {
        target = openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        copyDatabase(target, reader != nullptr ? reader : own);
    } catch (...) {
        sqlite3_close_v2(target);
        sqlite3_close_v2(reader);
        throw;
    }
    sqlite3_close_v2(target);
    sqlite3_close_v2(reader);
}

void Connection::restoreFrom(const std::string& path)
{
    sqlite3* target = native();
    sqlite3* source = openFile(path, SQLITE_OPEN_READONLY);
    try {
        copyDatabase(target, source);
    } catch (...) {
        sqlite3_close_v2(source);
        throw;
    }
    sqlite3_close_v2(source);
    plans_->forgetAll(*statements_);
}

Transaction::Transaction(Connection& c) : conn_(&c)
{
    c.begin();
}

Transaction::~Transaction()
{
    if (conn_ != nullptr) {
        try {
            conn_->commit();
        } catch (...) {
            // Quiet by contract: the owner that cares calls commit() itself.
        }
    }
}

void Transaction::commit()
{
    Connection* c = conn_;
    conn_ = nullptr;
    if (c != nullptr) {
        c->commit();
    }
}

} // namespace kavdb::engine
