/*
 * Metadata row operations: finding or adding the shared row of a tuple, the file's link
 * to it, and reading rows back as MetaData.
 */
#include "store/meta_rows.h"

#include "store/config.h"
#include "store/folder_rows.h"
#include "store/row_ops.h"

#include <algorithm>
#include <cstring>

namespace kavdb::store {

namespace {

/* One condition of a match query for a column and a value, bound to q; none when the
 * value takes no part in the match. Texts compare exactly, as the registration always
 * has; a missing value is matched with IS NULL. */
void addCondition(Query& q, bool& first, const std::string& column, const Value& v,
                  bool bytesMatch = false)
{
    if (v.isBytes() && !bytesMatch) {
        return;
    }
    q.sql += first ? "" : " AND ";
    first = false;
    if (v.isNothing()) {
        q.sql += "(" + column + " IS NULL)";
        return;
    }
    q.sql += v.isText() ? "StrComp(" + column + ", ?, 0) = 0" : "(" + column + " = ?)";
    q.values.push_back(v);
}

/* The registration match: every tag must name an item; items not given must be Null.
 * Binary values match by their bytes. */
HResult registrationQuery(DBHandle* h, const MetaData& data, Query& q)
{
    std::vector<std::string> items;
    if (kaGetItemNames(configOf(h), data.TableName, items) < 0) {
        return E_FAIL;
    }
    q = {std::string("SELECT DataID FROM ") + data.TableName + " WHERE ", {}};
    bool first = true;
    for (const auto& tag : data.Tags) {
        auto it = std::find(items.begin(), items.end(), std::string(tag.Name));
        Value v;
        if (tag.Name[0] == '\0' || it == items.end() || kaMetaTagToValue(tag, &v) != S_OK ||
            (v.isText() && v.asText().empty())) {
            return E_FAIL;
        }
        items.erase(it);
        addCondition(q, first, tag.Name, v, true);
    }
    for (const auto& left : items) {
        addCondition(q, first, left, Value());
    }
    return S_OK;
}

/* The registration insert: one slot per configured item of the table, in running order,
 * filled from the first tag of that name. */
HResult insertRegistered(DBHandle* h, const MetaData& data, int32_t* dataId)
{
    std::vector<ConfiguredItem> all;
    if (configuredItems(configOf(h), all) < 0) {
        return E_FAIL;
    }
    return guarded("Failed to kaSetMetaData", [&]() -> HResult {
        std::size_t n = static_cast<std::size_t>(
            openRows(h, {std::string("SELECT * FROM ") + data.TableName + " "}, Cursor::ForwardOnly)
                .fieldCount());
        if (n < 1) {
            return KAVDB_E_NOT_FOUND;
        }
        std::vector<std::string> names = {"DataID"};
        std::vector<Value> values(1);
        bool placed = false;
        for (const auto& item : all) {
            ItemSpec spec = parseItem(item.value);
            bool sized = (spec.kind != 0 && spec.kind != 2) || spec.hasThirdComma;
            if (!spec.hasFirstComma || !spec.hasSecondComma || !sized || names.size() >= n) {
                break;
            }
            if (item.tableName != data.TableName) {
                continue;
            }
            names.push_back(spec.name);
            values.emplace_back();
            for (const auto& tag : data.Tags) {
                if (spec.name == tag.Name && tag.Data != nullptr && tag.Type <= 3 &&
                    kaMetaTagToValue(tag, &values.back()) == S_OK) {
                    placed = true;
                    break;
                }
            }
        }
        if (!placed) {
            return E_FAIL;
        }
        Value id = engine::insertRow(connectionOf(h), data.TableName, names, values,
                                     dataId != nullptr ? "DataID" : "");
        if (dataId != nullptr) {
            *dataId = id.toInt();
        }
        return S_OK;
    });
}

HResult insertMerged(DBHandle* h, const std::string& table, const FieldValueList& items,
                     int32_t* dataId)
{
    return guarded("Failed to kaSetMetaData", [&] {
        std::vector<std::string> names = {"DataID"};
        std::vector<Value> values(1);
        for (const auto& f : items) {
            names.push_back(f.name.asText());
            values.push_back(f.value);
        }
        *dataId = engine::insertRow(connectionOf(h), table, names, values, "DataID").toInt();
        return S_OK;
    });
}

/* Exactly one row selected by q gives its DataID. */
HResult findDataId(DBHandle* h, const Query& q, int32_t* dataId)
{
    Value id;
    HResult hr = kaGetData(h, q, Value::text("DataID"), &id);
    if (hr == S_OK && !id.isInt()) {
        return E_FAIL;
    }
    if (hr == S_OK) {
        *dataId = id.asInt();
    }
    return hr;
}

} // namespace

HResult kaUpdateMetaData(DBHandle* h, const MetaData& data, int32_t dataId)
{
    if (HResult named = CheckName(data.TableName); named < 0) {
        return named;
    }
    return guarded("Failed To kaUpdateMetaData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = openOnlyRow(h, rowsWhere(data.TableName, "DataID", dataId), rs);
        // A missing row is reported before any tag is looked at; a tag that does not
        // convert leaves the row as it was.
        std::vector<Value> values(data.Tags.size());
        auto value = values.begin();
        for (auto tag = data.Tags.begin(); hr == S_OK && tag != data.Tags.end(); ++tag) {
            hr = kaMetaTagToValue(*tag, &*value++);
        }
        if (hr != S_OK) {
            return hr;
        }
        value = values.begin();
        for (const auto& tag : data.Tags) {
            rs->put(tag.Name, *value++);
        }
        rs->update();
        return S_OK;
    });
}

