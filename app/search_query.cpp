/*
 * Composing the search statement (search_query.h).
 */
#include "search_query.h"

#include "sql_text.h"

namespace kavdb {
namespace {

constexpr const char* kKeywordTable = "Caption";
constexpr const char* kDateTable = "ExifInfo";
constexpr const char* kDateItem = "ExifInfo.DateTaken";

struct Parts {
    std::string tables;
    std::string condition;
};

/* The tables and condition of a full statement; false when it is not of the form. */
bool splitStatement(const std::string& statement, Parts& parts, std::string& error)
{
    std::size_t from = sqltext::findKeyword(statement, "FROM");
    std::size_t where = sqltext::findKeyword(statement, "WHERE", from);
    if (sqltext::firstWord(statement) != "SELECT" || from == sqltext::npos ||
        where == sqltext::npos) {
        error = "a search reads SELECT * FROM <tables> WHERE <condition>";
        return false;
    }
    parts.tables = sqltext::trimmed(statement.substr(from + 4, where - from - 4));
    parts.condition = sqltext::trimmed(statement.substr(where + 5));
    return true;
}

bool listsTable(const std::string& tables, const std::string& table)
{
    for (const std::string& listed : sqltext::splitTopLevel(tables))
        if (sqltext::firstWord(listed) == sqltext::firstWord(table))
            return true;
    return false;
}

/* Adds table to the list unless it is there already. */
void addTable(std::string& tables, const std::string& table)
{
    if (!listsTable(tables, table))
        tables += tables.empty() ? table : ", " + table;
}

} // namespace

bool hasCondition(const SearchRequest& request)
{
    return !request.statement.empty() || !request.where.empty() || !request.keywords.empty() ||
           !request.takenFrom.empty() || !request.takenTo.empty();
}

std::string keywordCondition(const std::string& keyword)
{
    // InStr ignores case; the list is "a; b; c", so each entry sits between "; " marks.
    return "InStr(\"; \" & " + std::string(kKeywordTable) + ".Keywords & \"; \", " +
           sqltext::literal("; " + sqltext::trimmed(keyword) + "; ") + ") > 0";
}

SearchStatement composeSearch(const SearchRequest& request)
{
    SearchStatement out;
    Parts parts;
    if (!request.statement.empty()) {
        if (!splitStatement(request.statement, parts, out.error))
            return out;
    } else if (!request.where.empty()) {
        parts = {request.table, sqltext::trimmed(request.where)};
    }
    if (sqltext::findKeyword(parts.condition, "ORDER BY") != sqltext::npos) {
        out.error = "search prints paths in path order and takes no ORDER BY; "
                    "use kavdb sql for sorted rows";
        return out;
    }
    std::vector<std::string> conditions;
    if (!parts.condition.empty())
        conditions.push_back(parts.condition);
    for (const std::string& keyword : request.keywords)
        conditions.push_back(keywordCondition(keyword));
    if (!request.takenFrom.empty())
        conditions.push_back(std::string(kDateItem) + " >= " + sqltext::literal(request.takenFrom));
    if (!request.takenTo.empty())
        conditions.push_back(std::string(kDateItem) + " <= " + sqltext::literal(request.takenTo));
    if (conditions.empty()) {
        out.error = "give a statement, --where CONDITION or --keyword WORD";
        return out;
    }
    if (!request.keywords.empty())
        addTable(parts.tables, kKeywordTable);
    if (!request.takenFrom.empty() || !request.takenTo.empty())
        addTable(parts.tables, kDateTable);
    out.sql = "SELECT * FROM " + parts.tables + " WHERE ";
    for (std::size_t i = 0; i < conditions.size(); ++i)
        out.sql += (i ? " AND (" : "(") + conditions[i] + ")";
    return out;
}

} // namespace kavdb
