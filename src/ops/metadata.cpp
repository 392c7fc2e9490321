/*
 * Metadata operations over the metadata rows of the store: a file's link columns lead
 * to its rows, and writing keeps one row per distinct tuple, deleting a file's previous
 * row when no other file was using it.
 */
#include "ops/metadata.h"

#include "store/config.h"
#include "store/folder_rows.h"
#include "store/meta_rows.h"
#include "store/row_ops.h"

#include <cstring>
#include <iterator>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

bool isEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

/* The file's one MainTable row, held open for a whole call: its link values as they were
 * when it was opened (highest table number first), and new links put on it in place. */
class FileRow {
  public:
    /* openFileRow's answers; engine errors reported under message. */
    HResult open(DBHandle* h, const char* path, FolderLookup how, const char* message)
    {
        return guarded(message, [&] {
            HResult hr = openFileRow(h, path, how, file_, rs_);
            const int fixed = static_cast<int>(std::size(kMainColumns));
            for (int k = hr == S_OK ? rs_->fieldCount() - fixed : 0; k >= 1; --k) {
                links_.push_back({k, rs_->get("DataID" + std::to_string(k))});
            }
            return hr;
        });
    }
    /* The path's folder or name failed, rather than its file row. */
    bool notLocated() const { return !file_.located; }
    const MetadataLinkList& links() const { return links_; }
    /* The DataID the link column held when the row was opened; 0 for none. */
    int32_t previous(const std::string& column) const
    {
        for (const auto& link : links_) {
            if ("DataID" + std::to_string(link.table) == column && !link.dataId.isNothing()) {
                return link.dataId.isInt() ? link.dataId.asInt() : -1;
            }
        }
        return 0;
    }
    HResult setLink(const std::string& column, int32_t dataId)
    {
        return guarded("Failed To kaSetData", [&] {
            rs_->put(column, Value::integer(dataId));
            rs_->update();
            return S_OK;
        });
    }

  private:
    FileKey file_;
    std::unique_ptr<Recordset> rs_;
    MetadataLinkList links_;
};

/* The file already has a row (previous) in the table: the tags laid over it give the row
 * to link to. A shared row stays with its other files; an unshared one is replaced (and
 * deleted), or overwritten in place when no row for the merged tuple can be had. */
HResult relinkFile(DBHandle* h, const MetaData& meta, FileRow& row, const std::string& column,
                   int32_t previous, int32_t users)
{
    int32_t id = previous;
    HResult hr = kaFindOrAddData(h, meta, &id, true);
    const bool found = hr == S_OK && id > 0;
    if (users >= 2) {
        return found ? row.setLink(column, id) : hr;
    }
    if (!found) {
        return kaUpdateMetaData(h, meta, previous);
    }
    hr = row.setLink(column, id);
    if (hr == S_OK && id != previous) {
        hr = kaDelDataRow(h, meta.TableName, previous);
    }
    return hr;
}

HResult linkNewRow(DBHandle* h, const MetaData& meta, FileRow& row, const std::string& column)
{
    int32_t id = -1;
    HResult hr = kaFindOrAddData(h, meta, &id, true);
    if (id > 0 && hr == S_OK) {
        hr = row.setLink(column, id);
    }
    return hr;
}

/* Writes one MetaData; stop is set when the whole operation must end with the result. */
HResult writeOne(DBHandle* h, const MetaData& meta, FileRow& row, bool& stop)
{
    std::string column;
    HResult hr = kaGetLinkColumn(configOf(h), meta.TableName, column);
    if (hr < 0) {
        stop = true;
        return hr;
    }
    const int32_t previous = row.previous(column);
    if (previous == 0) {
        return linkNewRow(h, meta, row, column);
    }
    int32_t users = 0;
    if (kaCountFileLinks(h, column, previous, &users) != S_OK) {
        stop = true;
        return E_FAIL;
    }
    return relinkFile(h, meta, row, column, previous, users);
}

/* The first tag of the item and kind in the list; null when none. */
MetaTag* findTag(MetaDataList& list, const char* item, int32_t type)
{
    for (MetaData& meta : list) {
        for (MetaTag& tag : meta.Tags) {
            if (std::strcmp(tag.Name, item) == 0 && tag.Type == static_cast<uint32_t>(type)) {
                return &tag;
            }
        }
    }
    return nullptr;
}

/* Reads the rows of the named table that the file links to into found. */
HResult readLinkedRows(DBHandle* h, const MetadataLinkList& links, const char* table,
                       MetaDataList& found)
{
    for (const auto& link : links) {
        std::string name;
        if (link.dataId.isNothing() || kaGetTableName(configOf(h), name, link.table) < 0 ||
            name != table) {
            continue;
        }
        HResult hr = kaReadDataRow(h, name, link.dataId, found);
        if (hr < 0) {
            return hr;
        }
    }
    return S_OK;
}

/* Hands the tag's buffer over to the caller (it came from the library's allocator). */
void handOver(MetaTag& tag, int32_t* size, void** data)
{
    *size = static_cast<int32_t>(tag.Size);
    *data = tag.Data;
    tag.Data = nullptr;
}

} // namespace

HResult writeData(DBHandle* h, const char* path, MetaDataList* data)
{
    if (h == nullptr || data == nullptr || isEmpty(path) || IsFolderPath(path)) {
        return E_INVALIDARG;
    }
    // The row is read (and checked to be the only one) before the first MetaData.
    FileRow row;
    HResult hr = row.open(h, path, FolderLookup::Exact, "Failed To kaGetData");
    if (hr != S_OK) {
        return row.notLocated() ? hr : E_FAIL;
    }
    for (const MetaData& meta : *data) {
        bool stop = false;
        hr = writeOne(h, meta, row, stop);
        if (stop) {
            break;
        }
    }
    return hr;
}

