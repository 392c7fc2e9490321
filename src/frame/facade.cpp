/*
 * The service facade's forwarding functions: each checks its arguments, then calls the
 * KaAVDB export of the same job with the process-wide handle (facade.h). A failed check
 * returns E_INVALIDARG and calls nothing. Nested exports share the outer transaction.
 */
#include "frame/facade.h"
#include "frame/export_guard.h"
#include "store/report.h"

#include <cstdint>
#include <cstdio>

using namespace kavdb;

namespace {

template <class F> HRESULT forward(bool argumentsOk, F&& call) noexcept
{
    if (!argumentsOk) {
        return E_INVALIDARG;
    }
    return frame::exportCall(call);
}

DBHandle* db()
{
    return frame::facadeHandle();
}

/* What KaDBSVQuery shows when an argument is missing. A missing text prints "(null)"
 * and a missing list the count -1: there is no list to count. */
void reportQueryArguments(DBHandle* h, const char* sql, const StringList* list)
{
    char text[1000];
    std::snprintf(text, sizeof text, "m_hDB = %08X\nstrSQL = %s\nlpList count = %d\n",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(h) & 0xFFFFFFFFu),
                  sql != nullptr ? sql : "(null)",
                  list != nullptr ? static_cast<int>(list->size()) : -1);
    store::ReportDiagnostic(text);
}

} // namespace

extern "C" KAVDB_API HRESULT KaDBSVGetDataTableNum(int32_t* count)
{
    return forward(count, [&] { return KaAVDBGetDataTotalNum(count); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetDataTable(int32_t index, char** table, char** item,
                                                int32_t* type, int32_t* size)
{
    return forward(index >= 1 && table && item && type && size,
                   [&] { return KaAVDBGetData(index, *table, *item, type, size); });
}

extern "C" KAVDB_API HRESULT KaDBSVEnrollFolder(const char* folder)
{
    DBHandle* h = db();
    return forward(h && folder, [&] { return KaAVDBRegisterFolder(h, folder); });
}

extern "C" KAVDB_API HRESULT KaDBSVEnrollFile(const char* path, MetaDataList* data)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBRegisterFile(h, path, data, nullptr); });
}

extern "C" KAVDB_API HRESULT KaDBSVEnrollImage(const char* path, ImageData* image)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBRegisterFile(h, path, nullptr, image); });
}

extern "C" KAVDB_API HRESULT KaDBSVUpdateFile(const char* path, MetaDataList* data)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBWriteData(h, path, data); });
}

extern "C" KAVDB_API HRESULT KaDBSVSetFolderInfo(const char* folder, const char* text)
{
    DBHandle* h = db();
    return forward(h && folder && text, [&] { return KaAVDBWriteFolderInfo(h, folder, text); });
}

extern "C" KAVDB_API HRESULT KaDBSVDeleteFolder(const char* folder)
{
    DBHandle* h = db();
    return forward(h && folder, [&] { return KaAVDBDeleteFolder(h, folder); });
}

extern "C" KAVDB_API HRESULT KaDBSVDeleteFile(const char* path)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBDeleteFile(h, path); });
}

