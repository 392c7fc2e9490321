/*
 * `kavdb check [--repair]` and `kavdb backup DEST`: the library's catalogue check and
 * its verified backup, their findings printed one per line on standard output.
 */
#include "commands/commands.h"
#include "commands/session.h"
#include "paths.h"

#include <cstdio>

namespace kavdb::commands {

int runCheck(const GlobalOptions& global, const CheckOptions& options)
{
    std::unique_ptr<Catalogue> catalogue =
        openCatalogue(global, options.repair ? Access::Write : Access::Read);
    if (!catalogue)
        return kExitUsage;
    std::vector<std::string> lines;
    int32_t problems = 0;
    Outcome outcome = catalogue->check(options.repair, lines, problems);
    printLines(lines);
    if (!outcome.ok()) {
        report("the check could not be completed: " + outcome.words());
        return kExitSomeFailed;
    }
    if (problems == 0)
        std::printf("%s\n", options.repair ? "nothing left to repair" : "no problems found");
    else
        std::printf("%d problem%s found\n", problems, problems == 1 ? "" : "s");
    return problems == 0 ? kExitOk : kExitSomeFailed;
}

int runBackup(const GlobalOptions& global, const BackupOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    const std::string destination = absolutePath(options.destination);
    std::vector<std::string> lines;
    Outcome outcome = catalogue->backup(destination, lines);
    printLines(lines);
    if (outcome.is(KAVDB_E_ALREADY_EXISTS)) {
        report(destination, "already exists; a backup never overwrites a file");
        return kExitSomeFailed;
    }
    if (!outcome.ok()) {
        report(destination, "no backup: " + outcome.words());
        return kExitSomeFailed;
    }
    if (!global.quiet)
        std::printf("backup written to %s\n", destination.c_str());
    return kExitOk;
}

} // namespace kavdb::commands
