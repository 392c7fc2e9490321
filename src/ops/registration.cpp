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

/* Stores each MetaData's tags and appends its link column to the file row list. */
HResult addMetadataLinks(DBHandle* h, const MetaDataList& data, FieldValueList& list)
{
    Config config = configOf(h);
    std::vector<std::string> tables = config.tableNames();
    if (!config.found()) {
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

HResult MakeDataIDList(DBHandle* h, FieldValueList& list)
{
    int32_t tables = 0;
    HResult hr = kaCountDataTables(configOf(h), &tables);
    if (hr < 0) {
        return hr;
    }
    for (int32_t k = 1; k <= tables; ++k) {
        list.push_back({Value::text("DataID" + std::to_string(k)), Value()});
    }
    return S_OK;
}

HResult kaRegisterFile(DBHandle* h, const char* path, int32_t* pathSlot, MetaDataList* data,
                       ImageData* image, std::unordered_set<std::string>* known)
{
    if (h == nullptr || path == nullptr || *path == '\0' || IsFolderPath(path)) {
        return E_INVALIDARG;
    }
    FileKey file;
    std::string folder;
    HResult hr = pathSlot != nullptr && *pathSlot != -1
                     ? SplitFilePath(path, folder, file.name)
                     : locateFile(h, path, FolderLookup::Create, file);
    if (hr < 0) {
        return hr;
    }
    if (pathSlot != nullptr) {
        file.pathId = *pathSlot != -1 ? *pathSlot : file.pathId;
        *pathSlot = file.pathId;
    }
    FieldValueList list = {{Value::text("PathID"), Value::integer(file.pathId)}};
    bool exists = false;
    HResult counted = known != nullptr ? (exists = known->count(file.name) > 0, S_OK)
                                       : kaAnyRow(h, fileRow(file), &exists);
    if (counted == S_OK && exists) {
        return KAVDB_E_ALREADY_EXISTS;
    }
    list.push_back({Value::text("Filename"), Value::text(file.name)});
    if (data != nullptr && !data->empty() && counted == S_OK &&
        (hr = addMetadataLinks(h, *data, list)) < 0) {
        return hr;
    }
    if (image != nullptr) {
        AddImageFields(*image, list);
    }
    // The look-up above stands for the insert's own: one query per file, not two.
    hr = kaSetMainTable(h, list, counted == S_OK ? Query{} : fileRow(file), false);
    if (hr >= 0 && known != nullptr) {
        known->insert(file.name);
    }
    return hr;
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
