/*
 * Metadata table maintenance: operations on a metadata table as a whole. Deleting the
 * rows an SQL condition selects, and renaming text inside one item column, both keep
 * every file's link column pointing only at rows that remain.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* sql is "SELECT ... FROM <table> WHERE <condition>" on one metadata table; the files
 * linked to the selected rows lose their link, then the rows go. The text is cut at
 * " WHERE " (a NUL is written there). */
HResult deleteInfo(DBHandle* h, char* sql);
/* Replaces every occurrence of oldText by newText in the item's values, then merges the
 * rows whose item texts have become equal, moving their files to the row that stays. */
HResult updateTableData(DBHandle* h, const char* table, const char* item, const char* oldText,
                        const char* newText);

} // namespace kavdb::ops
