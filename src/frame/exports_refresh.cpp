/*
 * Refresh exports: each runs its operation under the export guard (one transaction,
 * committed in slices by the folder walks).
 */
#include "frame/export_guard.h"
#include "ops/refresh.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBRefreshFolder(DBHandle* h, const char* folder, int32_t mode)
{
    return frame::exportCall(h, [&] { return ops::refreshFolder(h, folder, mode); });
}

extern "C" KAVDB_API HRESULT KaAVDBRefreshFiles(DBHandle* h, StringList* paths, int32_t mode)
{
    return frame::exportCall(h, [&] { return ops::refreshFiles(h, paths, mode); });
}

extern "C" KAVDB_API HRESULT KaAVDBRefreshAll(DBHandle* h, int32_t mode)
{
    return frame::exportCall(h, [&] { return ops::refreshAll(h, mode); });
}
