/*
 * `kavdb search` and `kavdb sql`. search hands the application's Jet SQL to the library's
 * query composition (SELECT * FROM <tables> WHERE <condition>; the library adds the joins)
 * and prints the matching paths or their number. sql runs a statement as it stands:
 * SELECT statements print one line per row (full paths, or names when the statement
 * returns no Pathname column); anything else is executed.
 */
#include "commands/commands.h"
#include "commands/session.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kavdb::commands {
namespace {

/* The names-only retry is for statements whose rows have no Pathname column. */
constexpr HRESULT kNoSuchResultColumn = static_cast<HRESULT>(0x800A0CC1);

std::string statementOf(const SearchOptions& options)
{
    if (!options.statement.empty())
        return options.statement;
    return "SELECT * FROM " + options.table + " WHERE " + options.where;
}

bool composable(const std::string& statement)
{
    return statement.find("FROM ") != std::string::npos &&
           statement.find(" WHERE ") != std::string::npos;
}

bool startsWithSelect(const std::string& statement)
{
    auto first = statement.find_first_not_of(" \t\r\n(");
    if (first == std::string::npos || statement.size() - first < 6)
        return false;
    std::string word = statement.substr(first, 6);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return word == "SELECT";
}

void printLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
}

} // namespace

int runSearch(const GlobalOptions& global, const SearchOptions& options)
{
    if (options.statement.empty() == options.where.empty()) {
        report("give either a statement or --where CONDITION");
        return kExitUsage;
    }
    const std::string statement = statementOf(options);
    if (!composable(statement)) {
        report("a search reads SELECT ... FROM <tables> WHERE <condition>, with FROM and "
               "WHERE in capitals");
        return kExitUsage;
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    if (options.count) {
        int32_t n = 0;
        Outcome outcome = catalogue->count(statement, n);
        if (!outcome.ok()) {
            report("search failed: " + outcome.words());
            return statementExitCode(outcome);
        }
        std::printf("%d\n", n);
        return kExitOk;
    }
    std::vector<std::string> paths;
    Outcome outcome = catalogue->query(statement, paths);
    if (!outcome.ok()) {
        report("search failed: " + outcome.words());
        return statementExitCode(outcome);
    }
    printLines(paths);
    return kExitOk;
}

int runSql(const GlobalOptions& global, const SqlOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    Outcome outcome;
    if (startsWithSelect(options.statement)) {
        std::vector<std::string> rows;
        outcome = catalogue->fileList(options.statement, false, rows);
        if (outcome.is(kNoSuchResultColumn)) {
            rows.clear();
            outcome = catalogue->fileList(options.statement, true, rows);
        }
        if (outcome.ok())
            printLines(rows);
    } else {
        outcome = catalogue->execute(options.statement);
    }
    if (!outcome.ok()) {
        report("statement failed: " + outcome.words());
        return statementExitCode(outcome);
    }
    return kExitOk;
}

} // namespace kavdb::commands
