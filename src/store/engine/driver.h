/*
 * The driver interface: what the engine layer asks of a database engine. Connection,
 * Recordset and the schema objects stand on it alone; SQLite (sqlite_driver.cpp) and
 * PostgreSQL (pg_driver.cpp) each implement its two classes.
 *
 * Every failure raises an EngineError with the ADO-style code the engine's failure stands
 * for, the engine source and the engine's own message.
 */
#pragma once

#include "store/engine/jet/dialect.h"
#include "store/engine/value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kavdb::engine {

/* The head of a statement of the library's own that reaches a server as written: every
 * name in it is spelled exactly as made, and text in it (a function's body) holds words
 * a catalogue's names must not respell. SQLite reads it as a comment. */
inline constexpr std::string_view kAsWritten = "/* as written */ ";

/* A result column: its name, the table and column it reads and the column's declared
 * type (all three empty for an expression). */
struct ColumnOrigin {
    std::string name;
    std::string table;
    std::string column;
    std::string type;
};

/* One prepared statement. Parameters count from 1, columns from 0. */
class DriverStatement {
  public:
    virtual ~DriverStatement() = default;

    /* How many parameters; -1 when one has a name or number of its own. */
    virtual int parameterCount() = 0;
    virtual void bind(int index, const Value& value) = 0;
    virtual void bindKey(int index, int64_t key) = 0;

    /* Steps once: true on a row, false when done; a failure resets the statement first. */
    virtual bool step() = 0;
    /* Back before the first row, the bound values kept. */
    virtual void reset() = 0;
    /* The next run hands its rows over a batch at a time where the engine would hold its
     * whole result (a server, inside a transaction), so that a walk's memory stays flat
     * in its rows; reset forgets it. */
    virtual void streamRows() {}
    /* Binds values to the parameters in order; steps to the end and resets. */
    void bindAll(const std::vector<Value>& values)
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            bind(static_cast<int>(i) + 1, values[i]);
        }
    }
    void run()
    {
        while (step()) {
        }
        reset();
    }
    /* Stepped and neither done nor reset: the statement stands on its rows. */
    virtual bool busy() = 0;
    /* Stepping it changes nothing in the database. */
    virtual bool readOnly() = 0;

    /* Columns of the row the statement stands on (their names also before a step). */
    virtual int columnCount() = 0;
    virtual ColumnOrigin column(int i) = 0;
    /* The value as an engine value: a 64-bit integer outside 32 bits as its text, a real
     * number of a REAL column as a double and elsewhere as an integer when whole, else its
     * text. */
    virtual Value value(int i) = 0;
    virtual int64_t key(int i) = 0;
    /* The value as a real number, whatever the column: 0 for Null or what is no number. */
    virtual double real(int i) = 0;
    /* ADO's ActualSize: 0 for Null, 4 for an integer, 8 for a real, bytes otherwise. */
    virtual long size(int i) = 0;
    /* The first n bytes of a text or binary value; Null for Null. */
    virtual Value chunk(int i, long n) = 0;
    /* Once stepped, the number of rows of its result, where the engine reads a result
     * whole (Driver::streamsRows is false); -1 where it steps through them. */
    virtual long rowsHeld() { return -1; }
    /* A text or binary value's bytes where the engine holds them, valid until the
     * statement steps or resets, and the kind value() would give: for reading values in
     * bulk without copying each one. Kind Null for any other value (and on an engine that
     * has no such view), which value() then gives. */
    struct BytesView {
        Kind kind = Kind::Null;
        const uint8_t* data = nullptr;
        std::size_t size = 0;
    };
    virtual BytesView bytesView(int) { return {}; }
};

/* What a transaction met that was not its own work's fault. */
enum class Mishap {
    None,
    /* A serialization failure or deadlock with another connection: the whole call may
     * succeed when run again. */
    Conflict,
    /* The server went away, and the transaction with it. */
    Lost,
};

/* One open database file. */
class Driver {
  public:
    virtual ~Driver() = default;

