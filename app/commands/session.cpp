/*
 * Opening the catalogue and reporting (session.h).
 */
#include "commands/session.h"

#include "catalogue_location.h"

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

std::unique_ptr<Catalogue> openCatalogue(const GlobalOptions& global, bool create)
{
    const std::string path = cataloguePath(global.db);
    if (!acceptableCatalogueName(path)) {
        report(path, "a catalogue file name must contain \".mdb\"");
        return nullptr;
    }
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        if (!create) {
            report(path, "no catalogue here yet (run \"kavdb add FOLDER\" first, or give --db)");
            return nullptr;
        }
        fs::create_directories(fs::path(path).parent_path(), ec);
    }
    Outcome outcome;
    std::unique_ptr<Catalogue> catalogue = Catalogue::open(path, outcome);
    if (!catalogue)
        report(path, "cannot open the catalogue: " + outcome.words());
    return catalogue;
}

int statementExitCode(const Outcome& outcome)
{
    switch (static_cast<uint32_t>(outcome.code)) {
    case 0x80070057u: // statement refused before it ran
    case 0x80004003u: // statement the engine could not open
    case 0x80040E14u: // syntax
    case 0x80040E37u: // no such table
    case 0x80040E10u: // no such column
    case 0x800A0CC1u: // no such column in the result
        return kExitUsage;
    default:
        return kExitSomeFailed;
    }
}

bool isCatalogued(Catalogue& catalogue, const std::string& path)
{
    std::string comment;
    return catalogue.readComment(path, comment).ok();
}

} // namespace kavdb::commands
