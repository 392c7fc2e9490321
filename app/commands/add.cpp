/*
 * `kavdb add FOLDER...`: registers each folder tree with the catalogue (every file in it),
 * then gives each photo its image record (size, bit depth, thumbnail, modification time)
 * and its metadata. Photos whose record is already up to date are left alone. XMP
 * sidecars belong to their photo and are not catalogued as files; files the catalogue
 * cannot key (no "." in their path: not photos either) are passed over and counted.
 * Folders that cannot be read are named with the reason, and the run then exits 1. A
 * new photo with the content of an entry whose file is gone takes that entry over.
 */
#include "commands/commands.h"
#include "commands/photo_batch.h"
#include "commands/session.h"
#include "paths.h"
#include "sidecars.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

struct Targets {
    std::vector<std::string> folders;
    std::vector<std::vector<std::string>> folderFiles; // per folder tree
    std::vector<FolderImages> photoGroups;
    std::size_t unreadableFolders = 0;
    bool missing = false;
};

bool cannotBeKeyed(const std::string& path)
{
    return path.find('.') == std::string::npos;
}

void addFolder(Targets& targets, const std::string& path)
{
    FolderWalk walk = walkFolder(path);
    for (const auto& [folder, reason] : walk.unreadable)
        report(folder, "cannot read this folder: " + reason);
    targets.unreadableFolders += walk.unreadable.size();
    targets.folders.push_back(path);
    for (FolderImages& group : groupImages(walk.files))
        targets.photoGroups.push_back(std::move(group));
    targets.folderFiles.push_back(std::move(walk.files));
}

Targets collectTargets(const std::vector<std::string>& arguments)
{
    Targets targets;
    std::error_code ec;
    for (const std::string& argument : arguments) {
        std::string path = absolutePath(argument);
        if (fs::is_directory(path, ec)) {
            addFolder(targets, path);
        } else if (fs::is_regular_file(path, ec) && !isSidecarOfAPhoto(path)) {
            targets.photoGroups.push_back({parentFolder(path), {path}});
        } else if (!fs::is_regular_file(path, ec)) {
            report(path, "no such file or folder");
            targets.missing = true;
        }
    }
    return targets;
}

/* Registers the files of a tree one by one, where the library's folder walk stopped
 * early; files the catalogue cannot key and sidecars are left to the caller. */
bool registerOneByOne(Catalogue& catalogue, const std::vector<std::string>& files)
{
    bool ok = true;
    for (const std::string& path : files) {
        if (cannotBeKeyed(path) || isSidecarOfAPhoto(path))
            continue;
        Outcome outcome = catalogue.enrollFile(path);
        if (!outcome.ok() && !outcome.is(KAVDB_E_ALREADY_EXISTS)) {
            report(path, "cannot be catalogued: " + outcome.words());
            ok = false;
        }
    }
    return ok;
}

/* Registers every file of each folder tree; a file already catalogued is no failure.
 * The walk, whole or stopped early at a file it cannot key, catalogues sidecars like any
 * file: their entries go again. */
bool registerFolders(Catalogue& catalogue, const Targets& targets, std::size_t& passedOver)
{
    bool ok = true;
    for (std::size_t i = 0; i < targets.folders.size(); ++i) {
        const std::vector<std::string>& files = targets.folderFiles[i];
        Outcome outcome = catalogue.enrollFolder(targets.folders[i]);
        if (!outcome.ok() && !outcome.is(KAVDB_E_ALREADY_EXISTS))
            ok = registerOneByOne(catalogue, files) && ok;
        for (const std::string& path : files) {
            passedOver += cannotBeKeyed(path) ? 1 : 0;
            if (isSidecarOfAPhoto(path))
                catalogue.deleteFile(path);
        }
    }
    return ok;
}

void printSummary(std::size_t photos, std::size_t current, const BatchResult& result,
                  std::size_t passedOver)
{
    std::printf("%zu photo%s: %zu read, %zu already up to date, %zu unreadable", photos,
                photos == 1 ? "" : "s", result.stored, current, result.unreadable.size());
    if (passedOver > 0)
        std::printf("; %zu file%s passed over (no \".\" in the name: not catalogued)", passedOver,
                    passedOver == 1 ? "" : "s");
    std::printf("\n");
}

} // namespace

int runAdd(const GlobalOptions& global, const AddOptions& options)
{
    Targets targets = collectTargets(options.targets);
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Create);
    if (!catalogue)
        return kExitUsage;
    const std::vector<ConfiguredItem> configured = configuration();
    std::size_t passedOver = 0;
    bool ok = registerFolders(*catalogue, targets, passedOver) && !targets.missing &&
              targets.unreadableFolders == 0;

    std::size_t total = 0;
    for (const FolderImages& group : targets.photoGroups)
        total += group.paths.size();
    Progress progress(stderr, progressWanted(global.quiet, 2), total, "add");
    std::size_t current = 0;
    BatchResult result;
    for (const FolderImages& group : targets.photoGroups) {
        std::size_t before = current;
        std::vector<PendingPhoto> pending =
            photosToRead(*catalogue, group.paths, options.force, current);
        progress.advance(current - before);
        result.merge(readAndStore(*catalogue, pending, configured, progress, options.jobs));
    }
    progress.finish();
    reportUnreadable(result);
    for (const auto& [from, to] : result.moved)
        if (!global.quiet)
            std::printf("moved %s -> %s\n", from.c_str(), to.c_str());
    if (!global.quiet)
        printSummary(total, current, result, passedOver);
    // The photos are in whether or not this succeeds: statistics only speed later searches.
    catalogue->refreshStatistics();
    return ok && result.failed == 0 && result.unreadable.empty() ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
