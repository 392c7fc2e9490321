/*
 * The facade's lifecycle: KaDBSVInitDatabase opens (creating it, or copying the template
 * catalogue, when the file is missing) the one process-wide catalogue and brings its
 * schema up to date; KaDBSVExitDatabase closes it.
 *
 * The handle is published through an atomic only once fully opened, so a caller never
 * sees a half-initialised catalogue even if two threads race to initialise.
 */
#include "frame/facade.h"
#include "store/catalogue.h"
#include "store/file_probe.h"

#include <atomic>
#include <filesystem>
#include <system_error>

namespace kavdb::frame {

namespace {

std::atomic<DBHandle*> m_hDB{nullptr};

/* Makes the catalogue at path when it is missing: created, or else the template. */
HRESULT provideCatalogue(const char* path)
{
    if (store::catalogueExists(path)) {
        return S_OK; // opening tells whether it is a catalogue
    }
    HRESULT created = KaAVDBCreate(path);
    if (created >= 0) {
        return created;
    }
    std::string dir = executableDir();
    if (!dir.empty() && copyTemplateCatalogue(dir, path) < 0) {
        return created;
    }
    return S_OK;
}

} // namespace

DBHandle* facadeHandle()
{
    return m_hDB.load();
}

std::string executableDir()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.has_parent_path()) {
        return "";
    }
    std::string dir = exe.parent_path().string();
    return dir.back() == '/' ? dir : dir + "/";
}

HRESULT copyTemplateCatalogue(const std::string& dir, const char* path)
{
    if (path == nullptr || *path == '\0') {
        return E_INVALIDARG;
    }
    std::error_code ec;
    bool copied = std::filesystem::copy_file(dir + "initDBfile.dat", path,
                                             std::filesystem::copy_options::none, ec);
    return copied && !ec ? S_OK : E_FAIL;
}

} // namespace kavdb::frame

using namespace kavdb;

extern "C" KAVDB_API HRESULT KaDBSVInitDatabase(const char* path)
{
    if (path == nullptr) {
        return E_INVALIDARG;
    }
    if (frame::facadeHandle() != nullptr) {
        return S_OK;
    }
    HRESULT hr = frame::provideCatalogue(path);
    if (hr < 0) {
        return hr;
    }
    DBHandle* h = nullptr;
    if (KaAVDBOpen(path, &h) >= 0 && KaAVDBAddItem(h, path) >= 0) {
        DBHandle* none = nullptr;
        if (frame::m_hDB.compare_exchange_strong(none, h)) {
            return S_OK;
        }
        // Another thread opened the catalogue first; its handle stays the facade's.
        KaAVDBClose(h);
        return S_OK;
    }
    if (h != nullptr) {
        KaAVDBClose(h);
    }
    return E_FAIL;
}

extern "C" KAVDB_API HRESULT KaDBSVExitDatabase()
{
    DBHandle* h = frame::m_hDB.exchange(nullptr);
    return h == nullptr ? S_OK : KaAVDBClose(h);
}
