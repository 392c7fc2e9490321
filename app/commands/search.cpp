/*
 * `kavdb search`: hands the library's search a statement of its form (search_query.h)
 * and prints the matching paths, sorted and each once, or their number.
 */
#include "commands/commands.h"
#include "commands/output.h"
#include "commands/session.h"
#include "json.h"
#include "search_query.h"

#include <algorithm>

namespace kavdb::commands {

int runSearch(const GlobalOptions& global, const SearchOptions& options)
{
    if (!options.statement.empty() && !options.where.empty()) {
        report("give either a statement or --where CONDITION, not both");
        return kExitUsage;
    }
    SearchStatement search =
        composeSearch({options.statement, options.where, options.table, options.keywords});
    if (search.sql.empty()) {
        report(search.error);
        return kExitUsage;
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    std::vector<std::string> paths;
    int32_t count = 0;
    Outcome outcome =
        options.count ? catalogue->count(search.sql, count) : catalogue->query(search.sql, paths);
    if (!outcome.ok()) {
        report("search failed: " + outcome.words());
        return statementExitCode(outcome);
    }
    if (options.count) {
        JsonWriter json;
        bool asJson = options.output.json || options.output.ndjson;
        printLine(asJson ? json.beginObject().key("count").value(count).endObject().take()
                         : std::to_string(count),
                  OutputOptions{});
        return kExitOk;
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    if (options.limit > 0 && paths.size() > options.limit)
        paths.resize(options.limit);
    printPaths(paths, options.output);
    return kExitOk;
}

} // namespace kavdb::commands
