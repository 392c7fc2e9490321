/*
 * `kavdb refresh [FOLDER]`: brings the catalogue in line with the disk. Entries of deleted
 * files go; a file changed since it was catalogued keeps its entry with an emptied
 * thumbnail (or, with --delete-changed, loses its entry), and every photo whose
 * thumbnail is empty is then read again. New files are left to `add`.
 *
 * Every entry dropped is reported: their number, their names with -v, and always the
 * names of those that carried notes (a comment, a mark, or items of a table other than
 * the camera's), as those are lost with them. --dry-run says what would be dropped and
 * changes nothing.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/photo_batch.h"
#include "commands/session.h"
#include "imaging/formats.h"
#include "moved_entries.h"
#include "paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

constexpr int32_t kDeleteChanged = 1;
constexpr int32_t kKeepChanged = 2;

struct Drop {
    std::string path;
    std::string notes; // what was lost with it: "comment, mark, Caption", or empty
};

bool changedOnDisk(const std::string& path, const ImageRecord& record)
{
    SYSTEMTIME onDisk{};
    return fileUpdateTime(path, onDisk) && timeText(onDisk) != timeText(record.updated);
}

/* Each dropped path with what is lost along with it. */
std::vector<Drop> withNotes(Catalogue& catalogue, const std::vector<std::string>& dropping)
{
    std::vector<Drop> drops;
    for (const std::string& path : dropping)
        drops.push_back({path, notesOf(catalogue, path)});
    return drops;
}

/* The entries of one folder the refresh will drop. */
std::vector<Drop> dropsIn(Catalogue& catalogue, const std::string& folderText, bool deleteChanged)
{
    std::vector<std::string> files;
    cataloguedFiles(catalogue, folderText, files);
    std::vector<std::string> dropping;
    // Only a changed time needs the stored record. Each record carries its thumbnail, so
    // a pass over a million of them costs seconds that keeping changed files never needs.
    if (!deleteChanged) {
        std::copy_if(files.begin(), files.end(), std::back_inserter(dropping),
                     [](const std::string& path) { return goneFromDisk(path); });
        return withNotes(catalogue, dropping);
    }
    catalogue.readImages(files, [&](std::size_t index, const ImageRecord* record) {
        if (index < files.size() &&
            (goneFromDisk(files[index]) || (record && changedOnDisk(files[index], *record))))
            dropping.push_back(files[index]);
    });
    return withNotes(catalogue, dropping);
}

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

/* The catalogued photos of one folder, still on disk, that have no thumbnail: emptied by
 * the refresh, or never made. The catalogue answers by a condition, so no record (nor its
 * thumbnail) is read for the photos that keep theirs; the library stores a thumbnail
 * whole or not at all, so none is empty but Null. */
std::vector<PendingPhoto> photosWithoutThumbnail(Catalogue& catalogue,
                                                 const std::string& folderText)
{
    std::vector<std::string> files;
    cataloguedFiles(catalogue, folderText, files, "MainTable.Thumbnail IS NULL");
    std::vector<PendingPhoto> photos;
    std::error_code ec;
    for (std::string& path : files)
        if (imaging::isImageFileName(fileName(path)) && fs::is_regular_file(path, ec))
            photos.push_back({std::move(path), true, false});
    return photos;
}

void reportDrops(const std::vector<Drop>& drops, bool dryRun, bool verbose)
{
    std::size_t noted = 0;
    for (const Drop& drop : drops) {
        noted += drop.notes.empty() ? 0 : 1;
        if (dryRun || verbose || !drop.notes.empty())
            std::printf("%s %s%s\n", dryRun ? "would drop" : "dropped", drop.path.c_str(),
                        drop.notes.empty() ? "" : (" (with its " + drop.notes + ")").c_str());
    }
    std::printf("%zu entr%s %s", drops.size(), drops.size() == 1 ? "y" : "ies",
                dryRun ? "would be dropped" : "dropped");
    if (noted > 0)
        std::printf(", %zu of them with notes", noted);
    std::printf("\n");
}

/* Reads again every photo whose thumbnail the refresh emptied. */
BatchResult readEmptied(Catalogue& catalogue, const std::vector<std::string>& folders,
                        const std::vector<ConfiguredItem>& configured, bool quiet)
{
    std::vector<std::vector<PendingPhoto>> groups;
    std::size_t total = 0;
    for (const std::string& text : folders) {
        groups.push_back(photosWithoutThumbnail(catalogue, text));
        total += groups.back().size();
    }
    Progress progress(stderr, progressWanted(quiet, 2), total, "refresh");
    BatchResult result;
    for (const std::vector<PendingPhoto>& pending : groups)
        result.merge(readAndStore(catalogue, pending, configured, progress));
    progress.finish();
    return result;
}

} // namespace

int runRefresh(const GlobalOptions& global, const RefreshOptions& options)
{
    std::unique_ptr<Catalogue> catalogue =
        openCatalogue(global, options.dryRun ? Access::Read : Access::Write);
    if (!catalogue)
        return kExitUsage;
    std::vector<std::string> folders;
    if (!foldersInScope(*catalogue, options.folder, folders))
        return kExitSomeFailed;
    std::vector<Drop> drops;
    for (const std::string& text : folders)
        for (Drop& drop : dropsIn(*catalogue, text, options.deleteChanged))
            drops.push_back(std::move(drop));
    if (options.dryRun) {
        reportDrops(drops, true, global.verbose);
        return kExitOk;
    }
    const int32_t mode = options.deleteChanged ? kDeleteChanged : kKeepChanged;
    bool ok = true;
    if (options.folder.empty()) {
        Outcome outcome = catalogue->refreshAll(mode);
        if (!outcome.ok())
            report("cannot refresh the catalogue: " + outcome.words());
        ok = outcome.ok();
        folders.clear();
        cataloguedFolders(*catalogue, folders);
    } else {
        ok = refreshFolders(*catalogue, folders, mode);
    }
    std::erase_if(drops, [&](const Drop& drop) { return isCatalogued(*catalogue, drop.path); });
    BatchResult result = readEmptied(*catalogue, folders, configuration(), global.quiet);
    reportUnreadable(result);
    if (!global.quiet) {
        reportDrops(drops, false, global.verbose);
        std::printf("%zu folder%s refreshed: %zu photo%s read again, %zu unreadable\n",
                    folders.size(), folders.size() == 1 ? "" : "s", result.stored,
                    result.stored == 1 ? "" : "s", result.unreadable.size());
    }
    return ok && result.failed == 0 && result.unreadable.empty() ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
