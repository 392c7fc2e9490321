/*
 * `kavdb search`: the library's search with a statement of its form (search_query.h),
 * its text index (--text) and its place index (--near), each filter narrowing the others.
 * Paths come best first for a text, nearest first for a place, else in path order.
 */
#include "commands/commands.h"
#include "commands/output.h"
#include "commands/session.h"
#include "json.h"
#include "search_filters.h"
#include "search_query.h"

#include <algorithm>
#include <climits>

namespace kavdb::commands {
namespace {

/* The request's date and place filters read from the options; false (reported) when one
 * is malformed. */
bool readFilters(const SearchOptions& options, SearchRequest& request,
                 std::optional<Position>& near, double& metres)
{
    for (auto [text, end, name] :
         {std::tuple{&options.from, false, "--from"}, std::tuple{&options.to, true, "--to"}}) {
        if (text->empty())
            continue;
        std::optional<std::string> bound = dateBound(*text, end);
        if (!bound) {
            report(std::string(name) + " takes a date: YYYY-MM-DD or \"YYYY-MM-DD HH:MM:SS\"");
            return false;
        }
        (end ? request.takenTo : request.takenFrom) = *bound;
    }
    if (options.near.empty())
        return true;
    near = parsePosition(options.near);
    std::optional<double> distance = parseDistance(options.within);
    if (!near)
        report("--near takes LAT,LON in signed degrees, e.g. 43.296,5.370");
    else if (!distance)
        report("--within takes a distance: 10km, 500m");
    metres = distance.value_or(0);
    return near && distance;
}

/* A failed index search in words (a missing index says how to make it). */
void reportIndexFailure(const char* index, const Outcome& outcome)
{
    if (outcome.is(KAVDB_E_NO_SUCH_TABLE))
        report(std::string("the catalogue has no ") + index +
               " index yet: \"kavdb check --repair\" (or any command that writes) makes it");
    else
        report(std::string(index) + " search failed: " + outcome.words());
}

int searchFailed(const Outcome& outcome)
{
    report("search failed: " + outcome.words());
    return statementExitCode(outcome);
}

int32_t libraryLimit(std::size_t limit)
{
    return limit > INT32_MAX ? 0 : static_cast<int32_t>(limit);
}

int printCount(const SearchOptions& options, int64_t n)
{
    JsonWriter json;
    bool asJson = options.output.json || options.output.ndjson;
    printLine(asJson ? json.beginObject().key("count").value(n).endObject().take()
                     : std::to_string(n),
              OutputOptions{});
    return kExitOk;
}

int printResult(const SearchOptions& options, std::vector<std::string>& paths)
{
    if (options.count)
        return printCount(options, static_cast<int64_t>(paths.size()));
    if (options.limit > 0 && paths.size() > options.limit)
        paths.resize(options.limit);
    printPaths(paths, options.output);
    return kExitOk;
}

} // namespace

int runSearch(const GlobalOptions& global, const SearchOptions& options)
{
    if (!options.statement.empty() && !options.where.empty()) {
        report("give either a statement or --where CONDITION, not both");
        return kExitUsage;
    }
    SearchRequest request{options.statement, options.where, options.table, options.keywords};
    std::optional<Position> near;
    double metres = 0;
    if (!readFilters(options, request, near, metres))
        return kExitUsage;
    const bool bySql = hasCondition(request);
    SearchStatement search;
    if (bySql || (options.text.empty() && !near)) {
        search = composeSearch(request);
        if (search.sql.empty()) {
            report(search.error + ", --text WORDS, --from/--to DATE or --near LAT,LON");
            return kExitUsage;
        }
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    // The library may stop at the limit only when nothing else narrows its list.
    const bool alone = (bySql ? 1 : 0) + (options.text.empty() ? 0 : 1) + (near ? 1 : 0) == 1;
    const int32_t limit = alone && !options.count ? libraryLimit(options.limit) : 0;
    std::vector<std::vector<std::string>> lists;
    if (!options.text.empty()) {
        lists.emplace_back();
        Outcome outcome = catalogue->searchText(options.text, limit, lists.back());
        if (!outcome.ok())
            return reportIndexFailure("text", outcome), kExitSomeFailed;
    }
    if (near) {
        lists.emplace_back();
        Outcome outcome =
            catalogue->searchPlace(near->latitude, near->longitude, metres, limit, lists.back());
        if (!outcome.ok())
            return reportIndexFailure("place", outcome), kExitSomeFailed;
    }
    if (bySql && alone && options.count) { // the library counts the matching rows itself
        int32_t n = 0;
        Outcome outcome = catalogue->count(search.sql, n);
        if (!outcome.ok())
            return searchFailed(outcome);
        return printCount(options, n);
    }
    if (bySql) {
        std::vector<std::string> paths;
        Outcome outcome = catalogue->query(search.sql, paths);
        if (!outcome.ok())
            return searchFailed(outcome);
        std::sort(paths.begin(), paths.end());
        paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
        lists.push_back(std::move(paths));
    }
    std::vector<std::string> ranked = std::move(lists.front());
    lists.erase(lists.begin());
    std::vector<std::string> paths = lists.empty() ? std::move(ranked) : keepListed(ranked, lists);
    return printResult(options, paths);
}

} // namespace kavdb::commands
