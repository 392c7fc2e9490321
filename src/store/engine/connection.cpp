/*
 * Connection: catalogue files opened through the driver, Jet statements translated and
 * run, transactions that nest by depth, and slices.
 *
 * An inner rollback cannot undo only the inner part of a transaction that the engine sees
 * as one; it marks the transaction failed, and the outermost commit then rolls the whole
 * of it back and raises. A slice commit (yieldIfDue) never commits a failed transaction.
 */
#include "store/engine/connection.h"

#include "store/engine/faults.h"
#include "store/engine/jet/dialect.h"
#include "store/engine/native.h"
#include "store/engine/pg_text.h"
#include "store/engine/recordset.h"
#include "store/engine/statement.h"
#include "store/engine/turns.h"

#include <thread>

namespace kavdb::engine {

namespace {

/* Waiting for another process's lock before giving up with a busy failure. */
constexpr auto kBusyTimeout = std::chrono::milliseconds(5000);
/* How often a waiting connection tries the lock again. A writer standing aside for it
 * waits until it is in, so the poll sets the gap between two writers' turns. */
constexpr auto kBusyPoll = std::chrono::microseconds(500);
/* Texts whose translation is kept: the library's own statements and a caller's few. */
constexpr std::size_t kTranslationLimit = 256;

} // namespace

void Connection::create(const std::string& path)
{
    std::string server = serverLocation(path);
    server.empty() ? createSqlite(path) : createPostgres(server);
}

Connection::Connection() = default;

Connection::~Connection()
{
    if (isOpen()) {
        close();
    }
}

void Connection::open(const std::string& path)
{
    if (isOpen()) {
        raiseEngine(code::kFail, "Operation is not allowed when the object is open.");
    }
    std::string server = serverLocation(path);
    // Before the driver: opening a file may already wait for another process's lock.
    turns_ = std::make_unique<Turns>(path);
    driver_ = !server.empty() ? openPostgres(server)
                              : openSqlite(path, [this](int count) { return waitForLock(count); });
    statements_ = std::make_shared<StatementCache>(*this);
    driver_->beforeWriting([cache = std::weak_ptr(statements_)] {
        if (auto c = cache.lock()) {
            c->settleStreams();
        }
    });
}

void Connection::close()
{
    if (!isOpen()) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    // A call still open when its handle closes (a destructor on the way out) acknowledged
    // nothing yet: its work goes. Statements still held by recordsets die with them.
    rollbackQuietly();
    statements_->close();
    statements_.reset();
    translated_.clear();
    driver_.reset();
    turns_.reset();
    depth_ = 0;
    failed_ = false;
}

Driver& Connection::driver() const
{
    if (!isOpen()) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    if (depth_ > 0 && !driver_->inTransaction()) {
        raiseLost();
    }
    return *driver_;
}

void Connection::raiseLost() const
{
    bool lost = isOpen() && driver_->mishap() == Mishap::Lost;
    raiseEngine(lost ? code::kServerLost : code::kFail, kLostTransaction);
}

bool Connection::conflicted() const
{
    return isOpen() && !sliced_ && driver_->mishap() == Mishap::Conflict;
}

std::shared_ptr<StatementCache> Connection::statements() const
{
    driver();
    return statements_;
}

std::vector<std::string> Connection::translate(const std::string& jetSql)
{
    auto it = translated_.find(jetSql);
    if (it != translated_.end()) {
        return it->second;
    }
    bool readSchema = false;
    auto describe = [this, &readSchema](const std::string& sql) {
        readSchema = true;
        std::unique_ptr<DriverStatement> stmt = driver().prepare(sql);
        std::vector<std::pair<std::string, std::string>> columns;
        for (int i = 0; i < stmt->columnCount(); ++i) {
            ColumnOrigin origin = stmt->column(i);
            columns.emplace_back(origin.name, origin.type);
        }
        return columns;
    };
    std::vector<std::string> statements = translateJet(jetSql, describe, driver().dialect());
    if (statements.empty()) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
    if (!readSchema) {
        if (translated_.size() >= kTranslationLimit) {
            translated_.clear();
        }
        translated_.emplace(jetSql, statements);
    }
    return statements;
}

void Connection::execute(const std::string& jetSql)
{
    driver(); // raises when closed, or when this call's transaction was lost
    Recordset(*this, jetSql, Cursor::ForwardOnly);
}

bool Connection::waitForLock(int count)
{
    auto now = std::chrono::steady_clock::now();
    if (count == 0) {
        waitStart_ = now;
        turns_->announce();
    }
    if (now - waitStart_ >= kBusyTimeout) {
        turns_->withdraw();
        return false;
    }
    std::this_thread::sleep_for(kBusyPoll);
    return true;
}

void Connection::rollbackQuietly() noexcept
{
    if (isOpen()) {
        driver_->rollback();
    }
}

void Connection::startOutermost(Access access)
{
    rollbackQuietly(); // nothing is open between calls; this only makes sure of it
    sliced_ = false;
    bool writer = access == Access::Write && !driver_->readOnly();
    if (writer) {
        turns_->letOthersGo();
    }
    try {
        passFaultPoint(FaultPoint::Begin);
        // A writer takes the lock now and waits its turn here, instead of failing later on
        // the upgrade from reading to writing.
        driver_->begin(writer);
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
    driver(); // raises when closed, or when this call's transaction was lost
    if (depth_ == 0) {
        startOutermost(access);
    }
    ++depth_;
}

bool Connection::endLevel()
{
    if (!isOpen()) {
        driver(); // raises kObjectClosed
    }
    if (depth_ == 0) {
        raiseEngine(code::kFail, "No transaction is active.");
    }
    return --depth_ == 0;
}

void Connection::commit()
{
    if (!endLevel()) {
        return;
    }
    bool failed = failed_;
    failed_ = false;
    if (failed) {
        rollbackQuietly();
        raiseEngine(code::kFail, "An inner transaction rolled back; the transaction was undone.");
    }
    if (!driver_->inTransaction()) {
        rollbackQuietly();
        raiseLost();
    }
    try {
        passFaultPoint(FaultPoint::Commit);
        statements_->settleStreams();
        driver_->releaseStatements(); // no statement may keep the snapshot past the commit
        driver_->commit();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
}

void Connection::rollback()
{
    bool outermost = endLevel();
    failed_ = !outermost;
    if (outermost) {
        rollbackQuietly();
    }
}

bool Connection::yieldIfDue(int sliceMs)
{
    if (!isOpen() || depth_ != 1 || failed_ || reader_ || !driver_->inTransaction() ||
        std::chrono::steady_clock::now() - sliceStart_ < std::chrono::milliseconds(sliceMs)) {
        return false;
    }
    // A statement still stepping would hold its read snapshot across the commit, and a
    // writer cannot begin on a snapshot that another process has since written past.
    // Recordsets find their place again by key.
    try {
        statements_->settleStreams();
        driver_->releaseStatements();
        passFaultPoint(FaultPoint::SliceCommit);
        driver_->commit();
        sliced_ = true;
        turns_->letOthersGo();
        passFaultPoint(FaultPoint::SliceBegin);
        driver_->begin(true);
    } catch (...) {
        turns_->withdraw();
        rollbackQuietly(); // driver() refuses the rest of the call from here on
        throw;
    }
    turns_->withdraw();
    sliceStart_ = std::chrono::steady_clock::now();
    return true;
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

void wholeOrNothing(Connection& c, const std::function<void()>& work)
{
    if (c.depth() == 0) {
        Transaction own(c);
        work();
        own.commit();
        return;
    }
    constexpr const char* kUnit = "kavdb_unit";
    Driver& d = c.driver();
    d.savepoint(kUnit);
    try {
        work();
    } catch (...) {
        d.rollbackTo(kUnit);
        throw;
    }
    d.release(kUnit);
}

} // namespace kavdb::engine
