/*
 * Folder and file rows. Every look-up is an indexed query on PathTable(Pathname) or
 * MainTable(PathID, Filename) / MainTable(DataIDk): none walks a whole table, so the
 * cost of a call does not grow with the catalogue.
 */
#include "store/folder_rows.h"

#include "store/config.h"
#include "store/row_ops.h"

namespace kavdb::store {

Query fileRow(const FileKey& key)
{
    return {"SELECT * FROM MainTable WHERE (PathID = ?) AND (Filename = ?)",
            {Value::integer(key.pathId), Value::text(key.name)}};
}

Query rowsWhere(const std::string& table, const std::string& column, int32_t id)
{
    return {"SELECT * FROM " + table + " WHERE (" + column + " = ?)", {Value::integer(id)}};
}

namespace {

Query folderRow(const std::string& folder)
{
    return {"SELECT PathID, Pathname FROM PathTable WHERE StrComp(Pathname, ?, 0) = 0",
            {Value::text(folder)}};
}

/* Inserts a folder row; text empty leaves Pathname Null. */
HResult insertFolder(DBHandle* h, const std::string& folder, int32_t* pathId, const char* message)
{
    return guarded(message, [&] {
        *pathId = engine::insertRow(connectionOf(h), "PathTable", {"Pathname"},
                                    {folder.empty() ? Value() : Value::text(folder)}, "PathID")
                      .toInt();
        return S_OK;
    });
}

/* A folder's text as its row holds it, ending in a separator. */
HResult folderText(std::string& folder)
{
    if (!hasSeparator(folder)) {
        return E_FAIL;
    }
    if (!endsWithSeparator(folder)) {
        appendSeparator(folder);
    }
    return folder.size() > kFolderMax ? E_INVALIDARG : S_OK;
}

/* The folder text a path stands for: itself when it holds no '.', else its folder part. */
HResult folderTextOf(const char* path, std::string& folder)
{
    if (!IsFolderPath(path)) {
        return GetFolderPart(path, folder);
    }
    folder = path;
    return folderText(folder);
}

/* The folder text the look-up how finds path's folder row by, and the name part; S_OK only
 * where it would find the folder row by that text and then look for the file's. */
HResult lookupTexts(const char* path, FolderLookup how, std::string& folder, std::string& name)
{
    if (GetFolderPart(path, folder) != S_OK || GetFileNamePart(path, name) != S_OK) {
        return E_FAIL;
    }
    return how == FolderLookup::Cached  ? folderTextOf(path, folder)
           : how == FolderLookup::Exact ? folderText(folder)
                                        : E_FAIL;
}

bool linkStillUsed(DBHandle* h, int32_t table, int32_t dataId)
{
    bool any = true;
    kaAnyRow(h, rowsWhere("MainTable", "DataID" + std::to_string(table), dataId), &any);
    return any;
}

} // namespace

HResult locateFile(DBHandle* h, const char* path, FolderLookup how, FileKey& key)
{
    std::string folder;
    HResult hr = GetFolderPart(path, folder);
    HResult named = hr < 0 ? hr : GetFileNamePart(path, key.name);
    bool adds = how == FolderLookup::Create || how == FolderLookup::CreateAny;
    // A folder row is added only for a path within its limits (that names a file, unless
    // any path will do: a mark asked of a folder's text answers that it has no row).
    if (adds && (named == E_INVALIDARG || (how == FolderLookup::Create && named < 0))) {
        return named;
    }
    if (hr < 0) {
        return hr;
    }
    hr = how == FolderLookup::Cached ? kaSearchPathData(h, path, &key.pathId)
                                     : kaGetPathID(h, folder.c_str(), &key.pathId, adds);
    return hr < 0 ? hr : adds ? S_OK : named;
}

namespace {

/* openFileRow by one statement: false, with rs empty, unless it finds exactly one row. */
bool openFileRowAtOnce(DBHandle* h, const char* path, FolderLookup how, FileKey& key,
                       std::unique_ptr<Recordset>& rs)
{
    std::string folder;
    if (lookupTexts(path, how, folder, key.name) != S_OK) {
        return false;
    }
    // A folder text that more than one row holds finds none here: each look-up has its
    // own answer to that.
    Query q{"SELECT * FROM MainTable WHERE (PathID = (SELECT Min(PathID) FROM PathTable WHERE "
            "StrComp(Pathname, ?, 0) = 0 HAVING Count(*) = 1)) AND (Filename = ?)",
            {Value::text(folder), Value::text(key.name)}};
    if (OpenRecordset(h, q, Cursor::Keyset, rs) == S_OK && rs && standOnOnlyRow(*rs) == S_OK) {
        key.pathId = readInt(*rs, "PathID");
        key.located = true;
        return true;
    }
    rs.reset();
    return false;
}

} // namespace

HResult openFileRow(DBHandle* h, const char* path, FolderLookup how, FileKey& key,
                    std::unique_ptr<Recordset>& rs)
{
    if (openFileRowAtOnce(h, path, how, key, rs)) {
        return S_OK;
    }
    key = FileKey();
    HResult hr = locateFile(h, path, how, key);
    key.located = hr >= 0;
    return hr < 0 ? hr : openOnlyRow(h, fileRow(key), rs);
}

HResult fileNamesIn(DBHandle* h, int32_t pathId, std::unordered_set<std::string>& names)
{
    return guarded("Failed To kaGetData", [&] {
        Recordset rs = openRows(
            h, {"SELECT Filename FROM MainTable WHERE PathID = ?", {Value::integer(pathId)}},
            Cursor::ForwardOnly);
        for (; !rs.eof(); rs.moveNext()) {
            Value name = rs.get("Filename");
            if (name.isText()) {
                names.insert(name.asText());
            }
        }
        return S_OK;
    });
}

HResult kaGetPathID(DBHandle* h, const char* folder, int32_t* pathId, bool create)
{
    if (h == nullptr || folder == nullptr || *folder == '\0' || pathId == nullptr) {
        return E_INVALIDARG;
    }
    std::string text = folder;
    if (HResult hr = folderText(text); hr < 0) {
        return hr;
    }
    Value id;
    HResult hr = kaGetData(h, folderRow(text), Value::text("PathID"), &id);
    if (hr == S_OK) {
        *pathId = id.isInt() ? id.asInt() : -1;
        return id.isInt() ? S_OK : E_FAIL;
    }
    return hr == KAVDB_E_NOT_FOUND && create ? insertFolder(h, text, pathId, "Failed to kaSetPath")
                                             : hr;
}

HResult kaSearchPathData(DBHandle* h, const char* path, int32_t* pathId)
{
    if (h == nullptr || path == nullptr || *path == '\0' || pathId == nullptr) {
        return E_INVALIDARG;
    }
    *pathId = -1;
    std::string folder;
    HResult hr = folderTextOf(path, folder);
    if (hr < 0) {
        return hr;
    }
    if (h->LastPathID >= 0 && folder == h->LastPathname) {
        *pathId = h->LastPathID;
        return S_OK;
    }
    return guarded("Failed To search path data", [&] {
        Recordset rs = openRows(h, folderRow(folder), Cursor::ForwardOnly);
        if (rs.eof()) {
            Recordset any = openRows(h, {"SELECT PathID FROM PathTable"}, Cursor::ForwardOnly);
            return any.eof() ? KAVDB_E_NOT_FOUND : E_FAIL;
        }
        *pathId = readInt(rs, "PathID");
        h->LastPathID = *pathId;
        h->LastPathname = folder;
        return S_OK;
    });
}

HResult kaSetPathTable(DBHandle* h, const char* path, int32_t* pathId)
{
    HResult hr = kaSearchPathData(h, path, pathId);
    if (hr == E_INVALIDARG || (hr == S_OK && *pathId > 0)) {
        return hr;
    }
    std::string folder;
    if ((hr = GetFolderPart(path, folder)) < 0) {
        return hr;
    }
    return insertFolder(h, folder, pathId, "Failed to set pathtable");
}

HResult kaUpdateMainTable(DBHandle* h, const FieldValueList& list)
{
    if (h == nullptr || list.empty()) {
        return E_INVALIDARG;
    }
    const FieldValue* path = findField(list, "PathID");
    const FieldValue* name = findField(list, "Filename");
    if (path == nullptr || name == nullptr || path->value.isNothing() || name->value.isNothing()) {
        return E_FAIL;
    }
    HResult hr = guarded("Failed to kaSetMainTable", [&] {
        return kaSetData(h, fileRow({path->value.toInt(), name->value.toText()}), list);
    });
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaSetMainTable(DBHandle* h, FieldValueList& list, const Query& q, bool overwrite)
{
    if (h == nullptr || list.empty()) {
        return E_INVALIDARG;
    }
    if (overwrite && kaUpdateMainTable(h, list) == S_OK) {
        return S_OK;
    }
    int32_t tables = 0;
    if (kaCountDataTables(configOf(h), &tables) < 0) {
        return E_FAIL;
    }
    bool exists = false;
    if (!q.sql.empty() && kaAnyRow(h, q, &exists) < 0) {
        return E_POINTER;
    }
    if (exists) {
        return KAVDB_E_ALREADY_EXISTS;
    }
    std::vector<std::string> names(std::begin(kMainColumns), std::end(kMainColumns));
    for (int32_t k = 1; k <= tables; ++k) {
        names.push_back("DataID" + std::to_string(k));
    }
    std::vector<Value> values(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->name.isText() && it->name.asText() == names[i]) {
                values[i] = it->value;
                list.erase(it);
                break;
            }
        }
    }
    values[0] = Value(); // the engine supplies FieldID
    return guarded("Failed to kaSetMainTable", [&] {
        engine::insertRow(connectionOf(h), "MainTable", names, values);
        return S_OK;
    });
}

