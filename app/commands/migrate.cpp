/*
 * `kavdb migrate SRC DST`: the library's catalogue copy, between a catalogue file, a
 * server URI and a link file in any pairing; a progress line per table on a terminal,
 * then the library's verification, one line per table, on standard output.
 */
#include "catalogue_location.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "progress.h"

#include <cstdio>
#include <memory>

namespace kavdb::commands {
namespace {

/* The progress line of the table being copied; a new table starts a new line. */
class TableProgress {
  public:
    explicit TableProgress(bool drawn) : drawn_(drawn) {}

    void operator()(const std::string& table, int64_t done, int64_t total)
    {
        if (!line_ || table != table_) {
            line_ = std::make_unique<Progress>(stderr, drawn_, static_cast<std::size_t>(total),
                                               "copying " + table, "rows");
            table_ = table;
            shown_ = 0;
        }
        line_->advance(static_cast<std::size_t>(done - shown_));
        shown_ = done;
    }
    void finish() { line_.reset(); }

  private:
    bool drawn_;
    std::unique_ptr<Progress> line_;
    std::string table_;
    int64_t shown_ = 0;
};

} // namespace

int runMigrate(const GlobalOptions& global, const MigrateOptions& options)
{
    const std::string source = cataloguePath(options.source);
    const std::string destination = cataloguePath(options.destination);
    for (const std::string& path : {source, destination}) {
        if (!acceptableCatalogueName(path)) {
            report(path, "a catalogue file name must contain \".mdb\"");
            return kExitUsage;
        }
    }
    TableProgress progress(progressWanted(global.quiet, fileno(stderr)));
    std::vector<std::string> lines;
    Outcome outcome = copyCatalogue(source, destination, lines, std::ref(progress));
    progress.finish();
    printLines(lines);
    if (outcome.is(KAVDB_E_NOT_FOUND)) {
        report(source, "no catalogue here");
        return kExitUsage;
    }
    if (outcome.is(KAVDB_E_ALREADY_EXISTS)) {
        report(destination, "already holds a catalogue with rows; nothing was copied");
        return kExitSomeFailed;
    }
    if (!outcome.ok()) {
        report(destination, "not copied: " + outcome.words());
        return kExitSomeFailed;
    }
    if (!global.quiet)
        std::printf("copied %s to %s\n", source.c_str(), destination.c_str());
    return kExitOk;
}

} // namespace kavdb::commands
