/*
 * Exports of searches, the application's own SQL and the schema extension.
 */
#include "frame/export_guard.h"
#include "query/direct_sql.h"
#include "query/search.h"
#include "store/schema_ext.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBQuery(DBHandle* h, const char* sql, StringList* out)
{
    return frame::exportRead(
        h, [&] { return query::queryFiles(h, sql, out); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBGetCountSQL(DBHandle* h, const char* sql, int32_t* count)
{
    return frame::exportRead(h, [&] { return query::countQuery(h, sql, count); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetQueryFileList(DBHandle* h, const char* sql, StringList* out,
                                                    int32_t namesOnly)
{
    return frame::exportRead(
        h, [&] { return query::queryFileList(h, sql, out, namesOnly); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBExecuteSQL(DBHandle* h, const char* sql)
{
    return frame::exportCall(h, [&] { return query::executeSql(h, sql); });
}

extern "C" KAVDB_API HRESULT KaAVDBAddItem(DBHandle* h, const char* path)
{
    return frame::exportCall(h, [&] { return store::kaAddItem(h, path); });
}
