/*
 * Exports of the text and place indexes, the planner's statistics, the catalogue check and the
 * verified backup. A check that repairs and a backup of a file (which must hold the write lock
 * while it copies) begin as writers; searches, a plain check and a server's backup only read.
 */
#include "frame/export_guard.h"
#include "ops/backup.h"
#include "ops/check.h"
#include "ops/indexes.h"
#include "query/index_search.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBCreateTextIndex(DBHandle* h, StringList* items)
{
    return frame::exportCall(h, [&] { return ops::createTextIndex(h, items); });
}

extern "C" KAVDB_API HRESULT KaAVDBSearchText(DBHandle* h, const char* text, int32_t limit,
                                              StringList* out)
{
    return frame::exportRead(
        h, [&] { return query::searchText(h, text, limit, out); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBCreatePlaceIndex(DBHandle* h, const char* table,
                                                    const char* latitude, const char* longitude)
{
    return frame::exportCall(h,
                             [&] { return ops::createPlaceIndex(h, table, latitude, longitude); });
}

extern "C" KAVDB_API HRESULT KaAVDBSearchPlace(DBHandle* h, double latitude, double longitude,
                                               double metres, int32_t limit, StringList* out)
{
    return frame::exportRead(
        h, [&] { return query::searchPlace(h, latitude, longitude, metres, limit, out); },
        frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBRefreshStatistics(DBHandle* h)
{
    return frame::exportCall(h, [&] { return ops::refreshStatistics(h); });
}

extern "C" KAVDB_API HRESULT KaAVDBCheck(DBHandle* h, int32_t repair, StringList* report,
                                         int32_t* problems)
{
    auto work = [&] { return ops::checkCatalogue(h, repair, report, problems); };
    return repair != 0 ? frame::exportCall(h, work, frame::Repeat::Never)
                       : frame::exportRead(h, work, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBBackup(DBHandle* h, const char* path, StringList* report)
{
    auto work = [&] { return ops::backupCatalogue(h, path, report); };
    return ops::backupAccess(h) == engine::Access::Read
               ? frame::exportRead(h, work, frame::Repeat::Never)
               : frame::exportCall(h, work, frame::Repeat::Never);
}
