/*
 * The application's own SQL, run as it stands: a row-returning statement turned into a
 * file list, and any statement run for its result alone. Neither reports to the error
 * sink; the engine's code is returned as it is.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::query {

using store::HResult;

/* Appends one element per row: Pathname + Filename, or Filename alone when namesOnly is
 * non-zero. Values that are not text are converted (numbers to their decimal text); a
 * value that cannot be (Null, bytes) ends the walk with the engine's code, keeping what
 * was appended. A missing column fails with the engine's field-not-found code before
 * any row is read. */
HResult queryFileList(DBHandle* h, const char* statement, StringList* out, int32_t namesOnly);
/* Runs any statement; 0 or the engine's code. */
HResult executeSql(DBHandle* h, const char* statement);

} // namespace kavdb::query
