/*
 * Refresh (see refresh.h). Times are compared as their date-time texts, so any field
 * that differs, the day of the week included, counts as a change. A folder is walked in
 * place with one statement, and a long walk lets other processes at the catalogue
 * between rows.
 */
#include "ops/refresh.h"

#include "store/datetext.h"
#include "store/folder_rows.h"

#include <sys/stat.h>

#include <cerrno>
#include <list>

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

/* Whether the file is there, and its update time's text when it can be read. Only a
 * file that is certainly absent counts as missing: a search permission problem does not
 * say the file is gone. */
OnDisk fileTimeText(const char* path, std::string& text)
{
    struct stat st {};
    if (::stat(path, &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? OnDisk::Missing : OnDisk::Unreadable;
    }
    SYSTEMTIME t{};
    if (fileUpdateTime(path, &t) < 0) {
        return OnDisk::Unreadable;
    }
    text = dateText(t);
    return OnDisk::Present;
}

void deleteRow(Recordset& rs)
{
    rs.deleteCurrent();
    rs.update();
}

/* Refreshes one listed file; false when the walk must stop there. */
bool refreshListed(DBHandle* h, const std::string& path, int32_t mode, HResult& result)
{
    std::string folder;
    std::string name;
    int32_t pathId = -1;
    if (path.empty() || GetFolderPart(path.c_str(), folder) < 0 ||
        kaGetPathID(h, folder.c_str(), &pathId, false, false) < 0 ||
        GetFileNamePart(path.c_str(), name) < 0) {
        return false;
    }
    bool stop = false;
    result = guarded("Failed To KaAVDBRefreshFiles", [&] {
        connectionOf(h).yieldIfDue();
        Recordset rs(connectionOf(h), fileRowSql(pathId, name), Cursor::Keyset);
        rs.moveFirst();
        // A file without a row cannot be refreshed; there is nothing for the engine to
        // fail on, so nothing is reported.
        HResult hr = rs.eof() ? E_FAIL : kaRefreshData(&rs, path.c_str(), mode);
        stop = hr < 0;
        return hr;
    });
    return !stop;
}

/* The Pathname of every folder row, as stored. */
HResult kaGetPathData(DBHandle* h, std::list<Value>& folders)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetPathData", [&] {
        Recordset rs(connectionOf(h), "SELECT Pathname FROM PathTable", Cursor::ForwardOnly);
        for (; !rs.eof(); rs.moveNext()) {
            folders.push_back(rs.get("Pathname"));
        }
        return S_OK;
    });
}

} // namespace

HResult kaRefreshData(Recordset* rs, const char* path, int32_t mode)
{
    if (rs == nullptr || path == nullptr || *path == '\0' || !validMode(mode)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaRefreshData", [&] {
        std::string now;
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
        if (stored.isText() && stored.asText() == now) {
            return S_OK;
        }
        if (mode == kDeleteChanged) {
            deleteRow(*rs);
            return S_OK;
        }
        rs->put("Thumbnail", Value());
        rs->put("UpdateTM", Value::text(now));
        rs->update();
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
    HResult hr = kaGetPathID(h, text.c_str(), &pathId, false, false);
    if (hr < 0) {
        return hr;
    }
    return guarded("Failed To KaAVDBRefreshFolder", [&] {
        engine::Connection& conn = connectionOf(h);
        Recordset rs(conn, folderRowsSql("MainTable", "PathID", pathId), Cursor::Keyset);
        HResult last = S_OK;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            // The folder text as stored ends in its separator.
            std::string path = text + readText(rs, "Filename");
            if ((last = kaRefreshData(&rs, path.c_str(), mode)) < 0) {
                break;
            }
            conn.yieldIfDue();
        }
        return last;
    });
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
    std::list<Value> folders;
    HResult hr = kaGetPathData(h, folders);
    if (hr < 0) {
        return hr;
    }
    HResult last = S_OK;
    for (const Value& folder : folders) {
        if (!folder.isText()) {
            return E_FAIL;
        }
        if ((last = refreshFolder(h, folder.asText().c_str(), mode)) < 0) {
            return last;
        }
    }
    return last;
}

} // namespace kavdb::ops
