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
#include "store/engine/faults.h"
#include "store/engine/functions.h"
#include "store/engine/native.h"
#include "store/engine/open_plan.h"
#include "store/engine/schema.h"
#include "store/engine/statement.h"
#include "store/engine/turns.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <thread>

namespace kavdb::engine {

namespace {

/* Waiting for another process's lock before giving up with a busy failure. */
constexpr auto kBusyTimeout = std::chrono::milliseconds(5000);
/* How often a waiting connection tries the lock again. A writer standing aside for it
 * waits until it is in, so the poll sets the gap between two writers' turns. */
constexpr auto kBusyPoll = std::chrono::microseconds(500);

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

sqlite3* openFile(const std::string& path, int flags);

/* Closes a handle that failed to become a connection and raises kFail with its message. */
[[noreturn]] void failOpen(sqlite3* db, int rc, const std::string& what)
{
    std::string message =
        what.empty() ? (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) : what;
    sqlite3_close_v2(db);
    raiseEngine(code::kFail, message);
}

/* Only a regular file is a catalogue: anything else fails at once (a FIFO would block
 * the opening for ever, a directory would open as an empty database). */
void requireRegularFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        raiseEngine(code::kFail, "The catalogue file cannot be found: " + path);
    }
    if (!S_ISREG(st.st_mode)) {
        raiseEngine(code::kFail, "The catalogue is not a regular file: " + path);
    }
}

bool writableFile(const std::string& path)
{
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

/* A file name as an SQLite URI with the given query: every byte but the unreserved ones
 * and '/' percent-encoded. */
std::string fileUri(const std::string& path, const char* query)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) != 0 || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?" + query;
}

/* A read-only catalogue on a medium where its -shm file cannot be made (a read-only
 * folder): with no -wal file beside it, nothing is pending, and the file can be read as
 * it stands. */
sqlite3* openReadOnly(const std::string& path)
{
    sqlite3* db = openFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
    int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK || !(rc == SQLITE_READONLY || rc == SQLITE_CANTOPEN) ||
        ::access((path + "-wal").c_str(), F_OK) == 0) {
        return db;
    }
    sqlite3_close_v2(db);
    return openFile(fileUri(path, "immutable=1"),
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI);
}

sqlite3* openFile(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    std::string name = (flags & SQLITE_OPEN_URI) != 0 ? path : filePath(path);
    int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
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
    requireRegularFile(path);
    bool readOnly = !writableFile(path);
    // One thread at a time per connection: SQLite need not lock it on every call.
    sqlite3* db =
        readOnly ? openReadOnly(path) : openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    sqlite3_busy_handler(db, &Connection::onBusy, this);
    if (!readOnly) {
        useWal(db);
        runPragma(db, "PRAGMA synchronous=NORMAL");
    }
    runPragma(db, "PRAGMA cache_size=" + std::to_string(kCacheKiB));
    // Double quotes name identifiers only: Jet's text literals are translated before
    // they get here, and a misspelt quoted name must fail rather than become a text.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerJetFunctions(db);
    db_ = db;
    path_ = path;
    readOnly_ = readOnly || sqlite3_db_readonly(db, "main") == 1;
    depth_ = 0;
    failed_ = false;
    statements_ = std::make_shared<StatementCache>(db, depth_);
    plans_ = std::make_unique<PlanCache>();
    turns_ = std::make_unique<Turns>(path);
    sqlite3_set_authorizer(db, &PlanCache::watch, plans_.get());
}

void Connection::create(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
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
    // A call still open when its handle closes (a destructor on the way out) acknowledged
    // nothing yet: its work goes.
    rollbackQuietly();
    statements_->close();
    statements_.reset();
    sqlite3_set_authorizer(db_, nullptr, nullptr);
    plans_.reset();
    // Statements still held by open recordsets die with them; close_v2 waits for that.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    turns_.reset();
    depth_ = 0;
    failed_ = false;
}

