/*
 * Refresh (see refresh.h). Times are compared as their date-time texts, so any field
 * that differs, the day of the week included, counts as a change. A folder is walked in
 * place with one statement, and a long walk lets other processes at the catalogue
 * between rows.
 */
#include "ops/refresh.h"

#include "store/datetext.h"
#include "store/folder_rows.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

constexpr int32_t kDeleteChanged = 1;
constexpr int32_t kKeepChanged = 2;

bool validMode(int32_t mode)
{
    return mode == kDeleteChanged || mode == kKeepChanged;
}

enum class OnDisk { Missing, Unreadable, Present };

/* Whether the file is there, and its update time's text when it can be read, from one
 * look at the file: a refresh looks at every file of the catalogue. Only a file that is
 * certainly absent counts as missing; a permission problem does not say it is gone. */
OnDisk fileTimeText(const char* path, char* text)
{
    SYSTEMTIME t{};
    switch (fileTimeOrAbsence(path, &t)) {
    case 0:
        return OnDisk::Missing;
    case 1:
        writeDateText(t, text);
        return OnDisk::Present;
    default:
        return OnDisk::Unreadable;
    }
}

void deleteRow(Recordset& rs)
{
    rs.deleteCurrent();
    rs.update();
}

/* Keeps a changed file's row with the file's time and no thumbnail. The row is written
 * by its key, so the walk need not read the thumbnail it throws away. */
void keepWithNewTime(DBHandle* h, Recordset& rs, const char* now)
{
    Recordset row =
        openRows(h, rowsWhere("MainTable", "FieldID", readInt(rs, "FieldID")), Cursor::Keyset);
    if (row.eof()) {
        raiseError(KAVDB_E_NO_CURRENT_ROW, "The file's row has gone.");
    }
    row.put("Thumbnail", Value());
    row.put("UpdateTM", Value::text(now));
    row.update();
}

/* Refreshes one listed file; false when the walk must stop there. */
bool refreshListed(DBHandle* h, const std::string& path, int32_t mode, HResult& result)
{
    FileKey file;
    if (path.empty() || locateFile(h, path.c_str(), FolderLookup::Exact, file) < 0) {
        return false;
    }
    bool stop = false;
    result = guarded("Failed To KaAVDBRefreshFiles", [&] {
        yieldSlice(h);
        Recordset rs = openRows(h, fileRow(file), Cursor::Keyset);
        rs.moveFirst();
        // A file without a row cannot be refreshed; there is nothing for the engine to
        // fail on, so nothing is reported.
        HResult hr = rs.eof() ? E_FAIL : kaRefreshData(h, &rs, path.c_str(), mode);
        stop = hr < 0;
        return hr;
    });
    return !stop;
}

/* A folder row as the whole-catalogue refresh collects it. */
struct FolderRow {
    Value pathname;
    Value pathId;
};

/* Every folder row, in the order the rows come back. */
HResult kaGetPathData(DBHandle* h, std::vector<FolderRow>& folders)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetPathData", [&] {
        Recordset rs = openRows(h, {"SELECT PathID, Pathname FROM PathTable"}, Cursor::ForwardOnly);
        for (; !rs.eof(); rs.moveNext()) {
            folders.push_back({rs.get("Pathname"), rs.get("PathID")});
        }
        return S_OK;
    });
}

/* Walks the file rows of one folder in place; text ends in its separator. */
HResult walkFolderRows(DBHandle* h, const std::string& text, int32_t pathId, int32_t mode)
{
    return guarded("Failed To KaAVDBRefreshFolder", [&] {
        // Only what is compared is read: the thumbnails stay where they are.
        Recordset rs = openRows(h,
                                {"SELECT FieldID, Filename, UpdateTM FROM MainTable WHERE "
                                 "(PathID = ?)",
                                 {Value::integer(pathId)}},
                                Cursor::Keyset);
        HResult last = S_OK;
        std::string path = text;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            path.resize(text.size());
            path += readText(rs, "Filename");
            if ((last = kaRefreshData(h, &rs, path.c_str(), mode)) < 0) {
                break;
            }
            yieldSlice(h);
        }
        return last;
    });
}

/* Refreshes one collected folder. Looking its text up again would find this very row
 * when the text is complete (ends in its separator) and no other row holds it, so then
 * the row's own PathID is used; any other text goes the whole way of refreshFolder. */
HResult refreshCollected(DBHandle* h, const FolderRow& row,
                         const std::unordered_map<std::string, int>& holders, int32_t mode)
{
    const std::string& text = row.pathname.asText();
    if (validMode(mode) && row.pathId.isInt() && endsWithSeparator(text) &&
        text.size() <= kFolderMax && holders.at(text) == 1) {
        return walkFolderRows(h, text, row.pathId.asInt(), mode);
    }
    return refreshFolder(h, text.c_str(), mode);
}

} // namespace

HResult kaRefreshData(DBHandle* h, Recordset* rs, const char* path, int32_t mode)
{
    if (h == nullptr || rs == nullptr || path == nullptr || *path == '\0' || !validMode(mode)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaRefreshData", [&] {
        char now[kDateTextCapacity];
        switch (fileTimeText(path, now)) {
        case OnDisk::Missing:
            deleteRow(*rs);
            return S_OK;
        case OnDisk::Unreadable:
            // Never judged on a time that was not read.
            return S_OK;
        case OnDisk::Present:
            break;
        }
        Value stored = rs->get("UpdateTM");
        if (stored.isText() && stored.asText() == std::string_view(now)) {
            return S_OK;
        }
        if (mode == kDeleteChanged) {
            deleteRow(*rs);
            return S_OK;
        }
        keepWithNewTime(h, *rs, now);
        return S_OK;
    });
}

HResult refreshFolder(DBHandle* h, const char* folder, int32_t mode)
{
    if (h == nullptr || folder == nullptr || *folder == '\0' || !validMode(mode)) {
        return E_INVALIDARG;
    }
    std::string text = folder;
    if (!hasSeparator(text)) {
        return E_FAIL;
    }
    if (!endsWithSeparator(text)) {
        appendSeparator(text);
    }
    int32_t pathId = -1;
    HResult hr = kaGetPathID(h, text.c_str(), &pathId, false);
    if (hr < 0) {
        return hr;
    }
    return walkFolderRows(h, text, pathId, mode);
}

HResult refreshFiles(DBHandle* h, StringList* paths, int32_t mode)
{
    if (h == nullptr || paths == nullptr || !validMode(mode)) {
        return E_INVALIDARG;
    }
    HResult result = S_OK;
    for (const auto& path : *paths) {
        if (!refreshListed(h, path, mode, result)) {
            return E_FAIL;
        }
    }
    return result;
}

HResult refreshAll(DBHandle* h, int32_t mode)
{
    std::vector<FolderRow> folders;
    HResult hr = kaGetPathData(h, folders);
    if (hr < 0) {
        return hr;
    }
    std::unordered_map<std::string, int> holders;
    for (const FolderRow& row : folders) {
        if (row.pathname.isText()) {
            ++holders[row.pathname.asText()];
        }
    }
    HResult last = S_OK;
    for (const FolderRow& row : folders) {
        if (!row.pathname.isText()) {
            return E_FAIL;
        }
        if ((last = refreshCollected(h, row, holders, mode)) < 0) {
            return last;
        }
    }
    return last;
}

} // namespace kavdb::ops
