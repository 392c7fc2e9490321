/*
 * Moving, copying and deleting catalogue entries of files and folders. A copy shares
 * the source's metadata rows; a row goes only with the last file that refers to it.
 */
#include "ops/registration.h"

#include "store/config.h"
#include "store/folder_rows.h"
#include "store/row_ops.h"

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

bool missing(const char* text)
{
    return text == nullptr || *text == '\0';
}

/* Removes the file's metadata rows that no remaining file links to. */
void dropUnusedLinks(DBHandle* h, const FieldValueList& links)
{
    int32_t k = 0;
    for (const auto& link : links) {
        ++k;
        if (!link.value.isInt()) {
            continue;
        }
        bool used = true;
        std::string table;
        if (kaAnyRow(h, rowsWhere("MainTable", link.name.asText(), link.value.asInt()), &used) ==
                S_OK &&
            !used && kaGetTableName(configOf(h), table, k) == S_OK &&
            kaDelData(h, rowsWhere(table, "DataID", link.value.asInt())) < 0) {
            return;
        }
    }
}

HResult deleteFolderRows(DBHandle* h, int32_t pathId)
{
    FieldValueList links;
    HResult hr = MakeDataIDList(h, links);
    if (hr < 0) {
        return hr;
    }
    return guarded("Failed To KaAVDBDeleteFolder", [&] {
        Recordset rs = openRows(h, rowsWhere("MainTable", "PathID", pathId), Cursor::Keyset);
        if (rs.eof()) {
            return KAVDB_E_NOT_FOUND;
        }
        for (; !rs.eof(); rs.moveNext()) {
            for (auto& link : links) {
                const std::string& column = link.name.asText();
                link.value = rs.hasField(column) ? rs.get(column) : Value();
            }
            rs.deleteCurrent();
            rs.update();
            dropUnusedLinks(h, links);
            yieldSlice(h);
        }
        return S_OK;
    });
}

} // namespace

HResult deleteFolder(DBHandle* h, const char* folder)
{
    if (h == nullptr || missing(folder)) {
        return E_INVALIDARG;
    }
    int32_t pathId = -1;
    HResult hr = kaGetPathID(h, folder, &pathId, false);
    if (hr < 0) {
        return hr;
    }
    hr = deleteFolderRows(h, pathId);
    return kaDelPathIfUnused(h, pathId) < 0 ? E_FAIL : hr;
}

HResult moveFile(DBHandle* h, const char* src, const char* dst, int32_t keepMark)
{
    if (h == nullptr || missing(src) || missing(dst) || IsFolderPath(src) || IsFolderPath(dst)) {
        return E_INVALIDARG;
    }
    // Every check before the first write: a refused move leaves no destination folder.
    FileKey from, to;
    std::string folder;
    HResult hr = SplitFilePath(src, folder, from.name);
    if (hr < 0 || (hr = SplitFilePath(dst, folder, to.name)) < 0 ||
        (hr = locateFile(h, src, FolderLookup::Cached, from)) < 0) {
        return hr;
    }
    bool taken = false;
    if (locateFile(h, dst, FolderLookup::Exact, to) == S_OK &&
        kaAnyRow(h, fileRow(to), &taken) == S_OK && taken) {
        return E_FAIL;
    }
    hr = guarded("Failed To KaAVDBMoveFile", [&] {
        Recordset rs = openRows(h, fileRow(from), Cursor::Keyset);
        HResult placed = standOnOnlyRow(rs);
        if (placed == S_OK) {
            placed = kaSetPathTable(h, dst, &to.pathId);
        }
        if (placed < 0) {
            return placed;
        }
        rs.put("PathID", Value::integer(to.pathId));
        rs.put("Filename", Value::text(to.name));
        if (keepMark == 0) {
            rs.put("Marking", Value::integer(0));
        }
        rs.update();
        return S_OK;
    });
    if (hr == S_OK) {
        kaDelPathIfUnused(h, from.pathId);
    }
    return hr;
}

HResult copyFile(DBHandle* h, const char* src, const char* dst, int32_t keepMark)
{
    if (h == nullptr || missing(src) || missing(dst)) {
        return E_INVALIDARG;
    }
    FileKey from, to;
    std::string folder;
    FieldValueList list;
    HResult hr = SplitFilePath(src, folder, from.name);
    if (hr < 0 || (hr = SplitFilePath(dst, folder, to.name)) < 0 ||
        (hr = locateFile(h, src, FolderLookup::Exact, from)) < 0 ||
        (hr = MakeDataIDList(h, list)) < 0) {
        return hr;
    }
    for (const char* column : {"Width", "Height", "Bitcount", "ThumbnailWidth", "ThumbnailHeight",
                               "Thumbnail", "UpdateTM", "Comment", "Marking"}) {
        list.push_back({Value::text(column), Value()});
    }
    if ((hr = kaGetData(h, fileRow(from), list)) < 0) {
        return hr;
    }
    FieldValue* mark = findField(list, "Marking");
    if (keepMark == 0 && mark != nullptr && mark->value.isInt() && mark->value.asInt() == 1) {
        mark->value = Value::integer(0);
    }
    if ((hr = locateFile(h, dst, FolderLookup::Create, to)) < 0) {
        return hr;
    }
    list.push_back({Value::text("PathID"), Value::integer(to.pathId)});
    list.push_back({Value::text("Filename"), Value::text(to.name)});
    return kaSetMainTable(h, list, fileRow(to), true);
}

} // namespace kavdb::ops
