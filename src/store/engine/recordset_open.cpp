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

void Recordset::Impl::openTable(SelectShape shape, Cursor type)
{
    Stmt one(cache, rowSql(shape));
    int count = one.columnCount();
    describe(one.get(), count, shape.tableName);
    shape.keyField = keyField(shape.tableName);
    std::unique_ptr<RowCursor> walk;
    if (type == Cursor::Keyset) {
        walk = std::make_unique<KeysetCursor>(cache, keysetSql(shape, count), std::move(one));
    } else {
        Stmt stream(cache, streamSql(shape, false));
        int key = shape.keyField >= 0 ? shape.keyField : count;
        walk = std::make_unique<StreamCursor>(std::move(stream), key, cache, rowSql(shape));
    }
    cursor = std::move(walk);
    table = shape.table;
}

int Recordset::Impl::keyField(const std::string& tableName) const
{
    // AUTOINCREMENT is allowed on the INTEGER PRIMARY KEY alone, which is the row key.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int autoinc = 0;
        if (!columns[i].empty() &&
            sqlite3_table_column_metadata(cache->db(), nullptr, tableName.c_str(),
                                          columns[i].c_str(), nullptr, nullptr, nullptr, nullptr,
                                          &autoinc) == SQLITE_OK &&
            autoinc != 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
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
    fieldsByLength.clear();
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        const char* from = sqlite3_column_table_name(stmt, i);
        bool ours = origin != nullptr && from != nullptr && !tableName.empty() &&
                    equalsIgnoreCase(from, tableName);
        fields.emplace_back(name != nullptr ? name : "");
        columns.emplace_back(ours ? origin : "");
        std::size_t length = fields.back().size();
        if (length >= fieldsByLength.size()) {
            fieldsByLength.resize(length + 1);
        }
        fieldsByLength[length].push_back(i);
    }
}

} // namespace kavdb::engine
