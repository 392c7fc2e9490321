/*
 * Reading a select for its parts (see select_reader.h): the top-level clause keywords
 * are found on tokens, so nothing inside parentheses or literals counts.
 */
#include "store/engine/select_reader.h"

#include "store/engine/jet/lexer.h"

#include <algorithm>

namespace kavdb::engine {

namespace {

using Range = std::pair<std::size_t, std::size_t>;

std::string text(const Tokens& t, Range r)
{
    std::string out;
    for (std::size_t i = r.first; i < r.second; ++i) {
        out += t[i].text;
    }
    std::size_t first = out.find_first_not_of(" \t\r\n");
    std::size_t last = out.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? "" : out.substr(first, last - first + 1);
}

/* A select list that yields one row per table row (no aggregate, no window) and holds no
 * parameter, whose value the derived statements would not bind. */
bool rowWiseList(const Tokens& t, Range r)
{
    for (std::size_t i = r.first; i < r.second; ++i) {
        std::size_t open = nextSignificant(t, i + 1, r.second);
        bool call = open < r.second && isPunct(t[open], "(");
        if (isKeyword(t[i], "OVER") || isPunct(t[i], "?") ||
            (call && isKeywordIn(t[i], {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL",
                                        "GROUP_CONCAT", "STRING_AGG"}))) {
            return false;
        }
    }
    return true;
}

/* table [[AS] alias] and nothing else. */
bool singleTable(const Tokens& t, Range r, SelectParts& s)
{
    auto isName = [&](std::size_t i) {
        return i < r.second && (t[i].kind == Tok::Word || t[i].kind == Tok::Ident);
    };
    std::size_t i = nextSignificant(t, r.first, r.second);
    if (!isName(i)) {
        return false;
    }
    std::size_t end = i + 2 < r.second && isPunct(t[i + 1], ".") && isName(i + 2) ? i + 3 : i + 1;
    s.table = text(t, {i, end}); // schema.table as written
    s.tableName = identName(t[end - 1]);
    std::size_t j = nextSignificant(t, end, r.second);
    if (j < r.second && isKeyword(t[j], "AS")) {
        j = nextSignificant(t, j + 1, r.second);
    }
    if (isName(j) && !isKeywordIn(t[j], {"JOIN", "NATURAL", "LEFT", "RIGHT", "INNER", "CROSS",
                                         "FULL", "OUTER", "ON", "USING", "INDEXED", "NOT"})) {
        j = nextSignificant(t, j + 1, r.second);
    }
    return j == r.second;
}

/* ORDER BY terms that do not name result columns by position. */
bool namedOrder(const Tokens& t, Range r)
{
    bool termStart = true;
    int depth = 0;
    for (std::size_t i = r.first; i < r.second; ++i) {
        if (t[i].kind == Tok::Space) {
            continue;
        }
        if (termStart && depth == 0 && t[i].kind == Tok::Number) {
            return false;
        }
        depth += isPunct(t[i], "(") ? 1 : isPunct(t[i], ")") ? -1 : 0;
        termStart = depth == 0 && isPunct(t[i], ",");
    }
    return true;
}

/* Positions of the top-level SELECT, FROM, WHERE, ORDER and LIMIT (end when absent);
 * false when any other clause, a compound or a repeated keyword stands at the top. */
bool findClauses(const Tokens& t, std::size_t (&at)[5])
{
    static constexpr std::string_view words[5] = {"SELECT", "FROM", "WHERE", "ORDER", "LIMIT"};
    std::fill(std::begin(at), std::end(at), t.size());
    int depth = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        depth += isPunct(t[i], "(") ? 1 : isPunct(t[i], ")") ? -1 : 0;
        if (depth != 0 || t[i].kind != Tok::Word) {
            continue;
        }
        auto w = std::find_if(std::begin(words), std::end(words),
                              [&](std::string_view word) { return isKeyword(t[i], word); });
        if (w != std::end(words) ? at[w - words] != t.size()
                                 : isKeywordIn(t[i], {"GROUP", "HAVING", "WINDOW", "UNION",
                                                      "INTERSECT", "EXCEPT", "VALUES"})) {
            return false;
        }
        if (w != std::end(words)) {
            at[w - words] = i;
        }
    }
    // SELECT first, then FROM, then those of the others present in their order.
    std::size_t last = at[0];
    for (std::size_t k = 1; k < 5; ++k) {
        if (at[k] < t.size() && at[k] < last) {
            return false;
        }
        last = at[k] < t.size() ? at[k] : last;
    }
    return nextSignificant(t, 0, t.size()) == at[0] && at[1] < t.size();
}

} // namespace

SelectParts readSelect(const std::string& sql)
{
    SelectParts s;
    Tokens t = tokenize(sql, Flavor::Sqlite);
    std::size_t at[5];
    if (!findClauses(t, at)) {
        return s;
    }
    const std::size_t end = t.size(), from = at[1], where = at[2], order = at[3], limit = at[4];
    std::size_t list = nextSignificant(t, at[0] + 1, end);
    if (list < end && isKeyword(t[list], "DISTINCT")) {
        return s;
    }
    list += list < end && isKeyword(t[list], "ALL") ? 1 : 0;
    std::size_t by = order < end ? nextSignificant(t, order + 1, end) : end;
    if (order < end && (by == end || !isKeyword(t[by], "BY"))) {
        return s;
    }
    Range fromClause{from + 1, std::min({where, order, limit})};
    Range orderTerms{order < end ? by + 1 : end, limit};
    if (!rowWiseList(t, {list, from}) || !singleTable(t, fromClause, s) ||
        !namedOrder(t, orderTerms) || text(t, {list, from}).empty()) {
        return s;
    }
    s.list = text(t, {list, from});
    s.from = text(t, fromClause);
    s.where = where < end ? " " + text(t, {where, std::min(order, limit)}) : "";
    s.orderBy = text(t, orderTerms);
    s.limit = limit < end ? " " + text(t, {limit, end}) : "";
    s.keyed = true;
    return s;
}

std::string reselect(const SelectParts& s, const std::string& columns, const char* key,
                     bool keyOrder)
{
    std::string order = keyOrder && !s.orderBy.empty() ? s.orderBy + ", " + key
                        : keyOrder                     ? std::string(key)
                                                       : s.orderBy;
    return "SELECT " + columns + " FROM " + s.from + s.where +
           (order.empty() ? "" : " ORDER BY " + order) + s.limit;
}

std::string rowByKey(const SelectParts& s, const char* key)
{
    return "SELECT " + s.list + " FROM " + s.from + " WHERE " + key + " = ?";
}

} // namespace kavdb::engine
