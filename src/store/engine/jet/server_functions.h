/*
 * Private to the engine layer: the SQL functions a server catalogue holds for the Jet
 * functions PostgreSQL has no single expression for (InStr, InStrRev, DatePart, DateAdd,
 * DateDiff, Val), made with the catalogue beside its collation. Stands on nothing.
 */
#pragma once

#include <span>

namespace kavdb::engine::jet {

/* The CREATE OR REPLACE FUNCTION statements, each run as it is. */
std::span<const char* const> serverFunctions();

} // namespace kavdb::engine::jet
