/*
 * Opening a recordset: the Jet text is translated, a statement that returns no rows is
 * run at once (the recordset is then closed, as ADO leaves it), a plain single-table
 * select gets a keyset or streaming cursor with row keys, and anything else is read as it
 * stands.
 */
#include "store/engine/dialect.h"
#include "store/engine/lexer.h"
#include "store/engine/native.h"
#include "store/engine/recordset_impl.h"

#include <sqlite3.h>

namespace kavdb::engine {

void Recordset::Impl::open(Connection& conn, const std::string& jetSql, Cursor type)
{
    sqlite3* db = conn.native();
    cache = conn.statements();
    std::vector<std::string> statements = translateJet(jetSql);
    if (statements.empty()) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
    if (statements.size() > 1) {
        for (const std::string& sql : statements) {
            runOnce(db, sql);
        }
        return;
    }
    SelectShape shape = readSelect(statements[0]);
    if (shape.singleTable) {
        try {
            openTable(shape, type);
            return;
        } catch (const EngineError&) {
            // Not a table with row keys after all (a view, say): read it as it stands.
        }
    }
    Stmt probe(db, statements[0]);
    if (probe.columnCount() == 0) {
        probe.run();
        return;
    }
    openStatement(std::move(probe), type);
}

void Recordset::Impl::openTable(const SelectShape& shape, Cursor type)
{
    Stmt one(cache, rowSql(shape));
    int count = one.columnCount();
    std::unique_ptr<RowCursor> walk;
    if (type == Cursor::Keyset) {
        Stmt keys(cache, keysSql(shape));
        describe(one.get(), count, shape.tableName);
        walk = std::make_unique<KeysetCursor>(cache, keys, streamSql(shape, true), std::move(one));
    } else {
        Stmt stream(cache, streamSql(shape, false));
        describe(one.get(), count, shape.tableName);
        walk = std::make_unique<StreamCursor>(std::move(stream), count, cache, rowSql(shape));
    }
    cursor = std::move(walk);
    table = shape.table;
}

void Recordset::Impl::openStatement(Stmt probe, Cursor type)
{
    describe(probe.get(), probe.columnCount(), "");
    if (type == Cursor::Keyset) {
        cursor = std::make_unique<RowsCursor>(probe);
    } else {
        cursor = std::make_unique<StreamCursor>(std::move(probe), -1, cache, "");
    }
}

void Recordset::Impl::describe(sqlite3_stmt* stmt, int count, const std::string& tableName)
{
    fields.clear();
    columns.clear();
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        const char* from = sqlite3_column_table_name(stmt, i);
        bool ours = origin != nullptr && from != nullptr && !tableName.empty() &&
                    equalsIgnoreCase(from, tableName);
        fields.emplace_back(name != nullptr ? name : "");
        columns.emplace_back(ours ? origin : "");
    }
}

} // namespace kavdb::engine
