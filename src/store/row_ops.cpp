/*
 * Row operations by statement. Each opens its own keyset recordset on the statement,
 * reports engine errors under its own message, and closes the recordset on every way out
 * (the recordset's owner does that).
 */
#include "store/row_ops.h"

namespace kavdb::store {

namespace {

bool badArgs(DBHandle* h, const Query& q)
{
    return h == nullptr || q.sql.empty() || q.sql.size() > kSqlMax;
}

/* Runs work on the only row q selects, under message; none or several: nothing runs. */
template <class F> HResult onOnlyRow(DBHandle* h, const Query& q, const char* message, F&& work)
{
    if (badArgs(h, q)) {
        return E_INVALIDARG;
    }
    return guarded(message, [&] {
        Recordset rs = openRows(h, q, Cursor::Keyset);
        HResult hr = standOnOnlyRow(rs);
        return hr == S_OK ? work(rs) : hr;
    });
}

} // namespace

HResult kaGetDataCount(DBHandle* h, const Query& q, int32_t* count)
{
    if (badArgs(h, q) || count == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataCount", [&] {
        Recordset rs = openRows(h, q, Cursor::Keyset);
        *count = static_cast<int32_t>(CountRows(rs));
        return S_OK;
    });
}

HResult kaGetData(DBHandle* h, const Query& q, const Value& column, Value* out)
{
    if (out == nullptr || !column.isText()) {
        return E_INVALIDARG;
    }
    return onOnlyRow(h, q, "Failed To kaGetData", [&](Recordset& rs) {
        *out = rs.get(column.asText());
        return S_OK;
    });
}

HResult kaGetData(DBHandle* h, const Query& q, FieldValueList& list)
{
    return onOnlyRow(h, q, "Failed To kaGetData", [&](Recordset& rs) {
        for (auto& f : list) {
            if (f.name.isText()) {
                f.value = rs.get(f.name.asText());
            }
        }
        return S_OK;
    });
}

HResult kaSetData(DBHandle* h, const Query& q, const FieldValue& field)
{
    return kaSetData(h, q, FieldValueList{field});
}

HResult kaSetData(DBHandle* h, const Query& q, const FieldValueList& list)
{
    return onOnlyRow(h, q, "Failed To kaSetData", [&](Recordset& rs) {
        // A name that is not text ends the walk before anything reaches the row.
        for (const auto& f : list) {
            if (!f.name.isText()) {
                return E_FAIL;
            }
        }
        for (const auto& f : list) {
            rs.put(f.name.asText(), f.value);
        }
        rs.update();
        return S_OK;
    });
}

HResult kaDelData(DBHandle* h, const Query& q)
{
    return onOnlyRow(h, q, "Failed To kaDelData", [&](Recordset& rs) {
        rs.deleteCurrent();
        rs.update();
        return S_OK;
    });
}

HResult kaDelAllData(DBHandle* h, const Query& q)
{
    if (badArgs(h, q)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaDelAllData", [&] {
        Recordset rs = openRows(h, q, Cursor::Keyset);
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

HResult kaGetDataIDList(DBHandle* h, const Query& q, std::list<int32_t>& ids)
{
    if (badArgs(h, q)) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataIDList", [&] {
        Recordset rs = openRows(h, q, Cursor::Keyset);
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

HResult kaAnyRow(DBHandle* h, const Query& q, bool* any)
{
    if (badArgs(h, q) || any == nullptr) {
        return E_INVALIDARG;
    }
    return guarded("Failed To kaGetDataCount", [&] {
        Recordset rs = openRows(h, q, Cursor::ForwardOnly);
        *any = !rs.bof() && !rs.eof();
        return S_OK;
    });
}

} // namespace kavdb::store
