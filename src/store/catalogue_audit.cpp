/*
 * Looking a catalogue over (catalogue_audit.h).
 */
#include "store/catalogue_audit.h"

#include "store/native_rows.h"

#include <algorithm>

namespace kavdb::store {

using engine::Value;

namespace {

/* The most of a file a reading connection maps, rather than reading it a page to a system
 * call (SQLite caps it at its build's limit). */
constexpr int64_t kMapBytes = int64_t{8} << 30;
/* An integrity check's page cache, in KiB: the indexes it looks every row up in fit. */
constexpr int kAuditCacheKiB = 262144;

std::string brokenWhere(const KeyLink& link)
{
    return " WHERE " + quotedName(link.column) + " IS NOT NULL AND NOT EXISTS (SELECT 1 FROM " +
           quotedName(link.parent) + " AS parent WHERE parent." + quotedName(link.key) + " = " +
           quotedName(link.child) + "." + quotedName(link.column) + ")";
}

std::string unusedWhere(const std::string& table, const std::string& link)
{
    return " WHERE NOT EXISTS (SELECT 1 FROM MainTable AS m WHERE m." + quotedName(link) + " = " +
           quotedName(table) + ".DataID)";
}

} // namespace

void openForReading(engine::Connection& c, const std::string& file)
{
    c.open(file);
    runNative(c, "PRAGMA mmap_size=" + std::to_string(kMapBytes));
}

void openForAudit(engine::Connection& c, const std::string& file)
{
    openForReading(c, file);
    runNative(c, "PRAGMA cache_size=-" + std::to_string(kAuditCacheKiB));
}

void openScratch(engine::Connection& c, const std::string& file)
{
    c.open(file);
    runNative(c, "PRAGMA journal_mode=OFF");
    runNative(c, "PRAGMA synchronous=OFF");
}

std::vector<KeyLink> catalogueKeys(const Config& config, engine::Connection& c)
{
    std::vector<KeyLink> keys = {{"MainTable", "PathID", "PathTable", "PathID"}};
    std::vector<std::string> links = c.driver().columnNames("MainTable");
    for (const std::string& table : config.tableNames()) {
        std::string link;
        if (kaGetLinkColumn(config, table, link) == S_OK && c.driver().tableExists(table) &&
            std::find(links.begin(), links.end(), link) != links.end()) {
            keys.push_back({"MainTable", link, table, "DataID"});
        }
    }
    return keys;
}

std::vector<std::string> catalogueTables(const Config& config, engine::Connection& c)
{
    std::vector<std::string> tables;
    for (const KeyLink& key : catalogueKeys(config, c)) {
        tables.push_back(key.parent);
    }
    tables.insert(tables.begin() + 1, "MainTable");
    if (c.driver().tableExists("IndexItems")) {
        tables.push_back("IndexItems");
    }
    return tables;
}

std::vector<std::string> integrityProblems(engine::Connection& c)
{
    std::vector<std::string> problems;
    for (const NativeRow& row : nativeRows(c, "PRAGMA integrity_check")) {
        std::string text = row.empty() ? std::string() : row[0].toText();
        if (text != "ok") {
            problems.push_back(text);
        }
    }
    return problems;
}

int64_t brokenLinks(engine::Connection& c, const KeyLink& link)
{
    return nativeCount(c, "SELECT count(*) FROM " + quotedName(link.child) + brokenWhere(link));
}

void repairLinks(engine::Connection& c, const KeyLink& link)
{
    if (link.column == "PathID") {
        runNative(c, "DELETE FROM " + quotedName(link.child) + brokenWhere(link));
    } else {
        runNative(c, "UPDATE " + quotedName(link.child) + " SET " + quotedName(link.column) +
                         " = NULL" + brokenWhere(link));
    }
}

int64_t unusedRows(engine::Connection& c, const std::string& table, const std::string& link)
{
    return nativeCount(c, "SELECT count(*) FROM " + quotedName(table) + unusedWhere(table, link));
}

void dropUnusedRows(engine::Connection& c, const std::string& table, const std::string& link)
{
    runNative(c, "DELETE FROM " + quotedName(table) + unusedWhere(table, link));
}

void eachFilePath(engine::Connection& c, const std::function<void(const std::string&)>& visit)
{
    eachNativeRow(c,
                  "SELECT p.Pathname || m.Filename FROM MainTable AS m JOIN PathTable AS p ON "
                  "p.PathID = m.PathID ORDER BY m.PathID, m.Filename",
                  {}, [&](engine::DriverStatement& stmt) {
                      Value v = stmt.value(0);
                      visit(v.isText() ? v.asText() : std::string());
                  });
}

} // namespace kavdb::store
