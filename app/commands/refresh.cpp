/*
 * `kavdb refresh [FOLDER]`: brings the catalogue in line with the disk. Entries of deleted
 * files go; a file changed since it was catalogued keeps its entry with an emptied
 * thumbnail (or, with --delete-changed, loses its entry), and every photo whose
 * thumbnail is empty is then read again. New files are left to `add`.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/photo_batch.h"
#include "commands/session.h"
#include "imaging/formats.h"
#include "paths.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

constexpr int32_t kDeleteChanged = 1;
constexpr int32_t kKeepChanged = 2;

/* Refreshes the folders (catalogue folder texts); false when one fails. */
bool refreshFolders(Catalogue& catalogue, const std::vector<std::string>& folders, int32_t mode)
{
    bool ok = true;
    for (const std::string& text : folders) {
        Outcome outcome = catalogue.refreshFolder(text, mode);
        if (!outcome.ok() && !outcome.is(KAVDB_E_NOT_FOUND)) {
            report(text, "cannot refresh: " + outcome.words());
            ok = false;
        }
    }
    return ok;
}

/* The catalogued photos of one folder that still exist on disk, sorted by name. */
std::vector<std::string> photosOnDisk(Catalogue& catalogue, const std::string& folderText)
{
    std::vector<std::string> files;
    cataloguedFiles(catalogue, folderText, files);
    std::vector<std::string> photos;
    std::error_code ec;
    for (std::string& path : files)
        if (imaging::isImageFileName(fileName(path)) && fs::is_regular_file(path, ec))
            photos.push_back(std::move(path));
    return photos;
}

} // namespace

int runRefresh(const GlobalOptions& global, const RefreshOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    const int32_t mode = options.deleteChanged ? kDeleteChanged : kKeepChanged;
    std::vector<ConfiguredItem> configured;
    catalogue->configuredItems(configured);
    std::vector<std::string> folders;
    bool ok = true;
    if (options.folder.empty()) {
        Outcome outcome = catalogue->refreshAll(mode);
        if (!outcome.ok()) {
            report("cannot refresh the catalogue: " + outcome.words());
            ok = false;
        }
        cataloguedFolders(*catalogue, folders);
    } else {
        const std::string folder = absolutePath(options.folder);
        cataloguedFoldersWithin(*catalogue, folder, folders);
        if (folders.empty()) {
            report(folder, "no catalogued folder here");
            return kExitSomeFailed;
        }
        ok = refreshFolders(*catalogue, folders, mode);
    }

    std::vector<std::vector<std::string>> groups;
    std::size_t total = 0;
    for (const std::string& text : folders) {
        groups.push_back(photosOnDisk(*catalogue, text));
        total += groups.back().size();
    }
    Progress progress(stderr, progressWanted(global.quiet, 2), total, "refresh");
    std::size_t current = 0;
    BatchResult result;
    for (const std::vector<std::string>& photos : groups) {
        std::size_t before = current;
        std::vector<PendingPhoto> pending =
            photosToRead(*catalogue, photos, Need::EmptyThumbnail, false, current);
        progress.advance(current - before);
        result.merge(readAndStore(*catalogue, pending, configured, progress));
    }
    progress.finish();
    reportUnreadable(result);
    if (!global.quiet)
        std::printf("%zu folder%s refreshed: %zu photo%s read again, %zu unreadable\n",
                    folders.size(), folders.size() == 1 ? "" : "s", result.stored,
                    result.stored == 1 ? "" : "s", result.unreadable.size());
    return ok && result.failed == 0 && result.unreadable.empty() ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
