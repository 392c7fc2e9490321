/*
 * Private to the engine layer: the SQL functions a server catalogue holds for the Jet
 * functions PostgreSQL has no single expression for (InStr, InStrRev, DatePart, DateAdd,
 * DateDiff, Val), made with the catalogue beside its collation. Stands on nothing.
 */
#pragma once

#include <span>

namespace kavdb::engine::jet {

/* What a catalogue's Jet translation stands on in its database besides: texts that
 * compare ignoring case (the collation kavdb_nocase) and Jet's & (jet_cat); made once,
 * with the catalogue. */
std::span<const char* const> catalogueObjects();
/* The statements that make them, each run as it is and each harmless run again; the
 * last one records their level. */
std::span<const char* const> serverFunctions();
/* The level the functions are at; a catalogue whose recorded level is lower (or which
 * records none) is given them again when opened. */
int serverFunctionsLevel();
/* The statement that reads a catalogue's recorded level: one row, Null in a database that
 * holds no catalogue's functions. */
const char* recordedFunctionsLevel();

} // namespace kavdb::engine::jet
