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
#include "store/engine/open_plan.h"
#include "store/engine/recordset.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kavdb::engine {

struct Recordset::Impl {
    std::shared_ptr<StatementCache> cache;
    std::unique_ptr<RowCursor> cursor; // null once closed
    std::shared_ptr<const Layout> layout;
    std::string table;           // SQL naming the table; empty: read-only
    std::vector<Value> literals; // taken out of the Jet text, bound to every statement
    std::vector<std::pair<int, Value>> pending;

    const std::vector<std::string>& fields() const { return layout->fields; }
    const std::string& column(int f) const { return layout->columns[static_cast<std::size_t>(f)]; }

    /* Opening (recordset_open.cpp). */
    /* Opens by the plan kept under key, or by one made from the text shaped() gives. */
    void open(Connection& conn, const std::string& key, const std::function<std::string()>& shaped,
              Cursor type);
    void runEach(const OpenPlan& plan);
    void openTable(const OpenPlan& plan, Cursor type);
    void openStatement(const std::string& sql, Cursor type);

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
