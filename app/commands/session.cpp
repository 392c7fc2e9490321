/*
 * Opening the catalogue and reporting (session.h).
 */
#include "commands/session.h"

#include "catalogue_columns.h"
#include "catalogue_indexes.h"
#include "catalogue_listing.h"
#include "catalogue_location.h"
#include "moved_entries.h"
#include "paths.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {

void report(const std::string& subject, const std::string& reason)
{
    std::fprintf(stderr, "kavdb: %s: %s\n", subject.c_str(), reason.c_str());
}

void report(const std::string& message)
{
    std::fprintf(stderr, "kavdb: %s\n", message.c_str());
}

void printLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
}

std::unique_ptr<Catalogue> openCatalogue(const GlobalOptions& global, Access access)
{
    const std::string path = cataloguePath(global.db);
    if (!acceptableCatalogueName(path)) {
        report(path, "a catalogue file name must contain \".mdb\"");
        return nullptr;
    }
    std::error_code ec;
    // A server catalogue's existence is its server's to tell, when it is opened.
    if (!isServerUri(path) && !fs::exists(path, ec)) {
        if (access != Access::Create) {
            report(path, "no catalogue here yet (run \"kavdb add FOLDER\" first, or give --db)");
            return nullptr;
        }
        fs::create_directories(fs::path(path).parent_path(), ec);
    }
    Outcome outcome;
    std::unique_ptr<Catalogue> catalogue = Catalogue::open(path, outcome);
    if (!catalogue) {
        report(path, "cannot open the catalogue: " + outcome.words());
        return nullptr;
    }
    if (access != Access::Read) {
        const std::vector<ConfiguredItem> items = configuration();
        Outcome upgraded = addMissingColumns(*catalogue, items);
        if (!upgraded.ok()) {
            report(path, "cannot add the configured items to the catalogue: " + upgraded.words());
            return nullptr;
        }
        indexContentHashes(*catalogue);
        Outcome indexed = ensureIndexes(*catalogue, items);
        if (!indexed.ok()) {
            report(path, "cannot make the catalogue's text and place indexes: " + indexed.words());
            return nullptr;
        }
    }
    return catalogue;
}

std::vector<ConfiguredItem> configuration()
{
    std::vector<ConfiguredItem> configured;
    readConfiguration(configured);
    return configured;
}

int statementExitCode(const Outcome& outcome)
{
    switch (outcome.code) {
    case E_INVALIDARG:            // statement refused before it ran
    case E_POINTER:               // statement the engine could not open
    case KAVDB_E_SYNTAX:          // syntax
    case KAVDB_E_NO_SUCH_TABLE:   // no such table
    case KAVDB_E_UNKNOWN_COLUMN:  // no such column
    case KAVDB_E_FIELD_NOT_FOUND: // no such column in the result
        return kExitUsage;
    default:
        return kExitSomeFailed;
    }
}

bool foldersInScope(Catalogue& catalogue, const std::string& folder, std::vector<std::string>& out)
{
    if (folder.empty()) {
        cataloguedFolders(catalogue, out);
        return true;
    }
    cataloguedFoldersWithin(catalogue, absolutePath(folder), out);
    if (out.empty())
        report(absolutePath(folder), "no catalogued folder here");
    return !out.empty();
}

bool isCatalogued(Catalogue& catalogue, const std::string& path)
{
    std::string comment;
    return catalogue.readComment(path, comment).ok();
}

} // namespace kavdb::commands
