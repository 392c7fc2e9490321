/*
 * Private to the engine layer: raising engine errors, and how an engine's failures
 * become them (the driver maps each failure to its ADO-style code).
 */
#pragma once

#include "store/engine/error.h"

#include <string>
#include <string_view>

namespace kavdb::engine {

/* The source text every engine error carries. */
inline constexpr const char* kEngineSource = "kavdb.engine";

/* What a statement meets inside a call whose transaction the engine ended under it, or a
 * slice could not begin again. */
inline constexpr const char* kLostTransaction =
    "The call's transaction ended before its work was done; its work was undone.";

/* The result code for SQLite's failure rc with its message. */
HResult hresultForSqlite(int rc, std::string_view message);

/* Raises an engine error of our own (misuse, closed object, no current row...). */
[[noreturn]] void raiseEngine(HResult code, const std::string& description);

/* Raises kNoCurrentRow: BOF, EOF or a deleted row. */
[[noreturn]] void raiseNoCurrentRow();

} // namespace kavdb::engine
