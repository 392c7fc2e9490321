/*
 * Copying a whole catalogue into another, on the same engine or another: every table's
 * rows with their keys, parents before children, then each table read back on both sides
 * and compared by row count and checksum. Stands on store/table_rows for the rows and on
 * the calls of both handles for their transactions.
 */
#pragma once

#include "store/record_access.h"
#include "store/table_rows.h"

namespace kavdb::ops {

using store::HResult;

/* What a copy's check read back: each table copied as dst spells it, and the digest of
 * src's rows of it, taken in src's call (so of the very state copied). */
struct CopiedTables {
    std::vector<store::TableShape> shapes;
    std::vector<store::TableDigest> source;
};

/* Runs inside a reading call on src and a writing call on dst. Refuses (nothing written)
 * a dst holding rows, or lacking a table or item of src. Any failure after writing
 * began, a disagreeing check included, raises so that dst's call undoes the copy. When
 * copied is given, a copy that agreed fills it. */
HResult copyCatalogue(DBHandle* src, DBHandle* dst, StringList* report, KaCopyProgress progress,
                      void* context, CopiedTables* copied = nullptr);

} // namespace kavdb::ops
