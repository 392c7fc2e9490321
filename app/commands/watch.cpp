/*
 * `kavdb watch FOLDER...`: keeps the catalogue in step with the folder trees while it
 * runs (folder_watch.h). A new photo is read once it has stopped changing, and takes
 * over the entry of a gone file with its content (a move by other means); a changed one
 * is read again; a renamed or moved one keeps its entry (comment, tags, mark); a deleted
 * one is dropped and reported with what it carried. Other new files are catalogued
 * without image, as add does. One line per change on standard output; SIGINT or SIGTERM
 * ends the watch.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "folder_watch.h"
#include "imaging/formats.h"
#include "imaging/vips_runtime.h"
#include "moved_entries.h"
#include "paths.h"
#include "photo_ingest.h"
#include "sidecars.h"

#include <csignal>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

struct Watcher {
    Catalogue& catalogue;
    std::vector<ConfiguredItem> configured;

    void say(const std::string& what, const std::string& path)
    {
        std::printf("%s %s\n", what.c_str(), path.c_str());
        std::fflush(stdout);
    }

    /* A written photo: read (again), or a gone entry moved onto it. */
    void photoWritten(const std::string& path)
    {
        ImageRecord record;
        const bool hasRow = isCatalogued(catalogue, path);
        const bool known =
            hasRow && catalogue.readImage(path, record).ok() && record.hasThumbnail();
        PhotoRecord photo;
        try {
            photo = readPhoto(path);
        } catch (const imaging::ImageError& e) {
            report(path, std::string("not readable as an image (") + e.what() + ")");
            if (!hasRow)
                catalogue.enrollFile(path);
            return;
        }
        bool rowNow = hasRow;
        std::optional<std::string> from;
        if (!known)
            from = goneEntryWithContent(catalogue, configured, photo.contentHash, path);
        if (from && adoptEntry(catalogue, *from, path, hasRow).ok()) {
            rowNow = true;
            say("moved " + *from + " ->", path);
        }
        Outcome stored = storePhoto(catalogue, path, photo, rowNow, configured);
        if (!stored.ok())
            report(path, "cannot store its image record: " + stored.words());
        else if (!from)
            say(known ? "read again" : "added", path);
    }

    void written(const std::string& path)
    {
        if (isSidecarOfAPhoto(path))
            return; // its photo's own change brings it along with `add --force`
        if (imaging::isImageFileName(fileName(path)))
            return photoWritten(path);
        if (!isCatalogued(catalogue, path) && path.find('.') != std::string::npos &&
            catalogue.enrollFile(path).ok())
            say("added", path);
    }

    void drop(const std::string& path)
    {
        const std::string notes = notesOf(catalogue, path);
        if (catalogue.deleteFile(path).ok())
            say("dropped", path + (notes.empty() ? "" : " (with its " + notes + ")"));
    }

    void removedPath(const std::string& path)
    {
        if (isCatalogued(catalogue, path))
            return drop(path);
        std::vector<std::string> folders, files;
        cataloguedFoldersWithin(catalogue, path, folders);
        for (const std::string& folder : folders)
            cataloguedFiles(catalogue, folder, files);
        for (const std::string& file : files)
            drop(file);
    }

    void moveEntry(const std::string& from, const std::string& to)
    {
        if (!isCatalogued(catalogue, from))
            return written(to);
        Outcome moved = catalogue.moveFile(from, to, true);
        if (moved.ok())
            say("moved " + from + " ->", to);
        else
            report(from + " -> " + to, "the entry cannot follow: " + moved.words());
    }

    void moved(const std::string& from, const std::string& to)
    {
        std::error_code ec;
        if (!fs::is_directory(to, ec))
            return moveEntry(from, to);
        std::vector<std::string> folders, files;
        cataloguedFoldersWithin(catalogue, from, folders);
        for (const std::string& folder : folders)
            cataloguedFiles(catalogue, folder, files);
        for (const std::string& file : files)
            moveEntry(file, to + file.substr(from.size()));
    }

    void apply(const FolderChange& change)
    {
        switch (change.kind) {
        case FolderChange::Written:
            return written(change.path);
        case FolderChange::Removed:
            return removedPath(change.path);
        case FolderChange::Moved:
            return moved(change.from, change.path);
        }
    }
};

} // namespace

int runWatch(const GlobalOptions& global, const WatchOptions& options)
{
    std::vector<std::string> roots;
    for (const std::string& folder : options.folders) {
        std::error_code ec;
        roots.push_back(absolutePath(folder));
        if (!fs::is_directory(roots.back(), ec)) {
            report(roots.back(), "no such folder");
            return kExitUsage;
        }
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Create);
    if (!catalogue)
        return kExitUsage;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    FolderWatch watch(roots, Millis(options.settleMs), options.poll, Millis(options.pollMs));
    if (!global.quiet)
        std::fprintf(stderr, "kavdb: watching %zu folder%s (%s); Ctrl-C ends\n", roots.size(),
                     roots.size() == 1 ? "" : "s",
                     watch.polling() ? "scanning for changes" : "inotify");
    Watcher watcher{*catalogue, configuration()};
    while (!stopRequested)
        for (const FolderChange& change : watch.next(Millis(100)))
            watcher.apply(change);
    return kExitOk;
}

} // namespace kavdb::commands