    virtual bool readOnly() = 0;
    virtual std::unique_ptr<DriverStatement> prepare(const std::string& sql) = 0;
    /* Runs one statement to its end. */
    virtual void run(const std::string& sql) = 0;
    /* The name a statement reads a row's key of table by. */
    virtual std::string rowKey(const std::string& table) = 0;
    /* The dialect the Jet translator writes for this engine. */
    virtual Dialect dialect() = 0;

    /* Transactions. A writer takes the write lock when it begins. */
    virtual void begin(bool writer) = 0;
    virtual void commit() = 0;
    virtual bool inTransaction() = 0;
    /* Lets go of every statement still stepping, so that none holds a read snapshot. */
    virtual void releaseStatements() noexcept = 0;
    /* releaseStatements, then undoes the open transaction if there is one. */
    virtual void rollback() noexcept = 0;
    void savepoint(const std::string& name) { runOwn("SAVEPOINT " + quoteIdent(name)); }
    void release(const std::string& name) { runOwn("RELEASE SAVEPOINT " + quoteIdent(name)); }
    void rollbackTo(const std::string& name)
    {
        runOwn("ROLLBACK TO SAVEPOINT " + quoteIdent(name));
        release(name);
    }
    /* What the current transaction, or the last one once it ended, met; the next begin
     * forgets it. A lost server outweighs a conflict. */
    virtual Mishap mishap() { return Mishap::None; }

    /* The file a file engine reads, as a second connection would open it; empty for a
     * server. */
    virtual std::string fileName() { return {}; }
    /* Online backup: a complete copy of the committed state at path, and back. */
    virtual void backupTo(const std::string& path) = 0;
    virtual void restoreFrom(const std::string& path) = 0;

    /* Schema introspection. */
    virtual bool tableExists(const std::string& table) = 0;
    virtual std::vector<std::string> columnNames(const std::string& table) = 0;
    /* The column is the table's own row key, which needs no index. */
    virtual bool isRowKey(const std::string& table, const std::string& column) = 0;
    /* The table is the child or the parent of an enforced key. */
    virtual bool inAKey(const std::string& table) = 0;
    /* Whether a keyset may read its keys with its rows, from one statement, as its walk
     * goes (cursors.h): the engine's statements step through their rows one by one. */
    virtual bool streamsRows() = 0;

    /* What runs before anything this driver runs may change the database (a statement
     * that writes, at its first step; every statement run whole). A keyset still reading
     * its keys from its walk's statement takes the rest of them then (cursors.h). */
    void beforeWriting(std::function<void()> f) { *beforeWrite_ = std::move(f); }

  protected:
    /* Runs one of the engine's own statements as it is: no name respelled, no number
     * given to a parameter, no savepoint of its own around it. */
    virtual void runOwn(const std::string& sql) = 0;
    /* Shared with the driver's statements, which may outlive it in a recordset. */
    std::shared_ptr<std::function<void()>> beforeWrite_ = std::make_shared<std::function<void()>>();
};

/* Asked, while another connection holds the lock, whether to wait on: count is the number
 * of waits so far. */
using BusyWait = std::function<bool(int count)>;

/* SQLite. Opening follows Connection::open's rules; creating makes an empty database. */
std::unique_ptr<Driver> openSqlite(const std::string& path, BusyWait busy);
void createSqlite(const std::string& path);
/* PostgreSQL: a catalogue held in the database a libpq connection URI names. Opening
 * raises kFail when the server cannot be reached; creating makes the catalogue's
 * database objects (the database is made too when missing and the role may). */
std::unique_ptr<Driver> openPostgres(const std::string& uri);
void createPostgres(const std::string& uri);
/* Whether the database uri names holds a catalogue (false when it cannot be reached). */
bool serverHoldsCatalogue(const std::string& uri);
/* The SQLite handle behind a driver, for tests that must reach past the engine. */
sqlite3* sqliteHandle(Driver& driver);

} // namespace kavdb::engine
