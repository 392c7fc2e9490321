/*
 * Searches: the application's statement, composed into a file-list statement
 * (compose.h), run for the full paths of the matching files or for their number.
 */
#pragma once

#include "query/compose.h"

namespace kavdb::query {

/* Appends Pathname + Filename of every matching file to out (kept entries stay);
 * KAVDB_E_NOT_FOUND when out is empty afterwards. */
HResult queryFiles(DBHandle* h, const char* statement, StringList* out);
/* The number of matching rows; KAVDB_E_NOT_FOUND (count still written) when 0. */
HResult countQuery(DBHandle* h, const char* statement, int32_t* count);

} // namespace kavdb::query
