/*
 * The stored definitions of the catalogue's indexes (index_definition.h), in SQLite's
 * dialect: the table IndexItems and the schema's list of triggers.
 */
#include "store/index_definition.h"

#include "store/native_rows.h"

namespace kavdb::store {

using engine::Value;

namespace {

void ensureTable(engine::Connection& c)
{
    runNative(c, "CREATE TABLE IF NOT EXISTS IndexItems (IndexName TEXT NOT NULL, Position "
                 "INTEGER NOT NULL, TableName TEXT NOT NULL, ItemName TEXT NOT NULL, LinkName "
                 "TEXT NOT NULL)");
}

} // namespace

bool engineHasModule(engine::Connection& c, const char* option)
{
    try {
        return nativeCount(c, "SELECT sqlite_compileoption_used(?)", {Value::text(option)}) == 1;
    } catch (const engine::EngineError&) {
        return false;
    }
}

std::vector<IndexedItem> loadIndexItems(engine::Connection& c, const std::string& index)
{
    std::vector<IndexedItem> items;
    if (!c.driver().tableExists("IndexItems")) {
        return items;
    }
    for (const NativeRow& row : nativeRows(c,
                                           "SELECT TableName, ItemName, LinkName FROM IndexItems "
                                           "WHERE IndexName = ? ORDER BY Position",
                                           {Value::text(index)})) {
        items.push_back({row[0].toText(), row[1].toText(), row[2].toText()});
    }
    return items;
}

void saveIndexItems(engine::Connection& c, const std::string& index,
                    const std::vector<IndexedItem>& items)
{
    ensureTable(c);
    runNative(c, "DELETE FROM IndexItems WHERE IndexName = ?", {Value::text(index)});
    int32_t position = 0;
    for (const IndexedItem& item : items) {
        runNative(c,
                  "INSERT INTO IndexItems (IndexName, Position, TableName, ItemName, LinkName) "
                  "VALUES (?, ?, ?, ?, ?)",
                  {Value::text(index), Value::integer(++position), Value::text(item.table),
                   Value::text(item.item), Value::text(item.link)});
    }
}

void wholeOrNothing(engine::Connection& c, const std::function<void()>& work)
{
    constexpr const char* kSavepoint = "kavdb_index";
    c.driver().savepoint(kSavepoint);
    try {
        work();
    } catch (...) {
        c.driver().rollbackTo(kSavepoint);
        throw;
    }
    c.driver().release(kSavepoint);
}

std::vector<std::string> triggersNamed(engine::Connection& c, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const NativeRow& row : nativeRows(c,
                                           "SELECT name FROM sqlite_master WHERE type = "
                                           "'trigger' AND substr(name, 1, length(?)) = ?",
                                           {Value::text(prefix), Value::text(prefix)})) {
        names.push_back(row[0].toText());
    }
    return names;
}

void dropTriggers(engine::Connection& c, const std::string& prefix)
{
    for (const std::string& name : triggersNamed(c, prefix)) {
        runNative(c, "DROP TRIGGER IF EXISTS " + quotedName(name));
    }
}

} // namespace kavdb::store
