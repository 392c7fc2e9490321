/*
 * Image and update-time records (see images.h). A single-file operation locates its row
 * by (PathID, Filename) with an indexed statement; the folder walks run one statement for
 * the whole list and find each file from the current row on.
 */
#include "ops/images.h"

#include "store/datetext.h"
#include "store/folder_rows.h"
#include "store/image_fields.h"
#include "store/row_ops.h"

#include <cstring>
#include <vector>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

/* Readers find the folder by an exact look-up and report an unregistered one; writers go
 * through the folder cache and quietly write nothing for an unregistered folder. */
enum class Access { Read, Write };

/* locateFileRow's answer to a writer whose folder is not catalogued. */
constexpr HResult kNothingToWrite = 1;

/* Stands rs on the one MainTable row of path. */
HResult locateFileRow(DBHandle* h, const char* path, Access access, std::unique_ptr<Recordset>& rs)
{
    FileKey file;
    HResult hr = openFileRow(
        h, path, access == Access::Write ? FolderLookup::Cached : FolderLookup::Exact, file, rs);
    return hr < 0 && access == Access::Write && !file.located && file.pathId < 0 ? kNothingToWrite
                                                                                 : hr;
}

bool isFilePath(const char* path)
{
    return path != nullptr && *path != '\0' && !IsFolderPath(path);
}

bool allDimensionsGiven(const ImageData& in)
{
    return in.Width != 0 && in.Height != 0 && in.Bitcount != 0 && in.ThumbnailWidth != 0 &&
           in.ThumbnailHeight != 0;
}

/* A search forward from the current row (included) for a row whose column holds value,
 * file names compared exactly; false, without moving, when the cursor stands on no row. */
bool searchForward(Recordset& rs, const char* column, const Value& value)
{
    if (rs.bof()) {
        return false;
    }
    for (; !rs.eof(); rs.moveNext()) {
        if (rs.get(column) == value) {
            return true;
        }
    }
    return false;
}

/* The file-name part of a listed path as a Filename value; null when it has none. */
Value listedName(const std::string& path)
{
    std::string name;
    return GetFileNamePart(path.c_str(), name) == S_OK ? Value::text(std::move(name))
                                                       : Value::null();
}

/* Finds a listed file in a walk ordered by name: from the current row on, and once more
 * from the first row when that runs off the end. */
bool findListed(Recordset& rs, const Value& name)
{
    if (name.isNull()) {
        return false;
    }
    if (searchForward(rs, "Filename", name)) {
        return true;
    }
    rs.moveFirst();
    return searchForward(rs, "Filename", name);
}

struct ImageWalk {
    void* context;
    ImageReadCallback callback;
    int32_t index = 0;

    /* Hands one listed file to the callback; true when the callback asks to stop. */
    bool hand(int32_t status, const std::string& path, const ImageData& image)
    {
        ImageReadRecord record{};
        std::memcpy(record.Path, path.c_str(), path.size() + 1);
        record.Index = ++index;
        record.Image = image;
        return callback(status, context, &record) != 0;
    }
};

bool fitsRecordPath(const StringList& paths)
{
    for (const auto& p : paths) {
        if (p.size() >= sizeof(ImageReadRecord::Path)) {
            return false;
        }
    }
    return true;
}

void walkRegisteredFolder(DBHandle* h, int32_t pathId, const StringList& paths, ImageWalk& walk)
{
    Recordset rs = openRows(h,
                            {"SELECT * FROM MainTable WHERE (PathID = ?) ORDER BY Filename ASC",
                             {Value::integer(pathId)}},
                            Cursor::Keyset);
    for (const auto& path : paths) {
        if (findListed(rs, listedName(path))) {
            ImageData image{};
            readImageFields(rs, image);
            if (walk.hand(1, path, image)) {
                return;
            }
        } else {
            // A miss says nothing about the names still to come: they may lie behind.
            walk.hand(2, path, ImageData{});
            rs.moveFirst();
        }
    }
}

/* The PathID of each listed path's folder (-1: not catalogued); a run of paths in one
 * folder costs one look-up. */
std::vector<int32_t> listedFolderIds(DBHandle* h, const StringList& paths)
{
    std::vector<int32_t> ids;
    ids.reserve(paths.size());
    std::string last;
    int32_t lastId = -1;
    bool known = false;
    for (const auto& path : paths) {
        std::string folder;
        if (GetFolderPart(path.c_str(), folder) != S_OK) {
            ids.push_back(-1);
            continue;
        }
        if (!known || folder != last) {
            int32_t id = -1;
            lastId = kaGetPathID(h, folder.c_str(), &id, false) == S_OK ? id : -1;
            last = std::move(folder);
            known = true;
        }
        ids.push_back(lastId);
    }
    return ids;
}

} // namespace