extern "C" KAVDB_API HRESULT KaDBSVMoveFile(const char* src, const char* dst, int32_t keepMark)
{
    DBHandle* h = db();
    return forward(h && src && dst, [&] { return KaAVDBMoveFile(h, src, dst, keepMark); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadFile(const char* path, MetaDataList* data)
{
    DBHandle* h = db();
    return forward(h && path && data, [&] { return KaAVDBReadData(h, path, data); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadFilePartially(const char* path, const char* table,
                                                     const char* item, int32_t type, int32_t* size,
                                                     void** data)
{
    DBHandle* h = db();
    return forward(h && path && table && item && type >= 0 && size,
                   [&] { return KaAVDBReadFilePartially(h, path, table, item, type, size, data); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetFolderInfo(const char* folder, char** text)
{
    DBHandle* h = db();
    return forward(h && folder && text, [&] { return KaAVDBReadFolderInfo(h, folder, *text); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadImage(const char* path, ImageData* image)
{
    DBHandle* h = db();
    return forward(h && path && image, [&] { return KaAVDBReadImage(h, path, image); });
}

extern "C" KAVDB_API HRESULT KaDBSVUpdateImage(const char* path, const ImageData* image)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBWriteImage(h, path, image); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadComment(const char* path, char** text)
{
    DBHandle* h = db();
    return forward(h && path && text, [&] { return KaAVDBReadComment(h, path, *text); });
}

extern "C" KAVDB_API HRESULT KaDBSVUpdateComment(const char* path, const char* comment)
{
    DBHandle* h = db();
    return forward(h && path && comment, [&] { return KaAVDBWriteComment(h, path, comment); });
}

extern "C" KAVDB_API HRESULT KaDBSVQuery(const char* strSQL, StringList* lpList)
{
    DBHandle* h = db();
    if (!h || !strSQL || !lpList) {
        reportQueryArguments(h, strSQL, lpList);
        return E_INVALIDARG;
    }
    return forward(true, [&] { return KaAVDBQuery(h, strSQL, lpList); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetReadTableDataCount(const char* table, int32_t* count)
{
    DBHandle* h = db();
    return forward(h && table && count,
                   [&] { return KaAVDBGetReadTableDataCount(h, table, count); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetReadTableData(int32_t position, const char* table,
                                                    MetaTagList* tags)
{
    DBHandle* h = db();
    return forward(h && position >= 1 && table && tags,
                   [&] { return KaAVDBGetReadTableData(h, position, table, tags); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetReadTableDataEx(int32_t first, int32_t last,
                                                      const char* table, MetaIdxDataList* rows)
{
    DBHandle* h = db();
    return forward(h && first >= 1 && first <= last && table && rows,
                   [&] { return KaAVDBGetReadTableDataEx(h, first, last, table, rows); });
}

extern "C" KAVDB_API HRESULT KaDBSVRefreshFolder(const char* folder, int32_t mode)
{
    DBHandle* h = db();
    return forward(h && folder && mode >= 1, [&] { return KaAVDBRefreshFolder(h, folder, mode); });
}

extern "C" KAVDB_API HRESULT KaDBSVCopyFile(const char* src, const char* dst, int32_t keepMark)
{
    DBHandle* h = db();
    return forward(h && src && dst, [&] { return KaAVDBCopyFile(h, src, dst, keepMark); });
}

extern "C" KAVDB_API HRESULT KaDBSVRefreshFiles(StringList* paths, int32_t mode)
{
    DBHandle* h = db();
    return forward(h && (mode == 1 || mode == 2),
                   [&] { return KaAVDBRefreshFiles(h, paths, mode); });
}

extern "C" KAVDB_API HRESULT KaDBSVRefreshAll(int32_t mode)
{
    DBHandle* h = db();
    return forward(h && (mode == 1 || mode == 2), [&] { return KaAVDBRefreshAll(h, mode); });
}

extern "C" KAVDB_API HRESULT KaDBSVWriteUpdateData(const char* path, const char* text)
{
    DBHandle* h = db();
    return forward(h && path && text, [&] { return KaAVDBWriteUpdateData(h, path, text); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadUpdateData(const char* path, char* text)
{
    DBHandle* h = db();
    return forward(h && path && text, [&] { return KaAVDBReadUpdateData(h, path, text); });
}

extern "C" KAVDB_API HRESULT KaDBSVDeleteInfo(char* sql)
{
    DBHandle* h = db();
    return forward(h && sql, [&] { return KaAVDBDeleteInfo(h, sql); });
}

extern "C" KAVDB_API HRESULT KaDBSVUpdateTableData(const char* table, const char* item,
                                                   const char* oldText, const char* newText)
{
    DBHandle* h = db();
    return forward(h && table && item && oldText && newText,
                   [&] { return KaAVDBUpdateTableData(h, table, item, oldText, newText); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadImageBatch(StringList* paths, ImageDataList* out)
{
    DBHandle* h = db(); // passed on unchecked, null included
    return forward(true, [&] { return KaAVDBReadImageBatch(h, paths, out); });
}

extern "C" KAVDB_API HRESULT KaDBSVReadImages(void* context, StringList* paths,
                                              ImageReadCallback callback)
{
    DBHandle* h = db(); // passed on unchecked, null included
    return forward(true, [&] { return KaAVDBReadImages(h, context, paths, callback); });
}

extern "C" KAVDB_API HRESULT KaDBSVSetCheck(const char* path, int32_t mark)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBSetCheck(h, path, mark); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetCheck(const char* path, int32_t* mark)
{
    DBHandle* h = db();
    return forward(h && path, [&] { return KaAVDBGetCheck(h, path, mark); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetQueryFileList(const char* sql, StringList* out,
                                                    int32_t namesOnly)
{
    DBHandle* h = db();
    return forward(h && sql && out, [&] { return KaAVDBGetQueryFileList(h, sql, out, namesOnly); });
}

extern "C" KAVDB_API HRESULT KaDBSVExecuteSQL(const char* sql)
{
    DBHandle* h = db();
    return forward(h && sql, [&] { return KaAVDBExecuteSQL(h, sql); });
}

extern "C" KAVDB_API HRESULT KaDBSVGetCountSQL(const char* sql, int32_t* count)
{
    DBHandle* h = db();
    return forward(h && sql, [&] { return KaAVDBGetCountSQL(h, sql, count); });
}

extern "C" KAVDB_API HRESULT KaDBSVCreateTextIndex(StringList* items)
{
    DBHandle* h = db();
    return forward(h && items, [&] { return KaAVDBCreateTextIndex(h, items); });
}

extern "C" KAVDB_API HRESULT KaDBSVSearchText(const char* text, int32_t limit, StringList* out)
{
    DBHandle* h = db();
    return forward(h && text && out, [&] { return KaAVDBSearchText(h, text, limit, out); });
}

extern "C" KAVDB_API HRESULT KaDBSVCreatePlaceIndex(const char* table, const char* latitude,
                                                    const char* longitude)
{
    DBHandle* h = db();
    return forward(h && table && latitude && longitude,
                   [&] { return KaAVDBCreatePlaceIndex(h, table, latitude, longitude); });
}

extern "C" KAVDB_API HRESULT KaDBSVSearchPlace(double latitude, double longitude, double metres,
                                               int32_t limit, StringList* out)
{
    DBHandle* h = db();
    return forward(h && out,
                   [&] { return KaAVDBSearchPlace(h, latitude, longitude, metres, limit, out); });
}

extern "C" KAVDB_API HRESULT KaDBSVRefreshStatistics()
{
    DBHandle* h = db();
    return forward(h, [&] { return KaAVDBRefreshStatistics(h); });
}

extern "C" KAVDB_API HRESULT KaDBSVCheck(int32_t repair, StringList* report, int32_t* problems)
{
    DBHandle* h = db();
    return forward(h && report && problems,
                   [&] { return KaAVDBCheck(h, repair, report, problems); });
}

extern "C" KAVDB_API HRESULT KaDBSVBackup(const char* path, StringList* report)
{
    DBHandle* h = db();
    return forward(h && path && report, [&] { return KaAVDBBackup(h, path, report); });
}