HResult readData(DBHandle* h, const char* path, MetaDataList* data)
{
    if (h == nullptr || isEmpty(path) || data == nullptr) {
        return E_INVALIDARG;
    }
    FileRow row;
    if (HResult hr = row.open(h, path, FolderLookup::Cached, "Failed To KaAVDBReadData"); hr < 0) {
        return hr;
    }
    for (const auto& link : row.links()) {
        if (link.dataId.isNothing()) {
            continue;
        }
        std::string table;
        if (kaGetTableName(configOf(h), table, link.table) < 0 || table.empty() ||
            kaReadDataRow(h, table, link.dataId, *data) < 0) {
            break;
        }
    }
    return S_OK;
}

HResult readFilePartially(DBHandle* h, const char* path, const char* table, const char* item,
                          int32_t type, int32_t* size, void** data)
{
    if (h == nullptr || isEmpty(path) || IsFolderPath(path) || isEmpty(table) || isEmpty(item) ||
        type < 0 || size == nullptr || data == nullptr) {
        return E_INVALIDARG;
    }
    FileRow row;
    HResult hr = row.open(h, path, FolderLookup::Exact, "Failed To KaAVDBReadFilePartially");
    if (hr < 0) {
        return hr;
    }
    MetaDataList found;
    hr = readLinkedRows(h, row.links(), table, found);
    if (hr == S_OK) {
        MetaTag* tag = findTag(found, item, type);
        if (tag != nullptr) {
            handOver(*tag, size, data);
        } else {
            hr = E_FAIL;
        }
    }
    for (MetaData& meta : found) {
        releaseTags(meta.Tags);
    }
    return hr;
}

HResult getDataTotalNum(int32_t* count)
{
    if (count == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<ConfiguredItem> items;
    HResult hr = configuredItems(Config::load(), items);
    if (hr < 0) {
        return hr;
    }
    *count = static_cast<int32_t>(items.size());
    return *count < 1 ? E_FAIL : S_OK;
}

HResult getData(int32_t index, char* table, char* item, int32_t* type, int32_t* size)
{
    if (index < 1 || table == nullptr || item == nullptr || type == nullptr || size == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<ConfiguredItem> items;
    HResult hr = configuredItems(Config::load(), items);
    if (hr < 0) {
        return hr;
    }
    if (static_cast<std::size_t>(index) > items.size()) {
        return E_FAIL;
    }
    // Each part is written as soon as it is known, and a part missing ends the walk there.
    const ConfiguredItem& it = items[static_cast<std::size_t>(index) - 1];
    std::strcpy(table, it.tableName.c_str());
    ItemSpec spec = parseItem(it.value);
    if (!spec.hasFirstComma) {
        return E_FAIL;
    }
    std::strcpy(item, spec.name.c_str());
    if (!spec.hasSecondComma) {
        return E_FAIL;
    }
    *type = spec.kind;
    if (spec.kind == 0 || spec.kind == 2) {
        if (!spec.hasThirdComma) {
            return E_FAIL;
        }
        *size = spec.size;
    }
    return S_OK;
}

HResult getDataNum(const char* table, int32_t* count)
{
    if (isEmpty(table) || count == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<ConfiguredItem> items;
    HResult hr = configuredItems(Config::load(), items);
    if (hr < 0) {
        return hr;
    }
    int32_t n = 0;
    for (const auto& it : items) {
        n += it.tableName == table ? 1 : 0;
    }
    *count = n;
    return n < 1 ? E_FAIL : S_OK;
}

HResult getReadTableDataCount(DBHandle* h, const char* table, int32_t* count)
{
    if (h == nullptr || isEmpty(table) || count == nullptr) {
        return E_INVALIDARG;
    }
    if (HResult named = CheckName(table); named < 0) {
        return named;
    }
    return kaGetDataCount(h, {std::string("SELECT * FROM ") + table + " "}, count);
}

HResult getReadTableData(DBHandle* h, int32_t position, const char* table, MetaTagList* tags)
{
    if (position < 1 || tags == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    HResult hr = kaGetItemNames(configOf(h), table == nullptr ? "" : table, names);
    if (hr < 0) {
        return hr;
    }
    return kaReadTableRow(h, position, table, *tags, names);
}

HResult getReadTableDataEx(DBHandle* h, int32_t first, int32_t last, const char* table,
                           MetaIdxDataList* rows)
{
    if (h == nullptr || first > last || rows == nullptr) {
        return E_INVALIDARG;
    }
    if (first < 1) {
        return KAVDB_E_OUT_OF_RANGE;
    }
    std::vector<std::string> names;
    HResult hr = kaGetItemNames(configOf(h), table == nullptr ? "" : table, names);
    if (hr < 0) {
        return hr;
    }
    return guarded(
        "Failed To KaAVDBGetReadTableDataEx",
        [&] {
            Recordset rs =
                openRows(h, {std::string("SELECT * FROM ") + table + " "}, Cursor::Keyset);
            long count = rs.recordCount();
            if (count < 1) {
                return KAVDB_E_NOT_FOUND;
            }
            if (count < last) {
                return KAVDB_E_OUT_OF_RANGE;
            }
            rs.moveFirst();
            if (first > 1) {
                rs.move(first - 1);
            }
            for (int32_t p = first; p <= last; ++p, rs.moveNext()) {
                rows->push_back(MetaIdxData{{}, p});
                readTags(rs, names, rows->back().Tags);
            }
            return S_OK;
        },
        E_UNEXPECTED);
}

} // namespace kavdb::ops
