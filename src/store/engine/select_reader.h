/*
 * Private to the engine layer: reading a select for its row keys.
 *
 * A keyset holds the row keys of its rows, and a row's values are read by key; the keys
 * come from the statement itself with its select list replaced by the key. So a plain
 * select from one table ("SELECT list FROM table [WHERE ...] [ORDER BY ...] [LIMIT ...]",
 * no join, grouping, aggregate, DISTINCT, compound, positional order or parameter in the
 * list) is read for its parts; anything else has no row keys and is read as it stands.
 */
#pragma once

#include <string>

namespace kavdb::engine {

struct SelectParts {
    bool keyed = false;    // a plain select from one table
    std::string list;      // the select list as written
    std::string from;      // the FROM clause: table and alias
    std::string table;     // the table as SQL names it (quoted as it was)
    std::string tableName; // the table's name
    std::string where;     // " WHERE ..." or empty
    std::string orderBy;   // the ORDER BY terms or empty
    std::string limit;     // " LIMIT ..." or empty
};

/* Reads an SQLite statement (already translated from Jet). */
SelectParts readSelect(const std::string& sql);

/* The select's rows with columns in place of its list. With keyOrder, ties of its order
 * and rows it gives no order come in key order. */
std::string reselect(const SelectParts& s, const std::string& columns, const char* key,
                     bool keyOrder);
/* One row of the select by its key (the one parameter). */
std::string rowByKey(const SelectParts& s, const char* key);

} // namespace kavdb::engine
