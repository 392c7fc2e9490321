/*
 * Private to the engine layer: how SQLite's failures become EngineErrors.
 *
 * One mapping from SQLite's result code and message to the ADO-style result code, used by
 * every place that talks to SQLite, and the raise helpers built on it.
 */
#pragma once

#include "store/engine/error.h"

#include <string>
#include <string_view>

struct sqlite3;

namespace kavdb::engine {

/* The source text every engine error carries. */
inline constexpr const char* kEngineSource = "kavdb.engine";

/* What a statement meets inside a call whose transaction SQLite ended under it, or a
 * slice could not begin again. */
inline constexpr const char* kLostTransaction =
    "The call's transaction ended before its work was done; its work was undone.";

/* The result code for a SQLite failure rc with SQLite's message. */
HResult hresultForSqlite(int rc, std::string_view message);

/* Raises an engine error of our own (misuse, closed object, no current row...). */
[[noreturn]] void raiseEngine(HResult code, const std::string& description);

/* Raises kNoCurrentRow: BOF, EOF or a deleted row. */
[[noreturn]] void raiseNoCurrentRow();

/* Raises for SQLite's failure rc on db with the usual source. */
[[noreturn]] void raiseSqlite(sqlite3* db, int rc);

} // namespace kavdb::engine
