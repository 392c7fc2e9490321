/*
 * Refresh: bringing MainTable rows back in line with the files on disk. A row whose file
 * is gone is deleted; a row whose stored update time no longer matches the file's is
 * deleted (mode 1) or kept with an emptied thumbnail and the new time (mode 2). Refresh
 * never adds rows, never removes folder rows and never touches metadata rows.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* The row step: rs stands on the row of the file at path and holds at least its
 * FieldID and UpdateTM. */
HResult kaRefreshData(DBHandle* h, store::Recordset* rs, const char* path, int32_t mode);

HResult refreshFolder(DBHandle* h, const char* folder, int32_t mode);
/* E_FAIL when a listed path could not be refreshed (it and the rest are left). */
HResult refreshFiles(DBHandle* h, StringList* paths, int32_t mode);
HResult refreshAll(DBHandle* h, int32_t mode);

} // namespace kavdb::ops
