/*
 * The application's own SQL (see direct_sql.h). The file list streams its rows through
 * a forward-only recordset, so a list of any length holds one row at a time.
 */
#include "query/direct_sql.h"

#include "store/direct_statement.h"
#include "store/record_access.h"

#include <cstring>

namespace kavdb::query {

namespace {

using store::Recordset;

/* The engine's field-not-found code for each required column the statement lacks,
 * combined bit by bit. */
HResult missingColumns(const Recordset& rs, bool namesOnly)
{
    HResult missing = S_OK;
    if (!namesOnly && !rs.hasField("Pathname")) {
        missing |= KAVDB_E_FIELD_NOT_FOUND;
    }
    if (!rs.hasField("Filename")) {
        missing |= KAVDB_E_FIELD_NOT_FOUND;
    }
    return missing;
}

/* The application's statement fits the buffer it was written for (its NUL included). */
bool fitsLimit(const char* statement)
{
    return std::strlen(statement) <= store::kSqlMax;
}

std::string textOf(Recordset& rs, const char* column)
{
    store::Value v = rs.get(column);
    return v.isText() ? v.asText() : v.toText();
}

} // namespace

HResult queryFileList(DBHandle* h, const char* statement, StringList* out, int32_t namesOnly)
{
    if (h == nullptr || statement == nullptr || out == nullptr || !fitsLimit(statement)) {
        return E_INVALIDARG;
    }
    return store::guarded(nullptr, [&] {
        Recordset rs = store::openRows(h, {statement, {}}, store::Cursor::ForwardOnly);
        rs.moveFirst();
        HResult missing = missingColumns(rs, namesOnly != 0);
        if (missing != S_OK) {
            return missing;
        }
        for (; !rs.eof(); rs.moveNext()) {
            std::string name = textOf(rs, "Filename");
            out->push_back(namesOnly != 0 ? name : textOf(rs, "Pathname") + name);
        }
        return S_OK;
    });
}

HResult executeSql(DBHandle* h, const char* statement)
{
    if (h == nullptr || statement == nullptr || !fitsLimit(statement)) {
        return E_INVALIDARG;
    }
    return store::kaExecuteSql(h, statement);
}

} // namespace kavdb::query
