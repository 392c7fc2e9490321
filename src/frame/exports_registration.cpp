/*
 * Exports of folder and file registration, deletion, moving and copying.
 */
#include "frame/export_guard.h"
#include "ops/registration.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBRegisterFile(DBHandle* h, const char* path, MetaDataList* data,
                                                ImageData* image)
{
    return frame::exportCall(h, [&] { return ops::registerFile(h, path, data, image); });
}

extern "C" KAVDB_API HRESULT KaAVDBRegisterFolder(DBHandle* h, const char* folder)
{
    return frame::exportCall(h, [&] { return ops::registerFolder(h, folder); });
}

extern "C" KAVDB_API HRESULT KaAVDBDeleteFile(DBHandle* h, const char* path)
{
    return frame::exportCall(h, [&] { return ops::deleteFile(h, path); });
}

extern "C" KAVDB_API HRESULT KaAVDBDeleteFolder(DBHandle* h, const char* folder)
{
    return frame::exportCall(h, [&] { return ops::deleteFolder(h, folder); });
}

extern "C" KAVDB_API HRESULT KaAVDBMoveFile(DBHandle* h, const char* src, const char* dst,
                                            int32_t keepMark)
{
    return frame::exportCall(h, [&] { return ops::moveFile(h, src, dst, keepMark); });
}

extern "C" KAVDB_API HRESULT KaAVDBCopyFile(DBHandle* h, const char* src, const char* dst,
                                            int32_t keepMark)
{
    return frame::exportCall(h, [&] { return ops::copyFile(h, src, dst, keepMark); });
}
