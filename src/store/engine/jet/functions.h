/*
 * The Jet functions and operators that SQLite lacks, registered on every connection:
 * Jet's own names (StrComp, Mid, InStr, InStrRev, Val, CStr, CInt, CLng, CDbl, String,
 * Now, Year ... Second, Weekday, DatePart, DateAdd, DateDiff, DateSerial) and the jet_
 * names the SQLite target writes for the rest (jet_left, jet_right, jet_round, jet_date,
 * jet_format, jet_like, and jet_cat, jet_add ... jet_pow for operators).
 */
#pragma once

struct sqlite3;

namespace kavdb::engine {

void registerJetFunctions(sqlite3* db);

} // namespace kavdb::engine
