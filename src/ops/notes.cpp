/*
 * Comments, marks and folder information (see notes.h). A comment or folder text must
 * select exactly one row; a mark asked of a file without a row answers 0, and setting one
 * fails.
 */
#include "ops/notes.h"

#include "store/folder_rows.h"
#include "store/row_ops.h"

#include <cstring>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

/* Copies the Comment column whole, with its NUL; Null reads as the empty text. */
void copyComment(Recordset& rs, char* out)
{
    Value v = rs.get("Comment");
    const std::string text = v.isText() ? v.asText() : std::string();
    std::memcpy(out, text.c_str(), text.size() + 1);
}

void writeText(Recordset& rs, const char* column, const char* text)
{
    rs.put(column, Value::text(text));
    rs.update();
}

/* Folder operations take the folder without its final separator and refuse a dotted
 * one, which would be taken for a file. */
HResult checkFolderArgs(DBHandle* h, const char* folder, const void* text)
{
    if (h == nullptr || folder == nullptr || *folder == '\0' || text == nullptr ||
        !IsFolderPath(folder)) {
        return E_INVALIDARG;
    }
    return hasSeparator(folder) ? S_OK : E_FAIL;
}

/* Opens the file row of path for a mark, adding the folder row when it is missing (an
 * empty name part selects no row, as any name without a row does); rows receives how many
 * rows matched. Raises what the engine raises. */
HResult openMarkRow(DBHandle* h, const char* path, std::unique_ptr<Recordset>& rs, long* rows)
{
    if (h == nullptr || path == nullptr || IsFolderPath(path)) {
        return E_INVALIDARG;
    }
    FileKey file;
    HResult hr = locateFile(h, path, FolderLookup::CreateAny, file);
    if (hr < 0 || (hr = OpenRecordset(h, fileRow(file), Cursor::Keyset, rs)) < 0) {
        return hr;
    }
    *rows = CountRows(*rs);
    return S_OK;
}

/* Reads or writes the one row open stands a recordset on, reporting engine errors under
 * message. */
template <class Open, class Act> HResult onOnlyRow(const char* message, Open open, Act act)
{
    return guarded(message, [&] {
        std::unique_ptr<Recordset> rs;
        HResult found = open(rs);
        if (found == S_OK) {
            act(*rs);
        }
        return found;
    });
}

/* onOnlyRow on the one file row of path, its folder found as how says. */
template <class Act>
HResult onFileRow(DBHandle* h, const char* path, FolderLookup how, const char* message, Act act)
{
    return onOnlyRow(
        message,
        [&](std::unique_ptr<Recordset>& rs) {
            FileKey file;
            return openFileRow(h, path, how, file, rs);
        },
        act);
}

/* onOnlyRow on a folder's row. */
template <class Act> HResult onFolderRow(DBHandle* h, int32_t pathId, const char* message, Act act)
{
    return onOnlyRow(
        message,
        [&](std::unique_ptr<Recordset>& rs) {
            return openOnlyRow(h, rowsWhere("PathTable", "PathID", pathId), rs);
        },
        act);
}

} // namespace

HResult readComment(DBHandle* h, const char* path, char* out)
{
    if (h == nullptr || path == nullptr || *path == '\0' || out == nullptr) {
        return E_INVALIDARG;
    }
    return onFileRow(h, path, FolderLookup::Exact, "Failed To KaAVDBReadComment",
                     [&](Recordset& rs) { copyComment(rs, out); });
}

HResult writeComment(DBHandle* h, const char* path, const char* comment)
{
    if (h == nullptr || path == nullptr || *path == '\0' || comment == nullptr) {
        return E_INVALIDARG;
    }
    return onFileRow(h, path, FolderLookup::Cached, "Failed To KaAVDBWriteComment",
                     [&](Recordset& rs) { writeText(rs, "Comment", comment); });
}

HResult readFolderInfo(DBHandle* h, const char* folder, char* out)
{
    HResult hr = checkFolderArgs(h, folder, out);
    if (hr < 0) {
        return hr;
    }
    // The separator is appended whatever the text ends in: a folder named with its final
    // separator is not the folder.
    std::string text = folder;
    appendSeparator(text);
    int32_t pathId = -1;
    std::string last;
    if ((hr = kaGetPathID(h, text.c_str(), &pathId, false)) < 0 ||
        (hr = GetFileNamePart(folder, last)) < 0) {
        return hr;
    }
    return onFolderRow(h, pathId, "Failed To KaAVDBReadFolderInfo",
                       [&](Recordset& rs) { copyComment(rs, out); });
}

HResult writeFolderInfo(DBHandle* h, const char* folder, const char* text)
{
    HResult hr = checkFolderArgs(h, folder, text);
    if (hr < 0) {
        return hr;
    }
    int32_t pathId = -1;
    std::string last;
    if ((hr = kaSearchPathData(h, folder, &pathId)) < 0 ||
        (hr = GetFileNamePart(folder, last)) < 0) {
        return hr;
    }
    return onFolderRow(h, pathId, "Failed To search path data",
                       [&](Recordset& rs) { writeText(rs, "Comment", text); });
}

HResult setCheck(DBHandle* h, const char* path, int32_t mark)
{
    // A mark has no message of its own: an engine error only gives its code.
    return guarded(nullptr, [&] {
        std::unique_ptr<Recordset> rs;
        long rows = 0;
        HResult hr = openMarkRow(h, path, rs, &rows);
        if (hr < 0) {
            return hr;
        }
        if (rows == 0) {
            return E_FAIL;
        }
        rs->moveFirst();
        rs->put("Marking", Value::integer(mark));
        rs->update();
        return S_OK;
    });
}

HResult getCheck(DBHandle* h, const char* path, int32_t* mark)
{
    if (mark == nullptr) {
        return E_INVALIDARG;
    }
    // A mark has no message of its own: an engine error only gives its code.
    return guarded(nullptr, [&] {
        std::unique_ptr<Recordset> rs;
        long rows = 0;
        HResult hr = openMarkRow(h, path, rs, &rows);
        if (hr < 0) {
            return hr;
        }
        *mark = 0;
        if (rows > 0) {
            rs->moveFirst();
            Value v = rs->get("Marking");
            *mark = v.isInt() && (v.asInt() == 0 || v.asInt() == 1) ? v.asInt() : 0;
        }
        return S_OK;
    });
}

} // namespace kavdb::ops
