/*
 * Folder and file registration: putting files into the catalogue (one file with its
 * metadata and image record, or a whole folder tree), and deleting, moving and copying
 * catalogue entries. Only the catalogue changes; files on disk are never touched.
 */
#pragma once

#include "store/record_access.h"

#include <unordered_set>

namespace kavdb::ops {

using store::HResult;

/* pathSlot, when given and not -1, is the folder's PathID; otherwise the folder row is
 * found or added and its PathID written to the slot. known, when given, holds the names
 * of the files the folder's row holds (store::fileNamesIn), in place of a query for the
 * file's row; the file's name is added to it once its row is. */
HResult kaRegisterFile(DBHandle* h, const char* path, int32_t* pathSlot, MetaDataList* data,
                       ImageData* image, std::unordered_set<std::string>* known = nullptr);
HResult registerFile(DBHandle* h, const char* path, MetaDataList* data, ImageData* image);
HResult registerFolder(DBHandle* h, const char* folder);
HResult deleteFile(DBHandle* h, const char* path);
HResult deleteFolder(DBHandle* h, const char* folder);
HResult moveFile(DBHandle* h, const char* src, const char* dst, int32_t keepMark);
HResult copyFile(DBHandle* h, const char* src, const char* dst, int32_t keepMark);

/* The image columns of a record, appended to a file-row list. */
void AddImageFields(const ImageData& image, store::FieldValueList& list);
/* "DataID1".."DataIDn" with empty values, n the configured tables. */
HResult MakeDataIDList(DBHandle* h, store::FieldValueList& list);

} // namespace kavdb::ops