HResult kaSetMetaData(DBHandle* h, const MetaData& data, int32_t* dataId)
{
    if (h == nullptr || data.TableName[0] == '\0' || data.Tags.empty()) {
        return E_INVALIDARG;
    }
    if (HResult named = CheckName(data.TableName); named < 0) {
        return named;
    }
    bool any = false;
    if (kaAnyRow(h, {std::string("SELECT DataID FROM ") + data.TableName}, &any) == S_OK && any) {
        Query q;
        HResult hr = registrationQuery(h, data, q);
        if (hr < 0) {
            return hr;
        }
        int32_t found = 0;
        if (findDataId(h, q, &found) == S_OK) {
            if (dataId != nullptr) {
                *dataId = found;
            }
            return S_OK;
        }
    }
    return insertRegistered(h, data, dataId);
}

HResult kaFindOrAddData(DBHandle* h, const MetaData& data, int32_t* dataId, bool add)
{
    if (h == nullptr || data.Tags.empty() || dataId == nullptr) {
        return E_INVALIDARG;
    }
    if (HResult named = CheckName(data.TableName); named < 0) {
        return named;
    }
    FieldValueList items;
    if (kaGetItemValues(configOf(h), data.TableName, items) < 0 ||
        (*dataId >= 1 && kaGetData(h, rowsWhere(data.TableName, "DataID", *dataId), items) < 0)) {
        return E_FAIL;
    }
    Query q{std::string("SELECT DataID FROM ") + data.TableName + " WHERE ", {}};
    bool first = true;
    for (auto& item : items) {
        for (const auto& tag : data.Tags) {
            if (item.name.asText() == tag.Name) {
                if (kaMetaTagToValue(tag, &item.value) != S_OK) {
                    return E_FAIL;
                }
                break;
            }
        }
        addCondition(q, first, item.name.asText(), item.value);
    }
    if (!first && findDataId(h, q, dataId) == S_OK) {
        return S_OK;
    }
    return add ? (insertMerged(h, data.TableName, items, dataId) == S_OK ? S_OK : E_FAIL) : E_FAIL;
}

HResult kaCountFileLinks(DBHandle* h, const std::string& column, int32_t dataId, int32_t* count)
{
    if (column.empty() || dataId < 1 || count == nullptr) {
        return E_INVALIDARG;
    }
    HResult hr = kaGetDataCount(h, rowsWhere("MainTable", column, dataId), count);
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaDelDataRow(DBHandle* h, const std::string& table, int32_t dataId)
{
    if (table.empty() || dataId < 1) {
        return E_INVALIDARG;
    }
    HResult hr = kaDelData(h, rowsWhere(table, "DataID", dataId));
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaReadDataRow(DBHandle* h, const std::string& table, const Value& dataId, MetaDataList& out)
{
    if (dataId.isNothing() || table.empty()) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    if (kaGetItemNames(configOf(h), table, names) < 0 || names.empty()) {
        return S_OK;
    }
    return guarded("Failed To search path data", [&] {
        int32_t id = dataId.isInt() ? dataId.asInt() : 0;
        Recordset rs = openRows(h, rowsWhere(table, "DataID", id), Cursor::ForwardOnly);
        if (!dataId.isInt() || rs.eof()) {
            Recordset any = openRows(h, {"SELECT DataID FROM " + table}, Cursor::ForwardOnly);
            return any.eof() ? KAVDB_E_NOT_FOUND : E_FAIL;
        }
        MetaData data;
        setTableName(data, table);
        out.push_back(data);
        readTags(rs, names, out.back().Tags);
        return S_OK;
    });
}

HResult kaReadTableRow(DBHandle* h, int32_t position, const std::string& table, MetaTagList& tags,
                       const std::vector<std::string>& names)
{
    if (h == nullptr || table.empty() || names.empty()) {
        return E_INVALIDARG;
    }
    if (position < 1) {
        return KAVDB_E_OUT_OF_RANGE;
    }
    return guarded("Failed To KaAVDBGetReadTableData", [&] {
        Recordset rs = openRows(h, {"SELECT * FROM " + table + " "}, Cursor::Keyset);
        long rows = rs.recordCount();
        if (rows == 0) {
            return KAVDB_E_NOT_FOUND;
        }
        if (rows < position) {
            return KAVDB_E_OUT_OF_RANGE;
        }
        rs.moveFirst();
        rs.move(position - 1);
        readTags(rs, names, tags);
        return S_OK;
    });
}

} // namespace kavdb::store
