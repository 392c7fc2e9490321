/*
 * Searches (see search.h). The composed statement is a join, which the engine opens as a
 * read-only keyset holding the selected values, so RecordCount is exact. A statement the
 * engine refuses is reported by the open and then, as the walk finds no recordset, under
 * the search's own message with E_POINTER: that code is what callers have always seen.
 */
#include "query/search.h"

#include "store/config.h"

namespace kavdb::query {

namespace {

using store::Cursor;
using store::Recordset;

Recordset& opened(const std::unique_ptr<Recordset>& rs)
{
    if (!rs) {
        store::raiseError(E_POINTER, "The statement was not opened.");
    }
    return *rs;
}

bool badArguments(DBHandle* h, const char* statement, const void* out)
{
    return h == nullptr || statement == nullptr || *statement == '\0' || out == nullptr;
}

} // namespace

HResult queryFiles(DBHandle* h, const char* statement, StringList* out)
{
    if (badArguments(h, statement, out)) {
        return E_INVALIDARG;
    }
    store::Query sql;
    HResult hr = kaComposeQuery(store::configOf(h), statement, sql.sql);
    if (hr < 0) {
        return hr;
    }
    return store::guarded("Failed To KaAVDBQuery", [&] {
        std::unique_ptr<Recordset> rs;
        HResult open = store::OpenRecordset(h, sql, Cursor::Keyset, rs);
        Recordset& r = opened(rs);
        for (r.moveFirst(); !r.eof(); r.moveNext()) {
            store::Value folder = r.get("Pathname");
            store::Value name = r.get("Filename");
            if (!folder.isText() || !name.isText()) {
                break;
            }
            out->push_back(folder.asText() + name.asText());
        }
        return open >= 0 && out->empty() ? KAVDB_E_NOT_FOUND : open;
    });
}

HResult countQuery(DBHandle* h, const char* statement, int32_t* count)
{
    if (badArguments(h, statement, count)) {
        return E_INVALIDARG;
    }
    store::Query sql;
    HResult hr = kaComposeQuery(store::configOf(h), statement, sql.sql);
    if (hr < 0) {
        return hr;
    }
    return store::guarded("Failed To KaAVDBGetCountSQL", [&] {
        std::unique_ptr<Recordset> rs;
        HResult open = store::OpenRecordset(h, sql, Cursor::Keyset, rs);
        *count = static_cast<int32_t>(opened(rs).recordCount());
        return open >= 0 && *count <= 0 ? KAVDB_E_NOT_FOUND : open;
    });
}

} // namespace kavdb::query
