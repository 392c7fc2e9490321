/*
 * The catalogue copy export: both catalogues opened as an application opens them, dst
 * created when missing, and the copy run inside a reading call on src (one snapshot of
 * it) and a writing call on dst (one transaction for every row).
 */
#include "frame/export_guard.h"
#include "ops/catalogue_copy.h"
#include "store/catalogue.h"

#include <cstring>

using namespace kavdb;

namespace {

HRESULT copyBetween(const char* src, const char* dst, StringList* report, KaCopyProgress progress,
                    void* context)
{
    DBHandle* from = nullptr;
    DBHandle* to = nullptr;
    HRESULT hr = KaAVDBOpen(src, &from);
    if (hr >= 0) {
        hr = KaAVDBOpen(dst, &to);
    }
    if (hr >= 0) {
        hr = frame::exportRead(from, [&] {
            return frame::exportCall(
                to, [&] { return ops::copyCatalogue(from, to, report, progress, context); });
        });
    }
    for (DBHandle* h : {from, to}) {
        HRESULT closed = h != nullptr ? KaAVDBClose(h) : S_OK;
        hr = hr < 0 ? hr : closed;
    }
    return hr;
}

} // namespace

extern "C" KAVDB_API HRESULT KaAVDBCopyCatalogue(const char* src, const char* dst,
                                                 StringList* report, KaCopyProgress progress,
                                                 void* context)
{
    return frame::exportCall([&]() -> HRESULT {
        if (src == nullptr || dst == nullptr || *src == '\0' || *dst == '\0' || report == nullptr ||
            std::strcmp(src, dst) == 0) {
            return E_INVALIDARG;
        }
        if (!store::catalogueExists(src)) {
            return KAVDB_E_NOT_FOUND;
        }
        const bool made = !store::catalogueExists(dst);
        HRESULT hr = made ? KaAVDBCreate(dst) : S_OK;
        if (hr < 0) {
            return hr;
        }
        hr = copyBetween(src, dst, report, progress, context);
        if (hr < 0 && made) {
            store::removeCatalogueFile(dst);
        }
        return hr;
    });
}
