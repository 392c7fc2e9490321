/*
 * `kavdb mv`, `kavdb cp`, `kavdb rm`. mv and cp move or copy the file on disk (with its XMP
 * sidecars) and its catalogue entry together; with --entry-only the file was moved or
 * copied by other means and only the entry follows, once the file is seen at the
 * destination. Both refuse, before touching anything, what would leave the catalogue
 * pointing at nothing or at the wrong file: a source missing on disk, a destination
 * folder that does not exist, a destination that exists already, a copy onto itself.
 * rm drops entries only; the files are never touched. A copy shares the source's
 * metadata rows.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "paths.h"
#include "result_words.h"
#include "sidecars.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

enum class Kind { Move, Copy };

struct Transfer {
    std::string from;
    std::string to;
    std::vector<std::pair<std::string, std::string>> sidecars; // from, to
};

/* A destination naming a folder (an existing one, or written with a trailing slash)
 * receives the file under its own name. */
std::string destinationPath(const std::string& argument, const std::string& source)
{
    std::error_code ec;
    std::string path = absolutePath(argument);
    bool intoFolder = (!argument.empty() && argument.back() == '/') || fs::is_directory(path, ec);
    return intoFolder ? (path == "/" ? "" : path) + "/" + fileName(source) : path;
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool existsOnDisk(const std::string& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

/* Why the transfer must not happen; empty when it may. */
std::string refusal(Catalogue& catalogue, const Transfer& t, bool entryOnly)
{
    std::error_code ec;
    if (!isCatalogued(catalogue, t.from))
        return resultWords(KAVDB_E_NOT_FOUND);
    if (fs::weakly_canonical(t.from, ec) == fs::weakly_canonical(t.to, ec))
        return "the source and the destination are the same file";
    if (!fs::is_directory(parentFolder(t.to), ec))
        return "the destination folder " + parentFolder(t.to) + " does not exist";
    if (isCatalogued(catalogue, t.to))
        return "the destination is already catalogued";
    if (entryOnly)
        return isFile(t.to) ? "" : "no file at the destination (move or copy it first)";
    if (!isFile(t.from))
        return "the file is not on disk (with --entry-only the entry alone follows a file "
               "moved already)";
    if (existsOnDisk(t.to))
        return "the destination exists already";
    for (const auto& [from, to] : t.sidecars)
        if (existsOnDisk(to))
            return "its sidecar's destination " + to + " exists already";
    return "";
}

/* Moves or copies one file on disk; a move across file systems is a copy and a removal. */
void transferFile(Kind kind, const std::string& from, const std::string& to)
{
    if (kind == Kind::Copy) {
        fs::copy_file(from, to, fs::copy_options::none);
        return;
    }
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec == std::errc::cross_device_link) {
        fs::copy_file(from, to, fs::copy_options::none);
        fs::remove(from);
    } else if (ec) {
        throw fs::filesystem_error("cannot move the file", from, to, ec);
    }
}

/* Puts the disk back as it was after the entry could not follow. */
void undoFile(Kind kind, const std::string& from, const std::string& to)
{
    std::error_code ec;
    if (kind == Kind::Copy)
        fs::remove(to, ec);
    else
        fs::rename(to, from, ec);
}

int transfer(const GlobalOptions& global, const TransferOptions& options, Kind kind)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Write);
    if (!catalogue)
        return kExitUsage;
    Transfer t{absolutePath(options.from), "", {}};
    t.to = destinationPath(options.to, t.from);
    if (!options.entryOnly)
        for (const std::string& sidecar : sidecarsOf(t.from))
            t.sidecars.emplace_back(sidecar, sidecarFor(sidecar, t.from, t.to));
    std::string why = refusal(*catalogue, t, options.entryOnly);
    if (!why.empty()) {
        report(t.from + " -> " + t.to, why);
        return kExitSomeFailed;
    }
    try {
        if (!options.entryOnly)
            transferFile(kind, t.from, t.to);
    } catch (const fs::filesystem_error& e) {
        report(t.from + " -> " + t.to, e.code().message());
        return kExitSomeFailed;
    }
    Outcome outcome = kind == Kind::Move ? catalogue->moveFile(t.from, t.to, !options.resetMark)
                                         : catalogue->copyFile(t.from, t.to, !options.resetMark);
    if (!outcome.ok()) {
        if (!options.entryOnly)
            undoFile(kind, t.from, t.to);
        report(t.from + " -> " + t.to, "the entry cannot follow: " + outcome.words());
        return kExitSomeFailed;
    }
    bool ok = true;
    for (const auto& [from, to] : t.sidecars) {
        try {
            transferFile(kind, from, to);
        } catch (const fs::filesystem_error& e) {
            report(from + " -> " + to, "the sidecar stayed: " + e.code().message());
            ok = false;
        }
    }
    return ok ? kExitOk : kExitSomeFailed;
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
    return transfer(global, options, Kind::Move);
}

int runCopy(const GlobalOptions& global, const TransferOptions& options)
{
    return transfer(global, options, Kind::Copy);
}

int runRemove(const GlobalOptions& global, const RemoveOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Write);
    if (!catalogue)
        return kExitUsage;
    bool ok = true;
    for (const std::string& target : options.targets)
        ok = removeOne(*catalogue, absolutePath(target)) && ok;
    return ok ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
