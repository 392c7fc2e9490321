/*
 * Folder and file rows: finding a folder's PathID (through the handle's one-entry cache),
 * adding folder rows, adding or overwriting a file row from a field list, and deleting a
 * file row together with the folder row and metadata rows nothing else refers to.
 */
#pragma once

#include "store/record_access.h"

#include <list>

namespace kavdb::store {

/* A file's link to a metadata row: table number and DataID. */
struct MetadataLink {
    int32_t table;
    Value dataId;
};
using MetadataLinkList = std::list<MetadataLink>;

/* Exact Pathname match; with create, a missing folder row is added. resetCache forgets
 * the handle's cached folder whatever the outcome. */
HResult kaGetPathID(DBHandle* h, const char* folder, int32_t* pathId, bool create, bool resetCache);
HResult kaSetPath(DBHandle* h, const std::string& folder, int32_t* pathId);
/* The folder of a path (a path without '.' is itself a folder), through the cache. */
HResult kaSearchPathData(DBHandle* h, const char* path, int32_t* pathId);
/* kaSearchPathData, adding the folder row when it is missing. */
HResult kaSetPathTable(DBHandle* h, const char* path, int32_t* pathId);

/* Adds one file row from the list (entries are moved out as they are written); sql selects
 * the row of the same PathID and Filename (empty: the caller has just looked, in the same
 * transaction, and found none). tables -1: the configured count. */
HResult kaSetMainTable(DBHandle* h, FieldValueList& list, const std::string& sql, bool overwrite,
                       int32_t tables);
HResult kaUpdateMainTable(DBHandle* h, const FieldValueList& list);

/* Deletes one file row; links receives the metadata rows no other file refers to.
 * *pathId -1: found from the path (and written back). */
HResult kaDelMain(DBHandle* h, const char* path, MetadataLinkList& links, int32_t* pathId);
HResult kaDelFile(DBHandle* h, const char* path, int32_t pathId = -1);
HResult kaDelPathIfUnused(DBHandle* h, int32_t pathId);

/* The select texts every file-row operation uses. */
std::string fileRowSql(int32_t pathId, const std::string& name); // "... = \"%s\")" form
std::string folderRowsSql(const char* table, const char* column, int32_t id); // (c = id)

} // namespace kavdb::store
