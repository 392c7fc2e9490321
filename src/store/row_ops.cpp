/*
 * Row operations by statement. Each opens its own keyset recordset on the caller's SQL
 * text, reports engine errors under its own message, and closes the recordset on every
 * way out (the recordset's owner does that).
 */
#include "store/row_ops.h"

namespace kavdb::store {

namespace {

/* Opens sql and requires exactly one selected row, standing on it afterwards. */
HResult openOneRow(DBHandle* h, const std::string& sql, std::unique_ptr<Recordset>& rs)
{
    rs = std::make_unique<Recordset>(connectionOf(h), sql, Cursor::Keyset);
    return standOnOnlyRow(*rs);
}

bool badArgs(DBHandle* h, const std::string& sql)
{
    return h == nullptr || sql.empty() || sql.size() > kSqlMax;
}

} // namespace

HResult standOnOnlyRow(Recordset& rs)
{
    long n = CountRows(rs);
    if (n == 0) {
        return KAVDB_E_NOT_FOUND;
    }
    if (n > 1) {
        return E_FAIL;
    }
    rs.moveFirst();
    return S_OK;
}

HResult openOnlyRow(DBHandle* h, const std::string& sql, std::unique_ptr<Recordset>& rs)
{
    OpenRecordset(h, sql, Cursor::Keyset, rs);
    if (!rs) {
        throw EngineError(engine::code::kPointer, "kavdb", "There is no recordset to move on.");
    }
    return standOnOnlyRow(*rs);
}

HResult kaGetDataCount(DBHandle* h, const std::string& sql, int32_t* count)
{
    if (badArgs(h, sql) || count == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataCount", [&] {
        Recordset rs(connectionOf(h), sql, Cursor::Keyset);
        *count = static_cast<int32_t>(CountRows(rs));
        return S_OK;
    });
}

HResult kaGetData(DBHandle* h, const std::string& sql, const Value& column, Value* out)
{
    if (badArgs(h, sql) || out == nullptr || !column.isText()) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = openOneRow(h, sql, rs);
        if (hr == S_OK) {
            *out = rs->get(column.asText());
        }
        return hr;
    });
}

HResult kaGetData(DBHandle* h, const std::string& sql, FieldValueList& list)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = openOneRow(h, sql, rs);
        for (auto& f : list) {
            if (hr == S_OK && f.name.isText()) {
                f.value = rs->get(f.name.asText());
            }
        }
        return hr;
    });
}

HResult kaSetData(DBHandle* h, const std::string& sql, const FieldValue& field)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaSetData", [&] {
        std::string name = field.name.toText();
        std::unique_ptr<Recordset> rs;
        HResult hr = openOneRow(h, sql, rs);
        if (hr == S_OK) {
            rs->put(name, field.value);
            rs->update();
        }
        return hr;
    });
}

HResult kaSetData(DBHandle* h, const std::string& sql, const FieldValueList& list)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaSetData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = openOneRow(h, sql, rs);
        if (hr != S_OK) {
            return hr;
        }
        // A name that is not text ends the walk before anything reaches the row.
        for (const auto& f : list) {
            if (!f.name.isText()) {
                return E_FAIL;
            }
        }
        for (const auto& f : list) {
            rs->put(f.name.asText(), f.value);
        }
        rs->update();
        return S_OK;
    });
}

HResult kaDelData(DBHandle* h, const std::string& sql)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaDelData", [&] {
        std::unique_ptr<Recordset> rs;
        HResult hr = openOneRow(h, sql, rs);
        if (hr == S_OK) {
            rs->deleteCurrent();
            rs->update();
        }
        return hr;
    });
}

HResult kaDelAllData(DBHandle* h, const std::string& sql)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaDelAllData", [&] {
        Recordset rs(connectionOf(h), sql, Cursor::Keyset);
        if (CountRows(rs) == 0) {
            return KAVDB_E_NOT_FOUND;
        }
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            rs.deleteCurrent();
            rs.update();
        }
        return S_OK;
    });
}

HResult kaGetDataIDList(DBHandle* h, const std::string& sql, std::list<int32_t>& ids)
{
    if (badArgs(h, sql)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataIDList", [&] {
        Recordset rs(connectionOf(h), sql, Cursor::Keyset);
        bool appended = false;
        for (rs.moveFirst(); !rs.bof() && !rs.eof(); rs.moveNext()) {
            Value v = rs.get("DataID");
            if (v.isInt()) {
                ids.push_back(v.asInt());
                appended = true;
            }
        }
        return appended ? S_OK : KAVDB_E_NOT_FOUND;
    });
}

} // namespace kavdb::store

namespace kavdb::store {

namespace {

/* Whether the recordset open() gives has a row. */
template <class Open> HResult anyRow(DBHandle* h, const std::string& sql, bool* any, Open open)
{
    if (badArgs(h, sql) || any == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataCount", [&] {
        std::unique_ptr<Recordset> rs = open();
        *any = !rs->bof() && !rs->eof();
        return S_OK;
    });
}

} // namespace

HResult kaAnyRow(DBHandle* h, const std::string& sql, bool* any)
{
    return anyRow(h, sql, any, [&] {
        return std::make_unique<Recordset>(connectionOf(h), sql, Cursor::ForwardOnly);
    });
}

HResult kaAnyRow(DBHandle* h, const std::string& sql, std::vector<Value> values, bool* any)
{
    return anyRow(h, sql, any, [&] {
        return std::make_unique<Recordset>(connectionOf(h), sql, std::move(values),
                                           Cursor::ForwardOnly);
    });
}

} // namespace kavdb::store
