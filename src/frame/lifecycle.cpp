/*
 * Catalogue lifecycle exports: create a catalogue file, open it into a handle, close it.
 *
 * An existing file that the engine cannot open still yields a handle (its connection
 * closed), so the application learns of the failure from its first operation, as it
 * always has.
 */
#include "frame/export_guard.h"
#include "store/catalogue.h"
#include "store/file_probe.h"
#include "store/record_access.h"

#include <cstring>
#include <new>

using namespace kavdb;

namespace {

bool isCataloguePath(const char* path)
{
    return path != nullptr && *path != '\0' &&
           (std::strstr(path, ".mdb") != nullptr || store::isServerCatalogue(path));
}

} // namespace

extern "C" KAVDB_API HRESULT KaAVDBOpen(const char* path, DBHandle** out)
{
    return frame::exportCall([&]() -> HRESULT {
        if (!isCataloguePath(path) || out == nullptr) {
            return E_INVALIDARG;
        }
        // Only a regular file is a catalogue; anything else fails at once.
        if (!store::isServerCatalogue(path) &&
            (store::fileKind(path) != store::FileKind::Regular || !store::mayRead(path))) {
            return E_FAIL;
        }
        auto* h = new (std::nothrow) DBHandle();
        if (h == nullptr) {
            return E_OUTOFMEMORY;
        }
        store::kaConnect(h, path);
        *out = h;
        return S_OK;
    });
}

extern "C" KAVDB_API HRESULT KaAVDBClose(DBHandle* h)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    HRESULT hr = store::kaDisconnect(h);
    delete h;
    return hr;
}

extern "C" KAVDB_API HRESULT KaAVDBCreate(const char* path)
{
    return frame::exportCall([&]() -> HRESULT {
        if (path == nullptr || *path == '\0') {
            return E_INVALIDARG;
        }
        HRESULT hr = store::kaCreateDatabaseFile(path);
        if (hr < 0) {
            return hr;
        }
        DBHandle* h = nullptr;
        if ((hr = KaAVDBOpen(path, &h)) < 0) {
            return hr;
        }
        hr = frame::exportCall(h, [&] { return store::kaCreateTables(h); });
        HRESULT closed = KaAVDBClose(h);
        if (hr < 0) {
            return hr;
        }
        if (closed < 0) {
            return closed;
        }
        return store::kaWriteLevelFile();
    });
}
