/*
 * SQLite failures as engine errors: the single mapping from SQLite's result code and
 * message to the result codes that the operations above hand to applications.
 */
#include "store/engine/native.h"

#include "store/engine/connection.h"

#include <sqlite3.h>

namespace kavdb::engine {

HResult hresultForSqlite(int rc, std::string_view message)
{
    // The message tells apart the statement errors that ADO gives their own codes.
    if (message.find("no such table") != std::string_view::npos) {
        return code::kNoSuchTable;
    }
    if (message.find("no such column") != std::string_view::npos ||
        message.find("has no column named") != std::string_view::npos) {
        return code::kUnknownColumn;
    }
    // The Jet column types' checks, and the Jet functions, say which of Jet's codes.
    if (message.find("CHECK constraint failed: jet_type") != std::string_view::npos ||
        message.find("Data type mismatch") != std::string_view::npos) {
        return code::kDataMismatch;
    }
    if (message.find("CHECK constraint failed: jet_size") != std::string_view::npos) {
        return code::kFieldTooSmall;
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

void raiseEngine(HResult code, const std::string& description)
{
    throw EngineError(code, kEngineSource, description);
}

void raiseNoCurrentRow()
{
    raiseEngine(code::kNoCurrentRow,
                "Either BOF or EOF is True, or the current record has been deleted.");
}

void raiseSqlite(sqlite3* db, int rc, const std::string& source)
{
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (db != nullptr && sqlite3_errcode(db) == SQLITE_OK) {
        message = sqlite3_errstr(rc); // the handle has no message of its own for rc
    }
    throw EngineError(hresultForSqlite(rc, message), source, message);
}

void raiseSqlite(sqlite3* db, int rc)
{
    raiseSqlite(db, rc, kEngineSource);
}

} // namespace kavdb::engine
