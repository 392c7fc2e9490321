/*
 * The stored definitions of the catalogue's indexes (index_definition.h): the table
 * IndexItems, alike on both engines, and the schema's list of triggers, read from
 * SQLite's schema or a server's catalogue tables.
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

/* The engine was built with the module an index needs (SQLite's compile option, e.g.
 * ENABLE_FTS5); false, never raising, on an engine that cannot say. */
bool engineHasModule(engine::Connection& c, const char* option)
{
    try {
        return nativeCount(c, "SELECT sqlite_compileoption_used(?)", {Value::text(option)}) == 1;
    } catch (const engine::EngineError&) {
        return false;
    }
}

/* The items stored for the index; empty when it has none. */
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

} // namespace

std::vector<IndexedItem> distinctTables(const std::vector<IndexedItem>& items)
{
    std::vector<IndexedItem> tables;
    for (const IndexedItem& item : items) {
        bool seen = false;
        for (const IndexedItem& t : tables) {
            seen = seen || t.link == item.link;
        }
        if (!seen) {
            tables.push_back(item);
        }
    }
    return tables;
}

std::string itemColumns(const std::vector<IndexedItem>& items, const std::string& link)
{
    std::string columns;
    for (const IndexedItem& item : items) {
        if (item.link == link) {
            columns += (columns.empty() ? "" : ", ") + quotedName(item.item);
        }
    }
    return columns;
}

std::string aliasOf(const std::string& link)
{
    return "t_" + link;
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

void runAsWritten(engine::Connection& c, const std::string& sql)
{
    runNative(c, std::string(engine::kAsWritten) + sql);
}

int64_t countAsWritten(engine::Connection& c, const std::string& sql)
{
    return nativeCount(c, std::string(engine::kAsWritten) + sql);
}

void eachRowAsWritten(engine::Connection& c, const std::string& sql,
                      const std::vector<engine::Value>& values,
                      const std::function<void(engine::DriverStatement&)>& visit)
{
    eachNativeRow(c, std::string(engine::kAsWritten) + sql, values, visit);
}

bool onServer(engine::Connection& c)
{
    return c.driver().dialect() == engine::Dialect::Postgres;
}

std::vector<std::string> triggersNamed(engine::Connection& c, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const NativeRow& row :
         nativeRows(c,
                    onServer(c) ? "SELECT t.tgname FROM pg_trigger t JOIN pg_class k ON k.oid = "
                                  "t.tgrelid WHERE k.relnamespace = "
                                  "current_schema()::regnamespace AND NOT t.tgisinternal AND "
                                  "substr(t.tgname, 1, length(?)) = ? ORDER BY 1"
                                : "SELECT name FROM sqlite_master WHERE type = "
                                  "'trigger' AND substr(name, 1, length(?)) = ?",
                    {Value::text(prefix), Value::text(prefix)})) {
        names.push_back(row[0].toText());
    }
    return names;
}

namespace {

/* A server's triggers run functions of the same prefix: dropping those drops the
 * triggers with them, whatever table each is on. */
void dropServerTriggers(engine::Connection& c, const std::string& prefix)
{
    for (const NativeRow& row :
         nativeRows(c,
                    "SELECT p.proname FROM pg_proc p WHERE p.pronamespace = "
                    "current_schema()::regnamespace AND substr(p.proname, 1, length(?)) = ?",
                    {Value::text(prefix), Value::text(prefix)})) {
        runAsWritten(c, "DROP FUNCTION IF EXISTS " + quotedName(row[0].toText()) + "() CASCADE");
    }
}

} // namespace

std::vector<std::string> serverTriggerSql(const std::string& name, const std::string& events,
                                          const std::string& table, const std::string& body)
{
    std::string function = quotedName(name);
    return {"CREATE FUNCTION " + function + "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN " +
                body + " RETURN NULL; END $$",
            "CREATE TRIGGER " + function + " AFTER " + events + " ON " + quotedName(table) +
                " FOR EACH ROW EXECUTE FUNCTION " + function + "()"};
}

void dropTriggers(engine::Connection& c, const std::string& prefix)
{
    if (onServer(c)) {
        return dropServerTriggers(c, prefix);
    }
    for (const std::string& name : triggersNamed(c, prefix)) {
        runNative(c, "DROP TRIGGER IF EXISTS " + quotedName(name));
    }
}

bool CatalogueIndex::available(engine::Connection& c) const
{
    return onServer(c) || engineHasModule(c, module_); // a server's forms need no module
}

bool CatalogueIndex::present(engine::Connection& c) const
{
    return c.driver().tableExists(table_);
}

std::vector<IndexedItem> CatalogueIndex::items(engine::Connection& c) const
{
    return loadIndexItems(c, table_);
}

bool CatalogueIndex::madeOf(engine::Connection& c, const std::vector<IndexedItem>& items) const
{
    return present(c) && this->items(c) == items &&
           triggersNamed(c, triggerPrefix_).size() == triggerCount(c, items);
}

std::vector<std::string> CatalogueIndex::triggerProblems(engine::Connection& c) const
{
    if (triggersNamed(c, triggerPrefix_).size() == triggerCount(c, items(c))) {
        return {};
    }
    return {"its triggers are missing: later changes were not indexed"};
}

void CatalogueIndex::countProblem(engine::Connection& c, const char* entriesSql,
                                  const char* entries, const char* rowsSql, const char* rows,
                                  std::vector<std::string>& problems)
{
    int64_t held = nativeCount(c, entriesSql);
    int64_t expected = nativeCount(c, rowsSql);
    if (held != expected) {
        problems.push_back("it holds " + std::to_string(held) + " " + entries + " for " +
                           std::to_string(expected) + " " + rows);
    }
}

} // namespace kavdb::store
