/*
 * Image and update-time records: the image columns of one file's MainTable row read and
 * written one file at a time, the update-time text alone, and many files of one folder
 * read with one statement, handed to the application's callback or collected in a list.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* Single files. Writers do nothing, successfully, for a file whose folder is not
 * catalogued; readers answer KAVDB_E_NOT_FOUND. */
HResult readImage(DBHandle* h, const char* path, ImageData* out);
HResult writeImage(DBHandle* h, const char* path, const ImageData* in);
HResult readUpdateData(DBHandle* h, const char* path, char* out);
HResult writeUpdateData(DBHandle* h, const char* path, const char* text);

/* Every listed file is taken to lie in the first path's folder; each is handed to the
 * callback with status 1 (row found) or 2 (no row). A listed path that does not fit
 * ImageReadRecord::Path refuses the whole walk with E_INVALIDARG before any call. */
HResult readImages(DBHandle* h, void* context, StringList* paths, ImageReadCallback callback);
/* Appends exactly one record per listed path, in list order (all zero for a file without
 * a row). The rows are searched forward only, so the list must follow their order. */
HResult readImageBatch(DBHandle* h, StringList* paths, ImageDataList* out);

} // namespace kavdb::ops
