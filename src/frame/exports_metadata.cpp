/*
 * Exports of the metadata operations and of metadata table maintenance.
 */
#include "frame/export_guard.h"
#include "ops/maintenance.h"
#include "ops/metadata.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBWriteData(DBHandle* h, const char* path, MetaDataList* data)
{
    return frame::exportCall(h, [&] { return ops::writeData(h, path, data); });
}

extern "C" KAVDB_API HRESULT KaAVDBReadData(DBHandle* h, const char* path, MetaDataList* data)
{
    return frame::exportRead(
        h, [&] { return ops::readData(h, path, data); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBReadFilePartially(DBHandle* h, const char* path,
                                                     const char* table, const char* item,
                                                     int32_t type, int32_t* size, void** data)
{
    return frame::exportCall(
        h, [&] { return ops::readFilePartially(h, path, table, item, type, size, data); },
        frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBGetDataTotalNum(int32_t* count)
{
    return frame::exportCall([&] { return ops::getDataTotalNum(count); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetData(int32_t index, char* table, char* item, int32_t* type,
                                           int32_t* size)
{
    return frame::exportCall([&] { return ops::getData(index, table, item, type, size); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetDataNum(const char* table, int32_t* count)
{
    return frame::exportCall([&] { return ops::getDataNum(table, count); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetReadTableDataCount(DBHandle* h, const char* table,
                                                         int32_t* count)
{
    return frame::exportRead(h, [&] { return ops::getReadTableDataCount(h, table, count); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetReadTableData(DBHandle* h, int32_t position,
                                                    const char* table, MetaTagList* tags)
{
    return frame::exportRead(
        h, [&] { return ops::getReadTableData(h, position, table, tags); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBGetReadTableDataEx(DBHandle* h, int32_t first, int32_t last,
                                                      const char* table, MetaIdxDataList* rows)
{
    return frame::exportRead(
        h, [&] { return ops::getReadTableDataEx(h, first, last, table, rows); },
        frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBDeleteInfo(DBHandle* h, char* sql)
{
    return frame::exportCall(h, [&] { return ops::deleteInfo(h, sql); });
}

extern "C" KAVDB_API HRESULT KaAVDBUpdateTableData(DBHandle* h, const char* table, const char* item,
                                                   const char* oldText, const char* newText)
{
    return frame::exportCall(
        h, [&] { return ops::updateTableData(h, table, item, oldText, newText); });
}
