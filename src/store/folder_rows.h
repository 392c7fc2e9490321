/*
 * Folder and file rows: the one file locator (a path to its folder's PathID and its file
 * name), finding or adding folder rows through the handle's one-entry cache, adding or
 * overwriting a file row from a field list, and deleting a file row together with the
 * folder row and metadata rows nothing else refers to.
 */
#pragma once

#include "store/record_access.h"

#include <list>
#include <unordered_set>

namespace kavdb::store {

/* A file's link to a metadata row: table number and DataID. */
struct MetadataLink {
    int32_t table;
    Value dataId;
};
using MetadataLinkList = std::list<MetadataLink>;

/* How a file's folder row is found. */
enum class FolderLookup {
    Exact,     // by its exact text
    Cached,    // through the handle's folder cache; a dotless path is a folder itself
    Create,    // added when missing, for a path that names a file
    CreateAny, // added when missing, whatever the path names
};

/* A file row's key: its folder's PathID and its name. */
struct FileKey {
    int32_t pathId = -1;
    std::string name;
    bool located = false; // openFileRow: the look-up found the folder and took the name
};

/* Splits path and finds its folder row as how says. Limits are checked first (an
 * over-long folder part; with the Create kinds, the name part as well, and with Create an
 * empty one); then the folder row, whose failure is the result (pathId stays -1); then the
 * name part. */
HResult locateFile(DBHandle* h, const char* path, FolderLookup how, FileKey& key);

/* Stands rs on the one file row of path, its folder found as how says (Exact or Cached),
 * with locateFile's answers (key.located false), then KAVDB_E_NOT_FOUND or E_FAIL unless
 * the file has exactly one row. Where it can, the row
 * is found with its folder's by one statement: one round trip on a server. Raises what the
 * engine raises. */
HResult openFileRow(DBHandle* h, const char* path, FolderLookup how, FileKey& key,
                    std::unique_ptr<Recordset>& rs);

/* The statements selecting a file's row, and a table's rows whose column holds id. */
Query fileRow(const FileKey& key);
Query rowsWhere(const std::string& table, const std::string& column, int32_t id);

/* The names of the files a folder row holds (Null names left out). */
HResult fileNamesIn(DBHandle* h, int32_t pathId, std::unordered_set<std::string>& names);

/* Exact Pathname match; with create, a missing folder row is added. */
HResult kaGetPathID(DBHandle* h, const char* folder, int32_t* pathId, bool create);
/* The folder of a path (a path without '.' is itself a folder), through the cache. */
HResult kaSearchPathData(DBHandle* h, const char* path, int32_t* pathId);
/* kaSearchPathData, adding the folder row when it is missing. */
HResult kaSetPathTable(DBHandle* h, const char* path, int32_t* pathId);

/* Adds one file row from the list (entries are moved out as they are written); q selects
 * the row of the same PathID and Filename (empty: the caller has just looked, in the same
 * call, and found none). */
HResult kaSetMainTable(DBHandle* h, FieldValueList& list, const Query& q, bool overwrite);
HResult kaUpdateMainTable(DBHandle* h, const FieldValueList& list);

/* Deletes a file's row; links receives the metadata rows no other file refers to. */
HResult kaDelMain(DBHandle* h, const FileKey& file, MetadataLinkList& links);
HResult kaDelFile(DBHandle* h, const char* path);
HResult kaDelPathIfUnused(DBHandle* h, int32_t pathId);

} // namespace kavdb::store
