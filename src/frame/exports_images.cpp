/*
 * Image and update-time record exports: each runs its operation under the export guard.
 */
#include "frame/export_guard.h"
#include "ops/images.h"

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaAVDBReadImage(DBHandle* h, const char* path, ImageData* out)
{
    return frame::exportRead(
        h, [&] { return ops::readImage(h, path, out); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBWriteImage(DBHandle* h, const char* path, const ImageData* in)
{
    return frame::exportCall(h, [&] { return ops::writeImage(h, path, in); });
}

extern "C" KAVDB_API HRESULT KaAVDBReadImages(DBHandle* h, void* context, StringList* paths,
                                              ImageReadCallback callback)
{
    return frame::exportRead(
        h, [&] { return ops::readImages(h, context, paths, callback); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBReadImageBatch(DBHandle* h, StringList* paths,
                                                  ImageDataList* out)
{
    return frame::exportRead(
        h, [&] { return ops::readImageBatch(h, paths, out); }, frame::Repeat::Never);
}

extern "C" KAVDB_API HRESULT KaAVDBReadUpdateData(DBHandle* h, const char* path, char* out)
{
    return frame::exportRead(h, [&] { return ops::readUpdateData(h, path, out); });
}

extern "C" KAVDB_API HRESULT KaAVDBWriteUpdateData(DBHandle* h, const char* path, const char* text)
{
    return frame::exportCall(h, [&] { return ops::writeUpdateData(h, path, text); });
}
