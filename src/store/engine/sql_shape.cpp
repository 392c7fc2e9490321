/*
 * Reading a statement's shape: is it a plain select from one table, and if so, its parts
 * (select list, table, condition, order, limit) for the statements a keyset derives.
 */
#include "store/engine/sql_shape.h"

#include "store/engine/lexer.h"

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

bool isAnyKeyword(const Token& tok, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words) {
        if (isKeyword(tok, w)) {
            return true;
        }
    }
    return false;
}

/* A select list that yields one row per table row: no aggregate, no window. */
bool rowWiseList(const Tokens& t, Range r)
{
    for (std::size_t i = r.first; i < r.second; ++i) {
        if (isKeyword(t[i], "OVER")) {
            return false;
        }
        std::size_t open = nextSignificant(t, i + 1, r.second);
        if (open < r.second && isPunct(t[open], "(") &&
            isAnyKeyword(t[i], {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL", "GROUP_CONCAT",
                                "STRING_AGG"})) {
            return false;
        }
    }
    return true;
}

/* table [[AS] alias] and nothing else. */
bool singleTableFrom(const Tokens& t, Range r, SelectShape& s)
{
    auto isName = [&](std::size_t i) {
        return i < r.second && (t[i].kind == Tok::Word || t[i].kind == Tok::Ident);
    };
    std::size_t i = nextSignificant(t, r.first, r.second);
    if (!isName(i)) {
        return false;
    }
    std::size_t end = i + 1;
    if (end + 1 < r.second && isPunct(t[end], ".") && isName(end + 1)) {
        end += 2; // schema.table
    }
    s.table = text(t, {i, end});
    s.tableName = identName(t[end - 1]);
    std::size_t j = nextSignificant(t, end, r.second);
    if (j < r.second && isKeyword(t[j], "AS")) {
        j = nextSignificant(t, j + 1, r.second);
        if (!isName(j)) {
            return false;
        }
    }
    if (isName(j)) {
        if (isAnyKeyword(t[j], {"JOIN", "NATURAL", "LEFT", "RIGHT", "INNER", "CROSS", "FULL",
                                "OUTER", "ON", "USING", "INDEXED", "NOT"})) {
            return false;
        }
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

struct Clauses {
    std::size_t select = 0, from = 0, where = 0, order = 0, limit = 0, end = 0;
    bool other = false; // GROUP BY, HAVING, WINDOW or a compound
};

/* Positions of the top-level clause keywords (end when absent). */
Clauses findClauses(const Tokens& t)
{
    Clauses c;
    c.end = t.size();
    c.select = c.from = c.where = c.order = c.limit = c.end;
    int depth = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        depth += isPunct(t[i], "(") ? 1 : isPunct(t[i], ")") ? -1 : 0;
        if (depth != 0 || t[i].kind != Tok::Word) {
            continue;
        }
        std::size_t* slot = isKeyword(t[i], "SELECT")  ? &c.select
                            : isKeyword(t[i], "FROM")  ? &c.from
                            : isKeyword(t[i], "WHERE") ? &c.where
                            : isKeyword(t[i], "ORDER") ? &c.order
                            : isKeyword(t[i], "LIMIT") ? &c.limit
                                                       : nullptr;
        if (slot != nullptr && *slot == c.end) {
            *slot = i;
        } else if (slot != nullptr || isAnyKeyword(t[i], {"GROUP", "HAVING", "WINDOW", "UNION",
                                                          "INTERSECT", "EXCEPT", "VALUES"})) {
            c.other = true;
        }
    }
    return c;
}

bool inOrder(const Clauses& c)
{
    std::size_t whereEnd = c.order < c.end ? c.order : c.limit;
    return c.select < c.from && c.from < c.end && (c.where == c.end || c.where > c.from) &&
           (c.order == c.end || c.order > c.from) && (c.limit == c.end || c.limit > c.from) &&
           (c.where == c.end || c.where < whereEnd) && (c.order == c.end || c.order < c.limit);
}

std::string tail(const SelectShape& s, bool keyOrder)
{
    std::string out = " FROM " + s.from;
    if (!s.where.empty()) {
        out += " " + s.where;
    }
    if (keyOrder) {
        out += " ORDER BY " + (s.orderBy.empty() ? std::string("rowid") : s.orderBy + ", rowid");
    } else if (!s.orderBy.empty()) {
        out += " ORDER BY " + s.orderBy;
    }
    if (!s.limit.empty()) {
        out += " " + s.limit;
    }
    return out;
}

} // namespace

SelectShape readSelect(const std::string& sql)
{
    SelectShape s;
    Tokens t = tokenize(sql, Flavor::Sqlite);
    Clauses c = findClauses(t);
    if (c.other || nextSignificant(t, 0, t.size()) != c.select || !inOrder(c)) {
        return s;
    }
    std::size_t listStart = nextSignificant(t, c.select + 1, c.end);
    if (listStart < c.end && isKeyword(t[listStart], "DISTINCT")) {
        return s;
    }
    if (listStart < c.end && isKeyword(t[listStart], "ALL")) {
        ++listStart;
    }
    std::size_t fromEnd = std::min({c.where, c.order, c.limit});
    std::size_t whereEnd = std::min(c.order, c.limit);
    std::size_t orderStart = c.order < c.end ? nextSignificant(t, c.order + 1, c.end) : c.end;
    if (c.order < c.end && (orderStart == c.end || !isKeyword(t[orderStart], "BY"))) {
        return s;
    }
    Range list{listStart, c.from};
    Range order{c.order < c.end ? orderStart + 1 : c.end, c.limit};
    if (!rowWiseList(t, list) || !singleTableFrom(t, {c.from + 1, fromEnd}, s) ||
        !namedOrder(t, order) || text(t, list).empty()) {
        return s;
    }
    s.list = text(t, list);
    s.from = text(t, {c.from + 1, fromEnd});
    s.where = c.where < c.end ? text(t, {c.where, whereEnd}) : "";
    s.orderBy = text(t, order);
    s.limit = text(t, {c.limit, c.end});
    s.singleTable = true;
    return s;
}

std::string keysSql(const SelectShape& s)
{
    return "SELECT rowid" + tail(s, true);
}

std::string streamSql(const SelectShape& s, bool keyOrder)
{
    return "SELECT " + s.list + (s.keyField >= 0 ? "" : ", rowid") + tail(s, keyOrder);
}

KeysetSql keysetSql(const SelectShape& s, int fields)
{
    KeysetSql sql{"", streamSql(s, true), s.keyField >= 0 ? s.keyField : fields, "", ""};
    if (!s.where.empty() || !s.orderBy.empty() || !s.limit.empty()) {
        sql.keys = keysSql(s);
        return sql;
    }
    std::string from = " FROM " + s.from;
    sql.bound = "SELECT max(rowid)" + from;
    sql.more = "SELECT rowid" + from + " WHERE rowid > ?1 AND rowid <= ?2 ORDER BY rowid";
    return sql;
}

std::string rowSql(const SelectShape& s)
{
    return "SELECT " + s.list + " FROM " + s.from + " WHERE rowid = ?1";
}

} // namespace kavdb::engine
