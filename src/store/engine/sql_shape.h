/*
 * Private to the engine layer: what a recordset needs to know about its statement.
 *
 * A plain select from one table ("SELECT list FROM table [WHERE ...] [ORDER BY ...]
 * [LIMIT ...]", no join, grouping, aggregate, DISTINCT or compound) can be walked by row
 * key, so the recordset derives from it a statement for the keys, one that streams the
 * rows with their keys, and one that reads a single row by key. Anything else is read as
 * it stands.
 */
#pragma once

#include <string>

namespace kavdb::engine {

struct SelectShape {
    bool singleTable = false;
    std::string list;      // the select list as written
    std::string from;      // the FROM clause: table and alias
    std::string table;     // the table as written in SQL (quoted as it was)
    std::string tableName; // the table's name
    std::string where;     // "WHERE ..." or empty
    std::string orderBy;   // the ORDER BY terms or empty
    std::string limit;     // "LIMIT ..." or empty
};

/* Reads an SQLite statement (already translated from Jet). */
SelectShape readSelect(const std::string& sql);

/* The row keys in the order a keyset walks them: the statement's order, ties by key. */
std::string keysSql(const SelectShape& s);
/* The rows with their key as one more, last column; keyOrder adds the keyset's order. */
std::string streamSql(const SelectShape& s, bool keyOrder);
/* One row by key (parameter 1), columns as the select list gives them. */
std::string rowSql(const SelectShape& s);

} // namespace kavdb::engine
