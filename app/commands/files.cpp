/*
 * `kavdb mv`, `kavdb cp`, `kavdb rm`: move, copy and remove catalogue entries. The files
 * on disk are never touched; these keep the catalogue in step after the files were
 * moved, copied or deleted by other means. A copy shares the source's metadata rows.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "paths.h"
#include "result_words.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

/* A destination naming a folder (an existing one, or written with a trailing slash)
 * receives the file under its own name. */
std::string destinationPath(const std::string& argument, const std::string& source)
{
    std::error_code ec;
    std::string path = absolutePath(argument);
    bool intoFolder = (!argument.empty() && argument.back() == '/') || fs::is_directory(path, ec);
    return intoFolder ? (path == "/" ? "" : path) + "/" + fileName(source) : path;
}

using Transfer = Outcome (Catalogue::*)(const std::string&, const std::string&, bool);

int transfer(const GlobalOptions& global, const TransferOptions& options, Transfer operation)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    const std::string from = absolutePath(options.from);
    const std::string to = destinationPath(options.to, from);
    if (!isCatalogued(*catalogue, from)) {
        report(from, resultWords(KAVDB_E_NOT_FOUND));
        return kExitSomeFailed;
    }
    Outcome outcome = ((*catalogue).*operation)(from, to, !options.resetMark);
    if (!outcome.ok()) {
        // A move onto a catalogued destination fails with nothing more than E_FAIL.
        report(from + " -> " + to, isCatalogued(*catalogue, to)
                                       ? "the destination is already catalogued"
                                       : outcome.words());
        return kExitSomeFailed;
    }
    return kExitOk;
}

bool removeFolder(Catalogue& catalogue, const std::string& folder)
{
    std::vector<std::string> folders;
    cataloguedFoldersWithin(catalogue, folder, folders);
    if (folders.empty()) {
        report(folder, resultWords(KAVDB_E_NOT_FOUND));
        return false;
    }
    bool ok = true;
    // Deepest first, so each folder row goes once its own files are gone.
    std::sort(folders.rbegin(), folders.rend());
    for (const std::string& text : folders) {
        std::string path = folderFromKey(text);
        Outcome outcome = catalogue.deleteFolder(path);
        if (!outcome.ok() && !outcome.is(KAVDB_E_NOT_FOUND)) {
            report(path, outcome.words());
            ok = false;
        }
    }
    return ok;
}

bool removeOne(Catalogue& catalogue, const std::string& path)
{
    std::error_code ec;
    if (!fs::is_directory(path, ec) && isCatalogued(catalogue, path)) {
        Outcome outcome = catalogue.deleteFile(path);
        if (!outcome.ok())
            report(path, outcome.words());
        return outcome.ok();
    }
    return removeFolder(catalogue, path);
}

} // namespace

int runMove(const GlobalOptions& global, const TransferOptions& options)
{
    return transfer(global, options, &Catalogue::moveFile);
}

int runCopy(const GlobalOptions& global, const TransferOptions& options)
{
    return transfer(global, options, &Catalogue::copyFile);
}

int runRemove(const GlobalOptions& global, const RemoveOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    bool ok = true;
    for (const std::string& target : options.targets)
        ok = removeOne(*catalogue, absolutePath(target)) && ok;
    return ok ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
