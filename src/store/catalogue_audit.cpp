/*
 * Looking a catalogue over (catalogue_audit.h).
 */
#include "store/catalogue_audit.h"

#include "store/native_rows.h"

#include <algorithm>
#include <cstring>

namespace kavdb::store {

using engine::Value;

namespace {

/* A running 64-bit checksum: eight bytes at a time, multiply-rotate mixing. It detects
 * accidental differences, which is all a backup check needs. */
class Checksum {
  public:
    void add(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        mix(n);
        for (; n >= 8; n -= 8, p += 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            mix(word);
        }
        uint64_t tail = 0;
        std::memcpy(&tail, p, n);
        mix(tail);
    }
    void mix(uint64_t word)
    {
        h_ ^= word * 0x9E3779B97F4A7C15ull;
        h_ = ((h_ << 27) | (h_ >> 37)) * 0xC2B2AE3D27D4EB4Full + 0x165667B19E3779F9ull;
    }
    uint64_t value() const { return h_; }

  private:
    uint64_t h_ = 0x27D4EB2F165667C5ull;
};

void addValue(Checksum& sum, const Value& v)
{
    sum.mix(v.kind());
    if (v.isText()) {
        sum.add(v.asText().data(), v.asText().size());
    } else if (v.isBytes()) {
        sum.add(v.asBytes().data(), v.asBytes().size());
    } else if (v.isInt()) {
        sum.mix(static_cast<uint64_t>(static_cast<int64_t>(v.asInt())));
    } else if (v.isDouble()) {
        double d = v.asDouble();
        sum.add(&d, sizeof d);
    }
}

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

TableDigest digestTable(engine::Connection& c, const std::string& table)
{
    TableDigest digest{table, 0, 0};
    Checksum sum;
    eachNativeRow(c, "SELECT * FROM " + quotedName(table) + " ORDER BY rowid", {},
                  [&](engine::DriverStatement& stmt) {
                      ++digest.rows;
                      for (int i = 0; i < stmt.columnCount(); ++i) {
                          addValue(sum, stmt.value(i));
                      }
                  });
    digest.checksum = sum.value();
    return digest;
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
