/*
 * Metadata operations: a file's metadata written to and read from the shared rows of the
 * metadata tables, the configured items described one by one, and a metadata table read
 * row by row. Buffers handed out come from the library's allocator.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* A file's metadata. Writing lays each MetaData's tags over the file's current row of
 * that table (items not given keep their values); rows stay shared between files with
 * equal tuples. Reading appends one MetaData per linked table, highest table first. */
HResult writeData(DBHandle* h, const char* path, MetaDataList* data);
HResult readData(DBHandle* h, const char* path, MetaDataList* data);
/* One item of a file: *data receives a new buffer (FreeBuffer), null for an empty binary
 * value. */
HResult readFilePartially(DBHandle* h, const char* path, const char* table, const char* item,
                          int32_t type, int32_t* size, void** data);

/* The configured items, as one running sequence numbered from 1 over all tables. */
HResult getDataTotalNum(int32_t* count);
HResult getData(int32_t index, char* table, char* item, int32_t* type, int32_t* size);
HResult getDataNum(const char* table, int32_t* count);

/* A metadata table by row position (from 1). */
HResult getReadTableDataCount(DBHandle* h, const char* table, int32_t* count);
HResult getReadTableData(DBHandle* h, int32_t position, const char* table, MetaTagList* tags);
HResult getReadTableDataEx(DBHandle* h, int32_t first, int32_t last, const char* table,
                           MetaIdxDataList* rows);

} // namespace kavdb::ops
