/*
 * Private to the engine layer: the state behind a Recordset.
 *
 * Opening reads the statement's shape and picks a cursor (cursors.h); the recordset keeps
 * its field names, the table column behind each field and the table itself (for changes;
 * none for a read-only statement), and the values put into the current row that are not
 * written yet.
 */
#pragma once

#include "store/engine/cursors.h"
#include "store/engine/recordset.h"
#include "store/engine/sql_shape.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kavdb::engine {

struct Recordset::Impl {
    std::shared_ptr<StatementCache> cache;
    std::unique_ptr<RowCursor> cursor; // null once closed
    std::vector<std::string> fields;
    std::vector<std::vector<int>> fieldsByLength; // indexes by name length: quick look-up
    std::vector<std::string> columns; // table column of each field; empty for an expression
    std::string table;                // SQL naming the table; empty: read-only
    std::vector<std::pair<int, Value>> pending;

    /* Opening (recordset_open.cpp). */
    void open(Connection& conn, const std::string& jetSql, Cursor type);
    void openTable(SelectShape shape, Cursor type);
    int keyField(const std::string& tableName) const; // the field that is the row key
    void openStatement(Stmt probe, Cursor type);
    void describe(sqlite3_stmt* stmt, int count, const std::string& tableName);

    /* Guards and look-ups. */
    void ensureOpen() const;
    int fieldIndex(const std::string& name) const; // -1 when absent
    int field(const std::string& name) const;      // raises kFieldNotFound
    void requireRow();
    void requireWritable(int field) const;
    const Value* pendingValue(int field) const;

    /* Changes: flush writes what was put into the current row, if anything. */
    void flush()
    {
        if (!pending.empty()) {
            write();
        }
    }
    void write();
    std::string columnFor(const std::string& name) const;
};

} // namespace kavdb::engine