HResult kaDelMain(DBHandle* h, const FileKey& file, MetadataLinkList& links)
{
    int32_t tables = 0;
    kaCountDataTables(configOf(h), &tables);
    HResult hr = guarded("Failed To kaDelMain", [&] {
        Recordset rs = openRows(h, fileRow(file), Cursor::Keyset);
        if (rs.eof()) {
            return KAVDB_E_NOT_FOUND;
        }
        for (int32_t k = 1; k <= tables; ++k) {
            std::string column = "DataID" + std::to_string(k);
            Value v = rs.hasField(column) ? rs.get(column) : Value();
            if (!v.isNothing()) {
                links.push_back({k, v});
            }
        }
        rs.deleteCurrent();
        rs.update();
        return S_OK;
    });
    if (hr < 0) {
        return hr;
    }
    links.remove_if([&](const MetadataLink& l) {
        return !l.dataId.isInt() || linkStillUsed(h, l.table, l.dataId.asInt());
    });
    return kaDelPathIfUnused(h, file.pathId);
}

HResult kaDelFile(DBHandle* h, const char* path)
{
    FileKey file;
    MetadataLinkList links;
    HResult hr = locateFile(h, path, FolderLookup::Exact, file);
    if (hr < 0 || (hr = kaDelMain(h, file, links)) < 0) {
        return hr;
    }
    for (const auto& link : links) {
        std::string table;
        if (kaGetTableName(configOf(h), table, link.table) == S_OK) {
            hr = kaDelAllData(h, rowsWhere(table, "DataID", link.dataId.asInt()));
        }
    }
    return hr;
}

HResult kaDelPathIfUnused(DBHandle* h, int32_t pathId)
{
    if (h == nullptr || pathId < 1) {
        return E_INVALIDARG;
    }
    bool used = true;
    if (kaAnyRow(h, rowsWhere("MainTable", "PathID", pathId), &used) < 0 || used) {
        return S_OK;
    }
    forgetFolder(h);
    HResult hr = kaDelAllData(h, rowsWhere("PathTable", "PathID", pathId));
    return hr == KAVDB_E_NOT_FOUND ? S_OK : hr;
}

} // namespace kavdb::store
