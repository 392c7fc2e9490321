/*
 * Registering a folder tree: every entry of a folder, depth first, each file through the
 * same single-file registration. Entries are taken in name order so that a walk, and its
 * result (that of the last entry handled), is the same on every file system.
 *
 * A name holding a backslash is legal on Linux but cannot be keyed: the catalogue reads
 * '\' as a separator, and the file would land in a folder of its own name (and take the
 * folder row of its neighbours with it). Such a file is passed over and reported to the
 * error handler; it is not an entry handled, so the walk's result is that of the others.
 */
#include "ops/registration.h"

#include "store/folder_rows.h"
#include "store/record_access.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

enum class EntryKind { File, Folder, Skip };

struct Entry {
    std::string name;
    EntryKind kind;
};

/* A directory reached through a symbolic link is not descended (no cycles); a link to a
 * file is a file. */
EntryKind kindOf(const std::string& full, unsigned char type)
{
    if (type == DT_DIR) {
        return EntryKind::Folder;
    }
    if (type != DT_UNKNOWN && type != DT_LNK) {
        return EntryKind::File;
    }
    struct stat st {};
    if (lstat(full.c_str(), &st) != 0) {
        return EntryKind::Skip;
    }
    if (S_ISDIR(st.st_mode)) {
        return EntryKind::Folder;
    }
    if (S_ISLNK(st.st_mode) && stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return EntryKind::Skip;
    }
    return EntryKind::File;
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    return endsWithSeparator(folder) ? folder + name : folder + "/" + name;
}

/* The folder's entries, sorted by name; false when it cannot be listed. */
bool listFolder(const std::string& folder, std::vector<Entry>& entries)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            entries.push_back({e->d_name, kindOf(joinPath(folder, e->d_name), e->d_type)});
        }
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

} // namespace

HResult registerFolder(DBHandle* h, const char* folder)
{
    if (h == nullptr || folder == nullptr || *folder == '\0') {
        return E_INVALIDARG;
    }
    std::string base = folder;
    if (base.size() + 4 > kFolderMax) { // room for the listing pattern's "\*.*"
        return E_INVALIDARG;
    }
    std::vector<Entry> entries;
    if (!listFolder(base, entries)) {
        return E_FAIL;
    }
    int32_t slot = -1; // the folder row, found or added with the first file
    // The names its file rows hold, read once the row is known, so that each file is looked
    // for in memory; read again after anything that may have let another writer in.
    std::optional<std::unordered_set<std::string>> known;
    HResult result = S_OK;
    for (const auto& entry : entries) {
        std::string full = joinPath(base, entry.name);
        if (entry.kind == EntryKind::Skip) {
            continue;
        }
        if (entry.kind == EntryKind::File && hasSeparator(entry.name)) {
            ReportComError(
                "Failed To KaAVDBRegisterFolder",
                EngineError(E_INVALIDARG, "kavdb",
                            "A file name holding a separator cannot be catalogued: " + full));
            continue;
        }
        if (full.size() > kFolderMax) {
            return E_INVALIDARG;
        }
        if (entry.kind == EntryKind::File && slot != -1 && !known &&
            store::fileNamesIn(h, slot, known.emplace()) < 0) {
            known.reset(); // each file is looked for by a query of its own, as the first
        }
        result = entry.kind == EntryKind::Folder
                     ? registerFolder(h, full.c_str())
                     : kaRegisterFile(h, full.c_str(), &slot, nullptr, nullptr,
                                      known ? &*known : nullptr);
        if (result < 0 && result != KAVDB_E_ALREADY_EXISTS) {
            return result;
        }
        if (yieldSlice(h) || entry.kind == EntryKind::Folder) {
            known.reset();
        }
    }
    return result;
}

} // namespace kavdb::ops
