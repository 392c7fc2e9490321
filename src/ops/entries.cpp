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
        std::string column = link.name.asText();
        bool used = true;
        std::string table;
        if (kaAnyRow(h, folderRowsSql("MainTable", column.c_str(), link.value.asInt()), &used) ==
                S_OK &&
            !used && kaGetTableName(table, k) == S_OK) {
            if (kaDelData(h, folderRowsSql(table.c_str(), "DataID", link.value.asInt())) < 0) {
                return;
            }
        }
    }
}

HResult deleteFolderRows(DBHandle* h, int32_t pathId)
{
    FieldValueList links;
    HResult hr = MakeDataIDList(links);
    if (hr < 0) {
        return hr;
    }
    return guarded("Failed To KaAVDBDeleteFolder", [&] {
        Recordset rs(connectionOf(h), folderRowsSql("MainTable", "PathID", pathId), Cursor::Keyset);
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
            connectionOf(h).yieldIfDue();
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
    HResult hr = kaGetPathID(h, folder, &pathId, false, false);
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
    int32_t srcId = -1, dstId = -1;
    std::string srcFolder, srcName, dstFolder, dstName;
    HResult hr = SplitFilePath(src, srcFolder, srcName);
    if (hr < 0 || (hr = SplitFilePath(dst, dstFolder, dstName)) < 0 ||
        (hr = kaSearchPathData(h, src, &srcId)) < 0) {
        return hr;
    }
    bool taken = false;
    if (kaGetPathID(h, dstFolder.c_str(), &dstId, false, false) == S_OK &&
        kaAnyRow(h, fileRowSql(dstId, dstName), &taken) == S_OK && taken) {
        return E_FAIL;
    }
    hr = guarded("Failed To KaAVDBMoveFile", [&] {
        Recordset rs(connectionOf(h), fileRowSql(srcId, srcName), Cursor::Keyset);
        long rows = rs.recordCount();
        if (rows != 1) {
            return rows == 0 ? KAVDB_E_NOT_FOUND : E_FAIL;
        }
        HResult placed = kaSetPathTable(h, dst, &dstId);
        if (placed < 0) {
            return placed;
        }
        rs.put("PathID", Value::integer(dstId));
        rs.put("Filename", Value::text(dstName));
        if (keepMark == 0) {
            rs.put("Marking", Value::integer(0));
        }
        rs.update();
        return S_OK;
    });
    if (hr == S_OK) {
        kaDelPathIfUnused(h, srcId);
    }
    return hr;
}

HResult copyFile(DBHandle* h, const char* src, const char* dst, int32_t keepMark)
{
    if (h == nullptr || missing(src) || missing(dst)) {
        return E_INVALIDARG;
    }
    std::string srcFolder, srcName, dstFolder, dstName;
    int32_t srcId = -1, dstId = -1;
    FieldValueList list;
    HResult hr = SplitFilePath(src, srcFolder, srcName);
    if (hr < 0 || (hr = SplitFilePath(dst, dstFolder, dstName)) < 0 ||
        (hr = kaGetPathID(h, srcFolder.c_str(), &srcId, false, false)) < 0 ||
        (hr = MakeDataIDList(list)) < 0) {
        return hr;
    }
    for (const char* column : {"Width", "Height", "Bitcount", "ThumbnailWidth", "ThumbnailHeight",
                               "Thumbnail", "UpdateTM", "Comment", "Marking"}) {
        list.push_back({Value::text(column), Value()});
    }
    if ((hr = kaGetData(h, fileRowSql(srcId, srcName), list)) < 0) {
        return hr;
    }
    FieldValue* mark = findField(list, "Marking");
    if (keepMark == 0 && mark != nullptr && mark->value.isInt() && mark->value.asInt() == 1) {
        mark->value = Value::integer(0);
    }
    if ((hr = kaGetPathID(h, dstFolder.c_str(), &dstId, true, false)) < 0) {
        return hr;
    }
    list.push_back({Value::text("PathID"), Value::integer(dstId)});
    list.push_back({Value::text("Filename"), Value::text(dstName)});
    return kaSetMainTable(h, list, fileRowSql(dstId, dstName), true, -1);
}

} // namespace kavdb::ops
