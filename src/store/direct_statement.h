/*
 * One SQL statement run as it stands on a catalogue: the application's free SQL and the
 * statements of the schema extension. Nothing is reported to the error sink; the
 * engine's code is the result.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::store {

/* Runs jetSql (Jet dialect, translated by the engine): 0, or the engine's code. The
 * statement may change or drop PathTable rows, so the folder cache is forgotten. */
HResult kaExecuteSql(DBHandle* h, const std::string& jetSql);

} // namespace kavdb::store
