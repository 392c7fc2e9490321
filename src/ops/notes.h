/*
 * Comments, marks and folder information: three small values kept on catalogue rows, a
 * file's comment (MainTable.Comment), its check mark (MainTable.Marking) and a folder's
 * information text (PathTable.Comment). Each operation finds its one row, then reads or
 * overwrites the one column.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* The read operations copy the whole text with its NUL; the caller gives room for it. */
HResult readComment(DBHandle* h, const char* path, char* out);
HResult writeComment(DBHandle* h, const char* path, const char* comment);
/* A folder is named without its final separator. */
HResult readFolderInfo(DBHandle* h, const char* folder, char* out);
HResult writeFolderInfo(DBHandle* h, const char* folder, const char* text);

/* Marks are stored as given and read back as 0 or 1 (anything else reads 0). Both add
 * the folder row of a folder not catalogued yet, and report nothing. */
HResult setCheck(DBHandle* h, const char* path, int32_t mark);
HResult getCheck(DBHandle* h, const char* path, int32_t* mark);

} // namespace kavdb::ops
