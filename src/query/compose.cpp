/*
 * Query composition (see compose.h). Every test for "already present" is a plain,
 * case-sensitive substring test, so a table named DataTable1 counts as listed when only
 * DataTable10 is; the application's SQL is neither checked nor quoted here.
 */
#include "query/compose.h"

#include "store/config.h"

#include <array>
#include <string_view>

namespace kavdb::query {

namespace {

constexpr std::string_view kWhere = " WHERE ";
constexpr std::string_view kFrom = "FROM ";

constexpr std::array<std::string_view, 4> kFolderJoinSpellings = {
    "PathTable.PathID=MainTable.PathID", "PathTable.PathID = MainTable.PathID",
    "MainTable.PathID=PathTable.PathID", "MainTable.PathID = PathTable.PathID"};

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

/* The caller's table list and condition; E_INVALIDARG without both keywords in order. */
HResult splitStatement(std::string_view statement, std::string_view& tables,
                       std::string_view& condition)
{
    auto where = statement.find(kWhere);
    auto from = statement.find(kFrom);
    if (where == std::string_view::npos || from == std::string_view::npos ||
        from + kFrom.size() > where) {
        return E_INVALIDARG;
    }
    tables = statement.substr(from + kFrom.size(), where - from - kFrom.size());
    condition = statement.substr(where + kWhere.size());
    if (tables.size() > kTableListMax || condition.size() > kConditionMax) {
        return E_INVALIDARG;
    }
    return S_OK;
}

/* Appends the join of metadata table k (named name) unless the condition spells it. */
HResult addMetaJoin(int k, const std::string& name, std::string_view condition,
                    std::string& composed)
{
    std::string link = "MainTable.DataID" + std::to_string(k);
    std::array<std::string, 4> spellings = {link + "=" + name + ".DataID",
                                            link + " = " + name + ".DataID",
                                            name + ".DataID=" + link, name + ".DataID = " + link};
    for (const auto& s : spellings) {
        if (s.size() > kJoinTextMax) {
            return E_INVALIDARG;
        }
        if (contains(condition, s)) {
            return S_OK;
        }
    }
    composed += " AND (" + spellings[0] + ")";
    return S_OK;
}

HResult addMetaJoins(const store::Config& config, std::string_view tables,
                     std::string_view condition, std::string& composed)
{
    if (!config.found()) {
        return E_FAIL;
    }
    for (int k = 1;; ++k) {
        std::string name = config.tableName(k);
        if (name.empty()) {
            return S_OK;
        }
        if (!contains(tables, name)) {
            continue;
        }
        HResult hr = addMetaJoin(k, name, condition, composed);
        if (hr < 0) {
            return hr;
        }
    }
}

} // namespace

HResult kaComposeQuery(const store::Config& config, const char* statement, std::string& composed)
{
    composed.clear();
    if (statement == nullptr || *statement == '\0') {
        return E_INVALIDARG;
    }
    std::string_view tables;
    std::string_view condition;
    HResult hr = splitStatement(statement, tables, condition);
    if (hr < 0) {
        return hr;
    }
    std::string out = "SELECT PathTable.Pathname, MainTable.Filename FROM ";
    out += tables;
    for (std::string_view base : {"MainTable", "PathTable"}) {
        if (!contains(tables, base)) {
            out.append(", ").append(base);
        }
    }
    out.append(kWhere).append(condition);
    bool joined = false;
    for (auto spelling : kFolderJoinSpellings) {
        joined = joined || contains(out, spelling);
    }
    if (!joined) {
        out.append(" AND (").append(kFolderJoinSpellings[0]).append(")");
    }
    if ((hr = addMetaJoins(config, tables, condition, out)) < 0) {
        return hr;
    }
    if (out.size() > store::kSqlMax) {
        return E_INVALIDARG;
    }
    composed = std::move(out);
    return S_OK;
}

} // namespace kavdb::query