sqlite3* Connection::native() const
{
    if (db_ == nullptr) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    if (depth_ > 0 && sqlite3_get_autocommit(db_) != 0) {
        raiseEngine(code::kFail, kLostTransaction);
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
    refuseUnboundParameters(jetSql);
    std::vector<std::string> statements = translateJet(jetSql, sqliteDescribe(db));
    refuseBreakingAKey(*this, jetSql);
    if (statements.size() == 1) {
        return runOnce(db, statements[0]);
    }
    // One Jet statement is done whole or not at all, however many it takes here.
    const std::string unit = "kavdb_statement";
    savepoint(unit);
    try {
        for (const std::string& sql : statements) {
            runOnce(db, sql);
        }
    } catch (...) {
        rollbackTo(unit);
        throw;
    }
    release(unit);
}

int Connection::changes() const
{
    return sqlite3_changes(native());
}

int Connection::onBusy(void* self, int count)
{
    auto* c = static_cast<Connection*>(self);
    auto now = std::chrono::steady_clock::now();
    if (count == 0) {
        c->waitStart_ = now;
        c->turns_->announce();
    }
    if (now - c->waitStart_ >= kBusyTimeout) {
        c->turns_->withdraw();
        return 0;
    }
    std::this_thread::sleep_for(kBusyPoll);
    return 1;
}

void Connection::rollbackQuietly() noexcept
{
    if (db_ == nullptr) {
        return;
    }
    // A statement left stepping would keep its read snapshot past the end of the call.
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr;
         s = sqlite3_next_stmt(db_, s)) {
        if (sqlite3_stmt_busy(s)) {
            sqlite3_reset(s);
        }
    }
    if (sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Connection::startOutermost(Access access)
{
    rollbackQuietly(); // nothing is open between calls; this only makes sure of it
    bool writer = access == Access::Write && !readOnly_;
    if (writer) {
        turns_->letOthersGo();
    }
    try {
        passFaultPoint(FaultPoint::Begin);
        // IMMEDIATE: a writer waits its turn here instead of failing later on the
        // upgrade from reading to writing.
        runOnce(db_, writer ? "BEGIN IMMEDIATE" : "BEGIN");
    } catch (...) {
        turns_->withdraw();
        rollbackQuietly();
        throw;
    }
    turns_->withdraw();
    failed_ = false;
    reader_ = !writer;
    sliceStart_ = std::chrono::steady_clock::now();
}

void Connection::begin(Access access)
{
    native(); // raises when closed, or when this call's transaction was lost
    if (depth_ == 0) {
        startOutermost(access);
    }
    ++depth_;
}

void Connection::commit()
{
    if (db_ == nullptr) {
        native(); // raises kObjectClosed
    }
    if (depth_ == 0) {
        raiseEngine(code::kFail, "No transaction is active.");
    }
    if (--depth_ > 0) {
        return;
    }
    bool failed = failed_;
    failed_ = false;
    if (failed || sqlite3_get_autocommit(db_) != 0) {
        rollbackQuietly();
        raiseEngine(code::kFail,
                    failed ? "An inner transaction rolled back; the transaction was undone."
                           : kLostTransaction);
    }
    try {
        passFaultPoint(FaultPoint::Commit);
        runOnce(db_, "COMMIT");
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    rollbackQuietly(); // lets go of any statement still holding the snapshot
}

void Connection::rollback()
{
    if (db_ == nullptr) {
        native(); // raises kObjectClosed
    }
    if (depth_ == 0) {
        raiseEngine(code::kFail, "No transaction is active.");
    }
    if (--depth_ > 0) {
        failed_ = true;
        return;
    }
    failed_ = false;
    rollbackQuietly();
}

void Connection::yieldIfDue(int sliceMs)
{
    if (db_ == nullptr || depth_ != 1 || failed_ || reader_ || sqlite3_get_autocommit(db_) != 0) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (now - sliceStart_ < std::chrono::milliseconds(sliceMs)) {
        return;
    }
    // A statement still stepping would hold its read snapshot across the commit, and a
    // writer cannot begin on a snapshot that another process has since written past.
    // Keyset walks let go of theirs and find their place again by key.
    statements_->releaseHeld();
    try {
        passFaultPoint(FaultPoint::SliceCommit);
        runOnce(db_, "COMMIT");
        turns_->letOthersGo();
        passFaultPoint(FaultPoint::SliceBegin);
        runOnce(db_, "BEGIN IMMEDIATE");
    } catch (...) {
        turns_->withdraw();
        rollbackQuietly(); // native() refuses the rest of the call from here on
        throw;
    }
    turns_->withdraw();
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

Transaction::Transaction(Connection& c, Access access) : conn_(&c)
{
    c.begin(access);
}

Transaction::~Transaction()
{
    if (conn_ != nullptr) {
        try {
            conn_->rollback();
        } catch (...) {
            // Quiet: the connection is closed, and with it the transaction.
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
