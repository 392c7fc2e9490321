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

std::string hexBytes(const engine::Bytes& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

/* One condition of a match query for a column and a value; "" when the value takes no
 * part in the match. A number is bound to a '?' (its value appended to bound): no text
 * of it is needed, and the row matches on the very same double. */
std::string condition(const std::string& column, const Value& v, std::vector<Value>& bound)
{
    if (v.isDouble()) {
        bound.push_back(v);
        return sqlf("(%s = ?)", column.c_str());
    }
    if (v.isInt()) {
        return sqlf("(%s = %d)", column.c_str(), v.asInt());
    }
    if (v.isText()) {
        return sqlf("StrComp(%s,\"%s\",0)=0", column.c_str(), quoteText(v.asText()).c_str());
    }
    if (v.isNothing()) {
        return sqlf("(%s IS NULL)", column.c_str());
    }
    return "";
}

void addCondition(std::string& sql, bool& first, const std::string& cond)
{
    if (cond.empty()) {
        return;
    }
    sql += first ? cond : " AND " + cond;
    first = false;
}

/* The registration match: every tag must name an item; items not given must be Null.
 * Binary values match by their bytes. */
HResult registrationQuery(const MetaData& data, std::string& sql, std::vector<Value>& bound)
{
    std::vector<std::string> items;
    if (kaGetItemNames(data.TableName, items) < 0) {
        return E_FAIL;
    }
    sql = sqlf("SELECT DataID FROM %s WHERE ", data.TableName);
    bool first = true;
    for (const auto& tag : data.Tags) {
        auto it = std::find(items.begin(), items.end(), std::string(tag.Name));
        Value v;
        if (tag.Name[0] == '\0' || it == items.end() || kaMetaTagToValue(tag, &v) != S_OK ||
            (v.isText() && v.asText().empty())) {
            return E_FAIL;
        }
        items.erase(it);
        std::string cond = v.isBytes()
                               ? sqlf("(%s = X'%s')", tag.Name, hexBytes(v.asBytes()).c_str())
                               : condition(tag.Name, v, bound);
        addCondition(sql, first, cond);
    }
    for (const auto& left : items) {
        addCondition(sql, first, sqlf("(%s IS NULL)", left.c_str()));
    }
    return S_OK;
}

/* The registration insert: one slot per configured item of the table, in running order,
 * filled from the first tag of that name. */
HResult insertRegistered(DBHandle* h, const MetaData& data, int32_t* dataId)
{
    std::vector<ConfiguredItem> all;
    if (configuredItems(all) < 0) {
        return E_FAIL;
    }
    return guarded("Failed to kaSetMetaData", [&]() -> HResult {
        Recordset rs(connectionOf(h), sqlf("SELECT * FROM %s ", data.TableName),
                     Cursor::ForwardOnly);
        std::size_t n = static_cast<std::size_t>(rs.fieldCount());
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
        rs.addNew(names, values);
        if (dataId != nullptr) {
            *dataId = readInt(rs, "DataID");
        }
        return S_OK;
    });
}

HResult insertMerged(DBHandle* h, const std::string& table, const FieldValueList& items,
                     int32_t* dataId)
{
    return guarded("Failed to kaSetMetaData", [&] {
        Recordset rs(connectionOf(h), sqlf("SELECT * FROM %s ", table.c_str()),
                     Cursor::ForwardOnly);
        std::vector<std::string> names = {"DataID"};
        std::vector<Value> values(1);
        for (const auto& f : items) {
            names.push_back(f.name.asText());
            values.push_back(f.value);
        }
        rs.addNew(names, values);
        *dataId = readInt(rs, "DataID");
        return S_OK;
    });
}

/* The DataID of the only row sql selects with the bound values in its '?' places. */
HResult readBoundDataId(DBHandle* h, const std::string& sql, const std::vector<Value>& bound,
                        Value& id)
{
    return guarded("Failed To kaGetData", [&] {
        Recordset rs(connectionOf(h), sql, bound, Cursor::Keyset);
        HResult hr = standOnOnlyRow(rs);
        if (hr == S_OK) {
            id = rs.get("DataID");
        }
        return hr;
    });
}

/* Exactly one row selected by sql gives its DataID. */
HResult findDataId(DBHandle* h, const std::string& sql, const std::vector<Value>& bound,
                   int32_t* dataId)
{
    Value id;
    HResult hr = bound.empty() ? kaGetData(h, sql, Value::text("DataID"), &id)
                               : readBoundDataId(h, sql, bound, id);
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
        HResult hr =
            openOnlyRow(h, sqlf("SELECT * FROM %s WHERE (DataID=%d)", data.TableName, dataId), rs);
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
    if (kaAnyRow(h, sqlf("SELECT DataID FROM %s", data.TableName), &any) == S_OK && any) {
        std::string sql;
        std::vector<Value> bound;
        HResult hr = registrationQuery(data, sql, bound);
        if (hr < 0) {
            return hr;
        }
        int32_t found = 0;
        if (findDataId(h, sql, bound, &found) == S_OK) {
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
    if (kaGetItemValues(data.TableName, items) < 0 ||
        (*dataId >= 1 &&
         kaGetData(h, folderRowsSql(data.TableName, "DataID", *dataId), items) < 0)) {
        return E_FAIL;
    }
    std::string sql = sqlf("SELECT DataID FROM %s WHERE ", data.TableName);
    std::vector<Value> bound;
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
        addCondition(sql, first, condition(item.name.asText(), item.value, bound));
    }
    if (!first && findDataId(h, sql, bound, dataId) == S_OK) {
        return S_OK;
    }
    return add ? (insertMerged(h, data.TableName, items, dataId) == S_OK ? S_OK : E_FAIL) : E_FAIL;
}

HResult kaSetFileLink(DBHandle* h, const std::string& name, int32_t pathId, const FieldValue& link)
{
    if (h == nullptr || name.empty() || pathId < 1) {
        return E_INVALIDARG;
    }
    return kaSetData(h, fileRowSql(pathId, name), link);
}

HResult kaCountFileLinks(DBHandle* h, const std::string& column, int32_t dataId, int32_t* count)
{
    if (column.empty() || dataId < 1 || count == nullptr) {
        return E_INVALIDARG;
    }
    HResult hr = kaGetDataCount(h, folderRowsSql("MainTable", column.c_str(), dataId), count);
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaDelDataRow(DBHandle* h, const std::string& table, int32_t dataId)
{
    if (table.empty() || dataId < 1) {
        return E_INVALIDARG;
    }
    HResult hr = kaDelData(h, sqlf("SELECT * FROM %s WHERE (DataID = %d)", table.c_str(), dataId));
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaGetFileRow(DBHandle* h, const std::string& name, int32_t pathId, FieldValueList& row)
{
    if (name.empty() || pathId < 1) {
        return E_INVALIDARG;
    }
    int32_t tables = 0;
    if (kaCountDataTables(&tables) < 0) {
        return E_FAIL;
    }
    HResult hr = guarded("Failed To kaGetData", [&] {
        Recordset rs(connectionOf(h), fileRowSql(pathId, name), Cursor::Keyset);
        if (rs.recordCount() != 1) {
            return rs.recordCount() == 0 ? KAVDB_E_NOT_FOUND : E_FAIL;
        }
        for (const char* column : kMainColumns) {
            row.push_back({Value::text(column), rs.get(column)});
        }
        for (int32_t k = 1; k <= tables; ++k) {
            std::string column = "DataID" + std::to_string(k);
            row.push_back({Value::text(column), rs.hasField(column) ? rs.get(column) : Value()});
        }
        return S_OK;
    });
    return hr == S_OK ? S_OK : E_FAIL;
}

HResult kaReadDataRow(DBHandle* h, const std::string& table, const Value& dataId, MetaDataList& out)
{
    if (dataId.isNothing() || table.empty()) {
        return E_INVALIDARG;
    }
    std::vector<std::string> names;
    if (kaGetItemNames(table, names) < 0 || names.empty()) {
        return S_OK;
    }
    return guarded("Failed To search path data", [&] {
        int32_t id = dataId.isInt() ? dataId.asInt() : 0;
        Recordset rs(connectionOf(h), folderRowsSql(table.c_str(), "DataID", id), Cursor::Keyset);
        if (!dataId.isInt() || rs.eof()) {
            Recordset any(connectionOf(h), sqlf("SELECT DataID FROM %s", table.c_str()),
                          Cursor::ForwardOnly);
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
        Recordset rs(connectionOf(h), sqlf("SELECT * FROM %s ", table.c_str()), Cursor::Keyset);
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
