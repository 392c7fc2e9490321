/*
 * Packing a SELECT's columns into one text per row (sql_rows.h).
 */
#include "sql_rows.h"

#include "sql_text.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace kavdb {
namespace {

const std::string kColumnMark = "\x1F";
const std::string kNullMark = "\x1E";

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

struct Item {
    std::string expression;
    std::string alias; // the user's, or empty
    std::string name;  // shown
};

/* The leading words a select list follows: DISTINCT, DISTINCTROW, ALL, TOP n [PERCENT]. */
std::size_t listStart(const std::string& sql)
{
    static const std::regex head(
        R"(^\s*SELECT\s+((DISTINCTROW|DISTINCT|ALL)\s+)?(TOP\s+\d+\s+(PERCENT\s+)?)?)",
        std::regex::icase);
    std::smatch m;
    return std::regex_search(sql, m, head) ? static_cast<std::size_t>(m.length(0)) : 0;
}

/* Table (or alias) names of a FROM clause, with the table each stands for. */
std::vector<std::pair<std::string, std::string>> fromTables(const std::string& from)
{
    static const std::regex ref(
        R"((?:^|,|\bJOIN\b)\s*(\[[^\]]+\]|[A-Za-z_]\w*)(?:\s+(?:AS\s+)?([A-Za-z_]\w*))?)",
        std::regex::icase);
    static const std::set<std::string> notAliases = {"ON",    "INNER", "LEFT",  "RIGHT",
                                                     "OUTER", "JOIN",  "WHERE", "CROSS"};
    std::vector<std::pair<std::string, std::string>> tables;
    for (std::sregex_iterator it(from.begin(), from.end(), ref), end; it != end; ++it) {
        std::string table = (*it)[1].str();
        if (table.front() == '[')
            table = table.substr(1, table.size() - 2);
        std::string alias = (*it)[2].str();
        if (alias.empty() || notAliases.count(upper(alias)))
            alias = table;
        tables.emplace_back(alias, table);
    }
    return tables;
}

/* The FROM clause's text up to the next top-level clause. */
std::string fromClause(const std::string& tail)
{
    std::size_t end = tail.size();
    for (const char* word : {"WHERE", "GROUP BY", "HAVING", "ORDER BY", "UNION"})
        end = std::min(end, sqltext::findKeyword(tail, word));
    return tail.substr(0, end);
}

/* '*' or 'T.*' spelled out; false (error set) for a table kavdb does not know. */
bool spellOut(const std::string& star, const std::string& from, const KnownSchema& schema,
              std::vector<Item>& items, std::string& error)
{
    std::string only = star == "*" ? "" : upper(sqltext::trimmed(star.substr(0, star.size() - 2)));
    for (const auto& [alias, table] : fromTables(from)) {
        if (!only.empty() && upper(alias) != only)
            continue;
        auto known = schema.columns.find(upper(table));
        if (known == schema.columns.end()) {
            error = "kavdb cannot list the columns of " + table + " for '*'; name them";
            return false;
        }
        for (const std::string& column : known->second)
            items.push_back({alias + "." + column, "", column});
    }
    return true;
}

bool readItem(const std::string& text, const std::string& from, const KnownSchema& schema,
              std::vector<Item>& items, std::string& error)
{
    if (text == "*" || (text.size() > 2 && text.compare(text.size() - 2, 2, ".*") == 0))
        return spellOut(text, from, schema, items, error);
    Item item{text, "", text};
    std::size_t as = sqltext::findKeyword(text, "AS");
    if (as != sqltext::npos) {
        item.expression = sqltext::trimmed(text.substr(0, as));
        item.alias = sqltext::trimmed(text.substr(as + 2));
        item.name = item.alias;
        if (item.name.size() > 1 && item.name.front() == '[')
            item.name = item.name.substr(1, item.name.size() - 2);
    } else {
        sqltext::isColumnName(text, item.name);
    }
    items.push_back(item);
    return true;
}

std::string packedColumn(const Item& item, const std::string& alias, const KnownSchema& schema)
{
    std::string column;
    bool binary =
        sqltext::isColumnName(item.expression, column) && schema.binary.count(upper(column)) > 0;
    if (binary)
        return "IIf(" + alias + " IS NULL, '" + kNullMark + "', '<binary>')";
    return "Nz(CStr(" + alias + "), '" + kNullMark + "')";
}

} // namespace

PackedSelect packSelect(const std::string& select, const KnownSchema& schema)
{
    PackedSelect out;
    std::string sql = sqltext::trimmed(select);
    if (!sql.empty() && sql.back() == ';')
        sql = sqltext::trimmed(sql.substr(0, sql.size() - 1));
    std::size_t start = listStart(sql);
    std::size_t from = sqltext::findKeyword(sql, "FROM", start);
    std::string list = sql.substr(start, from == sqltext::npos ? std::string::npos : from - start);
    std::string tail = from == sqltext::npos ? "" : sql.substr(from);
    std::string fromText = tail.empty() ? "" : fromClause(tail.substr(4));
    std::vector<Item> items;
    for (const std::string& text : sqltext::splitTopLevel(list))
        if (!readItem(text, fromText, schema, items, out.error))
            return out;
    std::string inner = sql.substr(0, start);
    std::string packed;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string alias =
            items[i].alias.empty() ? "kavdb_c" + std::to_string(i + 1) : items[i].alias;
        inner += (i ? ", " : "") + items[i].expression + " AS " + alias;
        packed += (i ? " & '" + kColumnMark + "' & " : "") + packedColumn(items[i], alias, schema);
        out.columns.push_back(items[i].name);
    }
    out.sql = "SELECT " + packed + " AS Filename FROM (" + inner + " " + tail + ") AS kavdb_rows";
    return out;
}

std::vector<std::optional<std::string>> unpackRow(const std::string& packed)
{
    std::vector<std::optional<std::string>> columns;
    std::size_t start = 0;
    while (true) {
        std::size_t mark = packed.find(kColumnMark, start);
        std::string part =
            packed.substr(start, mark == std::string::npos ? std::string::npos : mark - start);
        columns.push_back(part == kNullMark ? std::nullopt : std::optional<std::string>(part));
        if (mark == std::string::npos)
            return columns;
        start = mark + 1;
    }
}

std::optional<std::string> changedRowsCount(const std::string& statement)
{
    std::string sql = sqltext::trimmed(statement);
    if (!sql.empty() && sql.back() == ';')
        sql.pop_back();
    std::string verb = sqltext::firstWord(sql);
    std::size_t where = sqltext::findKeyword(sql, "WHERE");
    std::string condition = where == sqltext::npos ? "" : " " + sql.substr(where);
    std::string body = sql.substr(0, where == sqltext::npos ? sql.size() : where);
    std::string tables;
    if (verb == "UPDATE") {
        std::size_t set = sqltext::findKeyword(body, "SET");
        if (set == sqltext::npos)
            return std::nullopt;
        tables = sqltext::trimmed(body.substr(6, set - 6));
    } else if (verb == "DELETE") {
        std::size_t from = sqltext::findKeyword(body, "FROM");
        if (from == sqltext::npos)
            return std::nullopt;
        tables = sqltext::trimmed(body.substr(from + 4));
    } else {
        return std::nullopt;
    }
    return "SELECT COUNT(*) AS Filename FROM " + tables + condition;
}

} // namespace kavdb
