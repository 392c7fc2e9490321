/*
 * The Jet functions an application's SQL may call (StrComp, UCase, LCase, Len, Mid,
 * Left, Right, InStr, Trim, IIf, Nz, Val, CStr, CLng), registered on every connection.
 */
#pragma once

struct sqlite3;

namespace kavdb::engine {

void registerJetFunctions(sqlite3* db);

} // namespace kavdb::engine
