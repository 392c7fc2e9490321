/*
 * `kavdb add FOLDER...`: registers each folder tree with the catalogue (every file in it),
 * then gives each photo its image record (size, bit depth, thumbnail, modification time)
 * and its camera metadata. Photos whose record is already up to date are left alone.
 */
#include "commands/commands.h"
#include "commands/photo_batch.h"
#include "commands/session.h"
#include "paths.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

struct Targets {
    std::vector<std::string> folders;
    std::vector<FolderImages> photoGroups;
    bool missing = false;
};

Targets collectTargets(const std::vector<std::string>& arguments)
{
    Targets targets;
    std::error_code ec;
    for (const std::string& argument : arguments) {
        std::string path = absolutePath(argument);
        if (fs::is_directory(path, ec)) {
            targets.folders.push_back(path);
            for (FolderImages& group : findImages(path))
                targets.photoGroups.push_back(std::move(group));
        } else if (fs::is_regular_file(path, ec)) {
            targets.photoGroups.push_back({parentFolder(path), {path}});
        } else {
            report(path, "no such file or folder");
            targets.missing = true;
        }
    }
    return targets;
}

/* The library cannot key a path without a "."; such files are named, and every other
 * file is registered on its own, where the library's folder walk stopped early. */
bool registerOneByOne(Catalogue& catalogue, const std::string& folder)
{
    bool ok = true;
    for (const std::string& path : findFiles(folder)) {
        if (path.find('.') == std::string::npos) {
            report(path, "cannot be catalogued: the catalogue needs a \".\" in a file's path");
            ok = false;
            continue;
        }
        Outcome outcome = catalogue.enrollFile(path);
        if (!outcome.ok() && !outcome.is(KAVDB_E_ALREADY_EXISTS)) {
            report(path, "cannot be catalogued: " + outcome.words());
            ok = false;
        }
    }
    return ok;
}

/* Registers every file of each folder tree; a file already catalogued is no failure. */
bool registerFolders(Catalogue& catalogue, const std::vector<std::string>& folders)
{
    bool ok = true;
    for (const std::string& folder : folders) {
        Outcome outcome = catalogue.enrollFolder(folder);
        if (!outcome.ok() && !outcome.is(KAVDB_E_ALREADY_EXISTS))
            ok = registerOneByOne(catalogue, folder) && ok;
    }
    return ok;
}

void printSummary(std::size_t photos, std::size_t current, const BatchResult& result)
{
    std::printf("%zu photo%s: %zu read, %zu already up to date, %zu unreadable\n", photos,
                photos == 1 ? "" : "s", result.stored, current, result.unreadable.size());
}

} // namespace

int runAdd(const GlobalOptions& global, const AddOptions& options)
{
    Targets targets = collectTargets(options.targets);
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, true);
    if (!catalogue)
        return kExitUsage;
    std::vector<ConfiguredItem> configured;
    catalogue->configuredItems(configured);
    bool ok = registerFolders(*catalogue, targets.folders) && !targets.missing;

    std::size_t total = 0;
    for (const FolderImages& group : targets.photoGroups)
        total += group.paths.size();
    Progress progress(stderr, progressWanted(global.quiet, 2), total, "add");
    std::size_t current = 0;
    BatchResult result;
    for (const FolderImages& group : targets.photoGroups) {
        std::size_t before = current;
        std::vector<PendingPhoto> pending =
            photosToRead(*catalogue, group.paths, Need::Missing, options.force, current);
        progress.advance(current - before);
        result.merge(readAndStore(*catalogue, pending, configured, progress, options.jobs));
    }
    progress.finish();
    reportUnreadable(result);
    if (!global.quiet)
        printSummary(total, current, result);
    return ok && result.failed == 0 && result.unreadable.empty() ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
