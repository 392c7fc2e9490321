/*
 * Schema objects made by the library: tables from column specs, indexes, and foreign
 * keys as each engine enforces them (jet/dialect.h). The statements here are the
 * engine's own, run without the Jet translation.
 */
#include "store/engine/schema.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/native.h"

#include <map>

namespace kavdb::engine {

namespace {

std::string columnDefinition(const ColumnSpec& col, Dialect dialect)
{
    static const std::map<ColumnType, const char*> kJetTypes = {{ColumnType::Int, "LONG"},
                                                                {ColumnType::Double, "DOUBLE"},
                                                                {ColumnType::Text, "LONGTEXT"},
                                                                {ColumnType::Binary, "LONGBINARY"}};
    auto jet = kJetTypes.find(col.type);
    if (jet == kJetTypes.end()) {
        raiseEngine(code::kInvalidArg, "Column " + col.name + " has no type.");
    }
    bool counter = col.type == ColumnType::Int && (col.flags & kColAutoIncrement) != 0;
    std::string def = quoteIdent(col.name) + " " +
                      columnType(col.name, counter ? "COUNTER" : jet->second, dialect);
    if (counter) {
        return def;
    }
    if ((col.flags & kColPrimaryKey) != 0) {
        def += " PRIMARY KEY";
    } else if ((col.flags & kColNullable) == 0) {
        def += " NOT NULL";
    }
    return def;
}

} // namespace

void createTable(Connection& c, const std::string& table, const std::vector<ColumnSpec>& cols)
{
    if (table.empty() || cols.empty()) {
        raiseEngine(code::kInvalidArg, "A table needs a name and columns.");
    }
    std::string sql = "CREATE TABLE " + quoteIdent(table) + " (";
    for (std::size_t i = 0; i < cols.size(); ++i) {
        sql += (i > 0 ? ", " : "") + columnDefinition(cols[i], c.driver().dialect());
    }
    c.driver().run(sql + ")");
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
    wholeOrNothing(c, [&] {
        for (const std::string& sql : keyStatements(key, c.driver().dialect())) {
            c.driver().run(sql);
        }
    });
}

void createIndex(Connection& c, const std::string& name, const std::string& table,
                 const std::vector<std::string>& columns)
{
    if (name.empty() || table.empty() || columns.empty()) {
        raiseEngine(code::kInvalidArg, "An index needs a name, a table and columns.");
    }
    if (columns.size() == 1 && c.driver().isRowKey(table, columns[0])) {
        return; // the row key is its own index
    }
    std::string sql =
        "CREATE INDEX IF NOT EXISTS " + quoteIdent(name) + " ON " + quoteIdent(table) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i > 0 ? ", " : "") + quoteIdent(columns[i]);
    }
    c.driver().run(sql + ")");
}

void advanceCounter(Connection& c, const std::string& table, const std::string& column)
{
    if (c.driver().dialect() != Dialect::Postgres) {
        return;
    }
    // pg_get_serial_sequence reads its first argument as SQL reads a name: quoted, it
    // keeps its case. An empty table leaves the sequence where it starts.
    const std::string largest =
        "(SELECT max(" + quoteIdent(column) + ") FROM " + quoteIdent(table) + ")";
    std::unique_ptr<DriverStatement> stmt = c.driver().prepare(
        "SELECT setval(pg_get_serial_sequence(?, ?), coalesce(" + largest + ", 1), " + largest +
        " IS NOT NULL) WHERE pg_get_serial_sequence(?, ?) IS NOT NULL");
    stmt->bindAll({Value::text(quoteIdent(table)), Value::text(column),
                   Value::text(quoteIdent(table)), Value::text(column)});
    stmt->run();
}

void refuseBreakingAKey(Connection& c, const std::string& jet)
{
    std::string table = droppedTable(jet);
    if (!table.empty() && c.driver().inAKey(table)) {
        raiseEngine(code::kConstraint, "Cannot delete table '" + table +
                                           "'; it participates in one or more relationships.");
    }
}

} // namespace kavdb::engine
