/*
 * `kavdb dupes [FOLDER...]`: identical files and similar pictures among the catalogued
 * photos (or those under the folders), from the fingerprints `add` stored, printed as
 * groups: a heading line and the paths, a blank line between groups; or as JSON.
 * Photos catalogued before fingerprints existed are counted and named as such: `add
 * --force` reads them again.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/output.h"
#include "commands/session.h"
#include "duplicates.h"
#include "fingerprint.h"
#include "json.h"
#include "paths.h"
#include "photo_items.h"
#include "sql_rows.h"

#include <cstdio>

namespace kavdb::commands {
namespace {

/* Every fingerprinted file (path, content hash, perceptual hashes). */
Outcome readFingerprints(Catalogue& catalogue, int table, std::vector<FingerprintedFile>& out)
{
    const std::string link = "MainTable.DataID" + std::to_string(table);
    const std::string fp = std::string(kFingerprintTable) + ".";
    const std::string select =
        "SELECT PathTable.Pathname, MainTable.Filename, " + fp + kContentHashItem + ", " + fp +
        kImageHashItem + ", " + fp + kDetailHashItem + " FROM MainTable, PathTable, " +
        kFingerprintTable + " WHERE MainTable.PathID = PathTable.PathID AND " + link + " = " + fp +
        "DataID AND " + fp + kContentHashItem + " IS NOT NULL";
    PackedSelect packed = packSelect(select, KnownSchema{});
    std::vector<std::string> rows;
    Outcome outcome = catalogue.fileList(packed.sql, true, rows);
    for (const std::string& row : rows) {
        std::vector<std::optional<std::string>> columns = unpackRow(row);
        if (columns.size() != 5 || !columns[0] || !columns[1] || !columns[2])
            continue;
        out.push_back({*columns[0] + *columns[1], *columns[2],
                       columns[3] ? parseHashText(*columns[3]) : std::nullopt,
                       columns[4] ? parseHashWords(*columns[4]) : std::vector<uint64_t>{}});
    }
    return outcome;
}

bool inScope(const std::string& path, const std::vector<std::string>& folders)
{
    if (folders.empty())
        return true;
    for (const std::string& folder : folders)
        if (folderWithin(folderKey(parentFolder(path)), folder))
            return true;
    return false;
}

void printGroups(const std::vector<DuplicateGroup>& groups, const DupesOptions& options)
{
    if (options.output.json) {
        JsonWriter json;
        json.beginObject().key("groups").beginArray();
        for (const DuplicateGroup& group : groups) {
            json.beginObject().key("kind").value(group.identical ? "identical" : "similar");
            json.key("paths").beginArray();
            for (const std::string& path : group.paths)
                json.value(path);
            json.endArray().endObject();
        }
        printJson(json.endArray().endObject().take());
        return;
    }
    for (const DuplicateGroup& group : groups) {
        if (&group != &groups.front())
            std::printf("\n");
        std::printf("%s: %zu files\n", group.identical ? "identical" : "similar",
                    group.paths.size());
        for (const std::string& path : group.paths)
            std::printf("  %s\n", path.c_str());
    }
}

} // namespace

int runDupes(const GlobalOptions& global, const DupesOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    const int table = tableNumber(configuration(), kFingerprintTable);
    if (table == 0) {
        report("kadb.ini configures no Fingerprint table: duplicates cannot be found");
        return kExitUsage;
    }
    std::vector<std::string> folders;
    for (const std::string& folder : options.folders)
        folders.push_back(absolutePath(folder));
    std::vector<FingerprintedFile> files;
    Outcome outcome = readFingerprints(*catalogue, table, files);
    if (!outcome.ok()) {
        report("cannot read the fingerprints: " + outcome.words() +
               " (a catalogue from an earlier kavdb gets them from add)");
        return kExitSomeFailed;
    }
    std::erase_if(files, [&](const FingerprintedFile& f) { return !inScope(f.path, folders); });
    printGroups(findDuplicates(files, options.distance), options);
    return kExitOk;
}

} // namespace kavdb::commands
