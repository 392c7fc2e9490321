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
    int keyField = -1;     // the select list's column that is the row key; -1: none
};

/* Reads an SQLite statement (already translated from Jet). */
SelectShape readSelect(const std::string& sql);

/* The statements a keyset walks a single-table select with. */
struct KeysetSql {
    std::string keys;   // every key, in walk order
    std::string stream; // the rows with their key, in the same order
    int streamKey = 0;  // the key's column in stream
    std::string bound;  // a whole-table walk: the highest key at open; else empty
    std::string more;   // a whole-table walk: the keys after ?1 up to ?2
};

/* The keyset statements of a select of fields columns. A select of every row of its
 * table, in no given order, is walked as a whole-table walk: its keys are taken by the
 * stream as it goes. */
KeysetSql keysetSql(const SelectShape& s, int fields);

/* The row keys in the order a keyset walks them: the statement's order, ties by key. */
std::string keysSql(const SelectShape& s);
/* The rows with their key: the key field, else the key as one more, last column.
 * keyOrder adds the keyset's order. */
std::string streamSql(const SelectShape& s, bool keyOrder);
/* One row by key (parameter 1), columns as the select list gives them. Derived statements
 * number their own parameters, so literals taken out of the source as higher numbered
 * parameters keep their places. */
std::string rowSql(const SelectShape& s);

} // namespace kavdb::engine
