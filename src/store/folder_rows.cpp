/*
 * Folder and file rows. Every look-up is an indexed query on PathTable(Pathname) or
 * MainTable(PathID, Filename) / MainTable(DataIDk): none walks a whole table, so the
 * cost of a call does not grow with the catalogue.
 */
#include "store/folder_rows.h"

#include "store/config.h"
#include "store/row_ops.h"

namespace kavdb::store {

std::string fileRowSql(int32_t pathId, const std::string& name)
{
    return sqlf("SELECT * FROM MainTable WHERE (PathID = %d) AND (Filename = \"%s\")", pathId,
                quoteText(name).c_str());
}

std::string folderRowsSql(const char* table, const char* column, int32_t id)
{
    return sqlf("SELECT * FROM %s WHERE (%s = %d)", table, column, id);
}

namespace {

std::string folderSql(const std::string& folder)
{
    return sqlf("SELECT PathID, Pathname FROM PathTable WHERE StrComp(Pathname,\"%s\",0)=0",
                quoteText(folder).c_str());
}

/* Inserts a folder row; text empty leaves Pathname Null. */
HResult insertFolder(DBHandle* h, const std::string& folder, int32_t* pathId, const char* message)
{
    return guarded(message, [&] {
        Recordset rs(connectionOf(h), "SELECT * FROM PathTable ", Cursor::ForwardOnly);
        rs.addNew({kPathColumns[0], kPathColumns[1], kPathColumns[2]},
                  {Value(), folder.empty() ? Value() : Value::text(folder), Value()});
        *pathId = readInt(rs, "PathID");
        return S_OK;
    });
}

/* The folder text a path stands for: itself when it holds no '.', else its folder part. */
HResult folderTextOf(const char* path, std::string& folder)
{
    if (!IsFolderPath(path)) {
        return GetFolderPart(path, folder);
    }
    folder = path;
    if (!hasSeparator(folder)) {
        return E_FAIL;
    }
    if (!endsWithSeparator(folder)) {
        appendSeparator(folder);
    }
    return folder.size() > kFolderMax ? E_INVALIDARG : S_OK;
}

bool linkStillUsed(DBHandle* h, int32_t table, int32_t dataId)
{
    bool any = true;
    std::string column = "DataID" + std::to_string(table);
    kaAnyRow(h, folderRowsSql("MainTable", column.c_str(), dataId), &any);
    return any;
}

} // namespace

HResult kaGetPathID(DBHandle* h, const char* folder, int32_t* pathId, bool create, bool resetCache)
{
    if (h == nullptr || folder == nullptr || *folder == '\0' || pathId == nullptr) {
        return E_INVALIDARG;
    }
    std::string text = folder;
    HResult hr = hasSeparator(text) ? S_OK : E_FAIL;
    if (hr == S_OK && !endsWithSeparator(text)) {
        appendSeparator(text);
    }
    if (hr == S_OK && text.size() > kFolderMax) {
        hr = E_INVALIDARG;
    }
    if (hr == S_OK) {
        Value id;
        hr = kaGetData(h, folderSql(text), Value::text("PathID"), &id);
        if (hr == S_OK) {
            *pathId = id.isInt() ? id.asInt() : -1;
            hr = id.isInt() ? S_OK : E_FAIL;
        } else if (hr == KAVDB_E_NOT_FOUND && create) {
            hr = kaSetPath(h, text, pathId);
        }
    }
    if (resetCache) {
        h->LastPathID = -1;
    }
    return hr;
}

HResult kaSetPath(DBHandle* h, const std::string& folder, int32_t* pathId)
{
    if (h == nullptr || folder.empty() || pathId == nullptr) {
        return E_INVALIDARG;
    }
    return insertFolder(h, folder, pathId, "Failed to kaSetPath");
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
        Recordset rs(connectionOf(h), folderSql(folder), Cursor::ForwardOnly);
        if (rs.eof()) {
            Recordset any(connectionOf(h), "SELECT PathID FROM PathTable", Cursor::ForwardOnly);
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
    if (hr == S_OK && *pathId > 0) {
        return S_OK;
    }
    if (hr == E_INVALIDARG) {
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
        std::string sql = fileRowSql(path->value.toInt(), name->value.toText());
        return kaSetData(h, sql, list);
    });
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaSetMainTable(DBHandle* h, FieldValueList& list, const std::string& sql, bool overwrite,
                       int32_t tables)
{
    if (h == nullptr || list.empty()) {
        return E_INVALIDARG;
    }
    if (overwrite && kaUpdateMainTable(h, list) == S_OK) {
        return S_OK;
    }
    if (tables == -1 && kaCountDataTables(&tables) < 0) {
        return E_FAIL;
    }
    bool exists = false;
    if (!sql.empty() && kaAnyRow(h, sql, &exists) < 0) {
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
        Recordset rs(connectionOf(h), "SELECT * FROM MainTable ", Cursor::ForwardOnly);
        rs.addNew(names, values);
        return S_OK;
    });
}

HResult kaDelMain(DBHandle* h, const char* path, MetadataLinkList& links, int32_t* pathId)
{
    if (h == nullptr || path == nullptr || *path == '\0' || pathId == nullptr) {
        return E_INVALIDARG;
    }
    HResult hr = S_OK;
    if (*pathId == -1) {
        std::string folder;
        if ((hr = GetFolderPart(path, folder)) < 0 ||
            (hr = kaGetPathID(h, folder.c_str(), pathId, false, true)) < 0) {
            return hr;
        }
    }
    std::string name;
    if ((hr = GetFileNamePart(path, name)) < 0) {
        return hr;
    }
    int32_t tables = 0;
    kaCountDataTables(&tables);
    hr = guarded("Failed To kaDelMain", [&] {
        Recordset rs(connectionOf(h), fileRowSql(*pathId, name), Cursor::Keyset);
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
    return kaDelPathIfUnused(h, *pathId);
}

HResult kaDelFile(DBHandle* h, const char* path, int32_t pathId)
{
    MetadataLinkList links;
    HResult hr = kaDelMain(h, path, links, &pathId);
    if (hr < 0) {
        return hr;
    }
    for (const auto& link : links) {
        std::string table;
        if (kaGetTableName(table, link.table) == S_OK) {
            hr = kaDelAllData(h, folderRowsSql(table.c_str(), "DataID", link.dataId.asInt()));
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
    if (kaAnyRow(h, folderRowsSql("MainTable", "PathID", pathId), &used) < 0 || used) {
        return S_OK;
    }
    forgetFolder(h);
    HResult hr = kaDelAllData(h, folderRowsSql("PathTable", "PathID", pathId));
    return hr == KAVDB_E_NOT_FOUND ? S_OK : hr;
}

} // namespace kavdb::store
