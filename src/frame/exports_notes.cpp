/*
 * Comment, mark and folder-information exports: each runs its operation under the
 * export guard.
 */
#include "frame/export_guard.h"
#include "ops/notes.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBReadComment(DBHandle* h, const char* path, char* out)
{
    return frame::exportRead(h, [&] { return ops::readComment(h, path, out); });
}

extern "C" KAVDB_API HRESULT KaAVDBWriteComment(DBHandle* h, const char* path, const char* comment)
{
    return frame::exportCall(h, [&] { return ops::writeComment(h, path, comment); });
}

extern "C" KAVDB_API HRESULT KaAVDBReadFolderInfo(DBHandle* h, const char* folder, char* out)
{
    return frame::exportRead(h, [&] { return ops::readFolderInfo(h, folder, out); });
}

extern "C" KAVDB_API HRESULT KaAVDBWriteFolderInfo(DBHandle* h, const char* folder,
                                                   const char* text)
{
    return frame::exportCall(h, [&] { return ops::writeFolderInfo(h, folder, text); });
}

extern "C" KAVDB_API HRESULT KaAVDBSetCheck(DBHandle* h, const char* path, int32_t mark)
{
    return frame::exportCall(h, [&] { return ops::setCheck(h, path, mark); });
}

extern "C" KAVDB_API HRESULT KaAVDBGetCheck(DBHandle* h, const char* path, int32_t* mark)
{
    return frame::exportRead(h, [&] { return ops::getCheck(h, path, mark); });
}
