/*
 * Registration of single files and their metadata and image records, and the copy,
 * move and delete of file entries.
 */
#include "ops/registration.h"

#include "store/config.h"
#include "store/datetext.h"
#include "store/folder_rows.h"
#include "store/image_fields.h"
#include "store/meta_rows.h"
#include "store/row_ops.h"

#include <algorithm>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

/* The query that finds the file row of a (PathID, name) pair at registration, with the
 * pair bound (one plan for every file of a walk), and the same as plain text. */
constexpr const char* kRegisteredSql = "SELECT * FROM MainTable WHERE (PathID = ?) AND Filename=?";

std::string registeredSql(int32_t pathId, const std::string& name)
{
    return sqlf("SELECT * FROM MainTable WHERE (PathID = %d) AND Filename=\"%s\"", pathId,
                quoteText(name).c_str());
}

HResult folderIdForRegistration(DBHandle* h, const std::string& folder, int32_t* slot,
                                int32_t* pathId)
{
    if (slot != nullptr && *slot != -1) {
        *pathId = *slot;
        return S_OK;
    }
    HResult hr = kaGetPathID(h, folder.c_str(), pathId, true, false);
    if (hr == S_OK && slot != nullptr) {
        *slot = *pathId;
    }
    return hr;
}

/* Stores each MetaData's tags and appends its link column to the file row list. */
HResult addMetadataLinks(DBHandle* h, const MetaDataList& data, FieldValueList& list)
{
    std::vector<std::string> tables;
    if (kaGetTableNames(tables) < 0) {
        return E_FAIL;
    }
    for (const auto& meta : data) {
        int32_t dataId = 0;
        HResult hr = kaSetMetaData(h, meta, &dataId);
        if (hr < 0) {
            return hr;
        }
        auto it = std::find(tables.begin(), tables.end(), std::string(meta.TableName));
        if (it == tables.end()) {
            return E_FAIL;
        }
        auto k = static_cast<int>(it - tables.begin()) + 1;
        list.push_back({Value::text("DataID" + std::to_string(k)), Value::integer(dataId)});
    }
    return S_OK;
}

} // namespace

void AddImageFields(const ImageData& image, FieldValueList& list)
{
    const std::pair<const char*, int32_t> dims[] = {{"Width", image.Width},
                                                    {"Height", image.Height},
                                                    {"Bitcount", image.Bitcount},
                                                    {"ThumbnailWidth", image.ThumbnailWidth},
                                                    {"ThumbnailHeight", image.ThumbnailHeight}};
    for (const auto& [name, v] : dims) {
        list.push_back({Value::text(name), Value::integer(v)});
    }
    list.push_back({Value::text("UpdateTM"), Value::text(dateText(image.UpdateTM))});
    Value thumb;
    if (thumbnailValue(image, &thumb)) {
        list.push_back({Value::text("Thumbnail"), thumb});
    }
}

HResult MakeDataIDList(FieldValueList& list)
{
    int32_t tables = 0;
    HResult hr = kaCountDataTables(&tables);
    if (hr < 0) {
        return hr;
    }
    for (int32_t k = 1; k <= tables; ++k) {
        list.push_back({Value::text("DataID" + std::to_string(k)), Value()});
    }
    return S_OK;
}

HResult kaRegisterFile(DBHandle* h, const char* path, int32_t* pathSlot, MetaDataList* data,
                       ImageData* image)
{
    if (h == nullptr || path == nullptr || *path == '\0' || IsFolderPath(path)) {
        return E_INVALIDARG;
    }
    std::string folder, name;
    int32_t pathId = -1;
    HResult hr = SplitFilePath(path, folder, name);
    if (hr < 0 || (hr = folderIdForRegistration(h, folder, pathSlot, &pathId)) < 0) {
        return hr;
    }
    FieldValueList list = {{Value::text("PathID"), Value::integer(pathId)}};
    bool exists = false;
    HResult counted =
        kaAnyRow(h, kRegisteredSql, {Value::integer(pathId), Value::text(name)}, &exists);
    if (counted == S_OK && exists) {
        return KAVDB_E_ALREADY_EXISTS;
    }
    list.push_back({Value::text("Filename"), Value::text(name)});
    if (data != nullptr && !data->empty() && counted == S_OK &&
        (hr = addMetadataLinks(h, *data, list)) < 0) {
        return hr;
    }
    if (image != nullptr) {
        AddImageFields(*image, list);
    }
    // The look-up above stands for the insert's own: one query per file, not two.
    return kaSetMainTable(h, list, counted == S_OK ? std::string() : registeredSql(pathId, name),
                          false, -1);
}

HResult registerFile(DBHandle* h, const char* path, MetaDataList* data, ImageData* image)
{
    return kaRegisterFile(h, path, nullptr, data, image);
}

HResult deleteFile(DBHandle* h, const char* path)
{
    if (h == nullptr || path == nullptr || *path == '\0') {
        return E_INVALIDARG;
    }
    return kaDelFile(h, path);
}

} // namespace kavdb::ops