HResult readImage(DBHandle* h, const char* path, ImageData* out)
{
    if (h == nullptr || !isFilePath(path) || out == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBReadImage", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = locateFileRow(h, path, Access::Read, rs);
        if (hr != S_OK) {
            return hr;
        }
        return readImageFields(*rs, *out) ? S_OK : E_FAIL;
    });
}

HResult writeImage(DBHandle* h, const char* path, const ImageData* in)
{
    if (h == nullptr || path == nullptr || *path == '\0' || in == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBWriteImage", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = locateFileRow(h, path, Access::Write, rs);
        if (hr != S_OK) {
            return hr == kNothingToWrite ? S_OK : hr;
        }
        // A record without every dimension keeps the stored ones: a partial set would
        // leave the thumbnail's size inconsistent with its bytes.
        if (allDimensionsGiven(*in)) {
            rs->put("Width", Value::integer(in->Width));
            rs->put("Height", Value::integer(in->Height));
            rs->put("Bitcount", Value::integer(in->Bitcount));
            rs->put("ThumbnailWidth", Value::integer(in->ThumbnailWidth));
            rs->put("ThumbnailHeight", Value::integer(in->ThumbnailHeight));
        }
        rs->put("UpdateTM", Value::text(dateText(in->UpdateTM)));
        Value thumbnail;
        if (thumbnailValue(*in, &thumbnail)) {
            rs->put("Thumbnail", thumbnail);
        }
        rs->update();
        return S_OK;
    });
}

HResult readUpdateData(DBHandle* h, const char* path, char* out)
{
    if (h == nullptr || !isFilePath(path) || out == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBReadUpdateData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = locateFileRow(h, path, Access::Read, rs);
        if (hr != S_OK) {
            return hr;
        }
        Value stored = rs->get("UpdateTM");
        if (!stored.isText() || stored.asText().empty()) {
            return E_FAIL;
        }
        const std::string& text = stored.asText();
        std::memcpy(out, text.c_str(), text.size() + 1);
        return S_OK;
    });
}

HResult writeUpdateData(DBHandle* h, const char* path, const char* text)
{
    if (h == nullptr || !isFilePath(path) || text == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBWriteUpdateData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = locateFileRow(h, path, Access::Write, rs);
        if (hr != S_OK) {
            return hr == kNothingToWrite ? S_OK : hr;
        }
        rs->put("UpdateTM", Value::text(text));
        rs->update();
        return S_OK;
    });
}

HResult readImages(DBHandle* h, void* context, StringList* paths, ImageReadCallback callback)
{
    if (h == nullptr || paths == nullptr || callback == nullptr) {
        return E_INVALIDARG;
    }
    if (paths->empty()) {
        return S_OK;
    }
    if (!fitsRecordPath(*paths)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBReadImage", [&] {
        int32_t pathId = -1;
        std::string folder;
        HResult hr = GetFolderPart(paths->front().c_str(), folder);
        if (hr == S_OK) {
            hr = kaGetPathID(h, folder.c_str(), &pathId, false);
        }
        ImageWalk walk{context, callback};
        if (hr == S_OK) {
            walkRegisteredFolder(h, pathId, *paths, walk);
            return S_OK;
        }
        // No catalogued folder: no listed file has a row.
        for (const auto& path : *paths) {
            if (walk.hand(2, path, ImageData{})) {
                break;
            }
        }
        return S_OK;
    });
}

HResult readImageBatch(DBHandle* h, StringList* paths, ImageDataList* out)
{
    if (h == nullptr || paths == nullptr || out == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To KaAVDBReadImage", [&] {
        std::vector<int32_t> ids = listedFolderIds(h, *paths);
        std::unique_ptr<Recordset> rs;
        for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
            if (*id >= 0) {
                rs = std::make_unique<Recordset>(
                    openRows(h, rowsWhere("MainTable", "PathID", *id), Cursor::Keyset));
                break;
            }
        }
        std::size_t i = 0;
        for (const auto& path : *paths) {
            int32_t pathId = ids[i++];
            // The record joins the list before its thumbnail is read: the list owns it.
            ImageData& image = out->emplace_back();
            Value name = listedName(path);
            if (rs && pathId >= 0 && !name.isNull() && searchForward(*rs, "Filename", name) &&
                searchForward(*rs, "PathID", Value::integer(pathId))) {
                readImageFields(*rs, image);
            }
        }
        return S_OK;
    });
}

} // namespace kavdb::ops
