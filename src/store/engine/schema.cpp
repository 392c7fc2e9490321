/*
 * Schema objects made by the library: tables from column specs, indexes, and foreign
 * keys kept as triggers (keys.h). The statements here are SQLite's own, run without the
 * Jet translation.
 */
#include "store/engine/schema.h"

#include "store/engine/dialect.h"
#include "store/engine/keys.h"
#include "store/engine/lexer.h"
#include "store/engine/native.h"
#include "store/engine/statement.h"

#include <sqlite3.h>

namespace kavdb::engine {

namespace {

std::string columnDefinition(const ColumnSpec& col)
{
    bool key = (col.flags & kColPrimaryKey) != 0;
    std::string type;
    switch (col.type) {
    case ColumnType::Int:
        if ((col.flags & kColAutoIncrement) != 0) {
            return quoteIdent(col.name) + " " + sqliteColumnType(col.name, "COUNTER");
        }
        type = sqliteColumnType(col.name, "LONG");
        break;
    case ColumnType::Double:
        type = sqliteColumnType(col.name, "DOUBLE");
        break;
    case ColumnType::Text:
        type = sqliteColumnType(col.name, "LONGTEXT");
        break;
    case ColumnType::Binary:
        type = sqliteColumnType(col.name, "LONGBINARY");
        break;
    default:
        raiseEngine(code::kInvalidArg, "Column " + col.name + " has no type.");
    }
    std::string def = quoteIdent(col.name) + " " + type;
    if (key) {
        def += " PRIMARY KEY";
    } else if ((col.flags & kColNullable) == 0) {
        def += " NOT NULL";
    }
    return def;
}

/* The column is the table's row key (INTEGER PRIMARY KEY), which needs no index. */
bool isRowKey(Connection& c, const std::string& table, const std::string& column)
{
    Stmt info(c.statements(), "SELECT name, type, pk FROM pragma_table_info(?)");
    info.bind(1, Value::text(table));
    int keys = 0;
    bool match = false;
    while (info.step()) {
        if (sqlite3_column_int(info.get(), 2) > 0) {
            ++keys;
            Value name = columnValue(info.get(), 0);
            Value type = columnValue(info.get(), 1);
            match = name.isText() && type.isText() && equalsIgnoreCase(name.asText(), column) &&
                    equalsIgnoreCase(type.asText(), "INTEGER");
        }
    }
    return keys == 1 && match;
}

} // namespace

void createTable(Connection& c, const std::string& table, const std::vector<ColumnSpec>& cols)
{
    if (table.empty() || cols.empty()) {
        raiseEngine(code::kInvalidArg, "A table needs a name and columns.");
    }
    std::string sql = "CREATE TABLE " + quoteIdent(table) + " (";
    for (std::size_t i = 0; i < cols.size(); ++i) {
        sql += (i > 0 ? ", " : "") + columnDefinition(cols[i]);
    }
    runOnce(c.native(), sql + ")");
}

void addForeignKey(Connection& c, const std::string& keyName, const std::string& child,
                   const std::string& column, const std::string& parent,
                   const std::string& parentColumn)
{
    if (keyName.empty() || child.empty() || column.empty() || parent.empty() ||
        parentColumn.empty()) {
        raiseEngine(code::kInvalidArg, "A key needs a name, two tables and two columns.");
    }
    ForeignKey key{keyName, child, column, parent, parentColumn, true, false};
    // All of the key or none of it.
    const std::string unit = "kavdb_key";
    c.savepoint(unit);
    try {
        for (const std::string& sql : foreignKeyStatements(key)) {
            runOnce(c.native(), sql);
        }
    } catch (...) {
        c.rollbackTo(unit);
        throw;
    }
    c.release(unit);
}

void createIndex(Connection& c, const std::string& name, const std::string& table,
                 const std::vector<std::string>& columns)
{
    if (name.empty() || table.empty() || columns.empty()) {
        raiseEngine(code::kInvalidArg, "An index needs a name, a table and columns.");
    }
    if (columns.size() == 1 && isRowKey(c, table, columns[0])) {
        return; // the row key is its own index
    }
    std::string sql =
        "CREATE INDEX IF NOT EXISTS " + quoteIdent(name) + " ON " + quoteIdent(table) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i > 0 ? ", " : "") + quoteIdent(columns[i]);
    }
    runOnce(c.native(), sql + ")");
}

bool tableExists(Connection& c, const std::string& table)
{
    Stmt find(c.statements(),
              "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
    find.bind(1, Value::text(table));
    return find.step();
}

void refuseBreakingAKey(Connection& c, const std::string& jet)
{
    std::string table = droppedTable(jet);
    if (table.empty()) {
        return;
    }
    // The suffixes are those keys.cpp gives a key's triggers, child side and parent side.
    Stmt find(c.statements(), "SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND "
                              "tbl_name = ? COLLATE NOCASE AND (name GLOB '*_ins' OR name "
                              "GLOB '*_upd' OR name GLOB '*_pdel' OR name GLOB '*_pupd')");
    find.bind(1, Value::text(table));
    if (find.step()) {
        raiseEngine(code::kConstraint, "Cannot delete table '" + table +
                                           "'; it participates in one or more relationships.");
    }
}

std::vector<std::string> columnNames(Connection& c, const std::string& table)
{
    Stmt info(c.statements(), "SELECT name FROM pragma_table_info(?) ORDER BY cid");
    info.bind(1, Value::text(table));
    std::vector<std::string> names;
    while (info.step()) {
        names.push_back(columnValue(info.get(), 0).asText());
    }
    return names;
}

} // namespace kavdb::engine
