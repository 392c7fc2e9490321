/*
 * The Jet functions an application's SQL may call (StrComp, UCase, LCase, Len, Mid,
 * Left, Right, InStr, Trim, IIf, Nz, Val, CStr, CLng), registered on every connection.
 */
#pragma once

struct sqlite3;

namespace kavdb::engine {

void registerJetFunctions(sqlite3* db);

/* Jet's Left and Right under the names SQLite can call them by (its grammar takes LEFT
 * and RIGHT for join words); the dialect renames the calls. */
inline constexpr const char* kJetLeft = "jet_left";
inline constexpr const char* kJetRight = "jet_right";

} // namespace kavdb::engine
