/*
 * Catalogue creation through the engine's schema objects, following kadb.ini: MainTable
 * (twelve fixed columns and one link column per metadata table), PathTable, and one
 * table per configured section, tied together by enforced keys with cascade update.
 */
#include "store/catalogue.h"

#include "store/engine/driver.h"
#include "store/engine/pg_text.h"

#include "store/file_probe.h"

#include "store/config.h"
#include "store/engine/schema.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace kavdb::store {

namespace {

using engine::ColumnSpec;
using engine::ColumnType;

// A table takes at most 64 columns; the lists never grow past that.
constexpr std::size_t kMaxColumns = 64;

constexpr uint32_t kKeyFlags = engine::kColAutoIncrement | engine::kColPrimaryKey;

ColumnType typeOfKind(int kind)
{
    switch (kind) {
    case 0:
        return ColumnType::Text;
    case 1:
        return ColumnType::Int;
    case 2:
        return ColumnType::Binary;
    case 3:
        return ColumnType::Double;
    default:
        return ColumnType::None;
    }
}

HResult createTable(DBHandle* h, const std::string& name, const std::vector<ColumnSpec>& cols)
{
    if (name.empty() || cols.empty()) {
        return E_INVALIDARG;
    }
    return guarded("Failed to add columns in main table.", [&] {
        engine::createTable(connectionOf(h), name, cols);
        return S_OK;
    });
}

HResult addRelation(DBHandle* h, const std::string& key, const std::string& parent,
                    const std::string& parentColumn, const std::string& child,
                    const std::string& column)
{
    return guarded("Failed to set reration table in main table.", [&] {
        engine::addForeignKey(connectionOf(h), key, child, column, parent, parentColumn);
        return S_OK;
    });
}

std::vector<ColumnSpec> mainTableColumns(int32_t tables)
{
    std::vector<ColumnSpec> cols;
    for (const char* name : kMainColumns) {
        ColumnType type = ColumnType::Int;
        if (std::strcmp(name, "Filename") == 0 || std::strcmp(name, "UpdateTM") == 0 ||
            std::strcmp(name, "Comment") == 0) {
            type = ColumnType::Text;
        } else if (std::strcmp(name, "Thumbnail") == 0) {
            type = ColumnType::Binary;
        }
        cols.push_back({name, type, cols.empty() ? kKeyFlags : engine::kColNullable});
    }
    for (int32_t k = 1; k <= tables && cols.size() < kMaxColumns; ++k) {
        cols.push_back({"DataID" + std::to_string(k), ColumnType::Int, engine::kColNullable});
    }
    return cols;
}

/* The columns of metadata table k; E_FAIL for an item value lacking one of its first two
 * commas. A kind other than 0 to 3 ends the list. */
HResult metaTableColumns(const Config& config, int k, std::vector<ColumnSpec>& cols)
{
    cols = {{"DataID", ColumnType::Int, kKeyFlags}};
    for (int i = 1; cols.size() < kMaxColumns; ++i) {
        std::string value = config.item(k, i);
        if (value.empty()) {
            break;
        }
        ItemSpec item = parseItem(value);
        if (!item.hasFirstComma || !item.hasSecondComma) {
            return E_FAIL;
        }
        ColumnType type = typeOfKind(item.kind);
        if (type == ColumnType::None) {
            break;
        }
        cols.push_back({item.name, type, engine::kColNullable});
    }
    return S_OK;
}

HResult createMetaTables(DBHandle* h, const Config& config)
{
    HResult hr = S_OK;
    for (int k = 1;; ++k) {
        std::string table = config.tableName(k);
        if (table.empty()) {
            return hr;
        }
        std::vector<ColumnSpec> cols;
        if ((hr = metaTableColumns(config, k, cols)) < 0 ||
            (hr = createTable(h, table, cols)) < 0) {
            return hr;
        }
        std::string link = "DataID" + std::to_string(k);
        hr = addRelation(h, "MainDataID" + std::to_string(k), table, "DataID", "MainTable", link);
        if (hr < 0) {
            return hr;
        }
    }
}

} // namespace

bool catalogueIsAFile(engine::Connection& c)
{
    return c.driver().dialect() == engine::Dialect::Sqlite;
}

bool isServerCatalogue(const char* path)
{
    return path != nullptr && engine::isServerUri(path);
}

bool catalogueExists(const char* path)
{
    std::string server = engine::serverLocation(path);
    return server.empty() ? anythingAt(path) : engine::serverHoldsCatalogue(server);
}

void removeCatalogueFile(const std::string& path)
{
    if (!engine::serverLocation(path).empty()) {
        return;
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        ::unlink((path + suffix).c_str());
    }
}

HResult kaCreateDatabaseFile(const char* path)
{
    if (path == nullptr || *path == '\0' ||
        (std::strstr(path, ".mdb") == nullptr && !isServerCatalogue(path))) {
        return E_INVALIDARG;
    }
    // A link file names a server catalogue, which is made in the database it names.
    if (anythingAt(path) && engine::serverLocation(path).empty()) {
        return E_FAIL;
    }
    return guarded("Failed to create database", [&] {
        engine::Connection::create(path);
        return S_OK;
    });
}

HResult kaCreateTables(DBHandle* h)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    Config config = configOf(h);
    int32_t tables = 0;
    HResult hr = kaCountDataTables(config, &tables);
    if (hr < 0 || (hr = createTable(h, "MainTable", mainTableColumns(tables))) < 0) {
        return hr;
    }
    std::vector<ColumnSpec> path = {{"PathID", ColumnType::Int, kKeyFlags},
                                    {"Pathname", ColumnType::Text, engine::kColNullable},
                                    {"Comment", ColumnType::Text, engine::kColNullable}};
    if ((hr = createTable(h, "PathTable", path)) < 0 ||
        (hr = addRelation(h, "MainPath", "PathTable", "PathID", "MainTable", "PathID")) < 0) {
        return hr;
    }
    hr = createMetaTables(h, config);
    HResult indexed = guarded("Failed to create table", [&] {
        ensureLookupIndexes(connectionOf(h));
        return S_OK;
    });
    return hr < 0 ? hr : indexed;
}

void ensureLookupIndexes(engine::Connection& c)
{
    if (c.driver().tableExists("PathTable")) {
        engine::createIndex(c, "PathTable_Pathname", "PathTable", {"Pathname"});
    }
    if (!c.driver().tableExists("MainTable")) {
        return;
    }
    engine::createIndex(c, "MainTable_PathFile", "MainTable", {"PathID", "Filename"});
    for (const auto& col : c.driver().columnNames("MainTable")) {
        if (col.rfind("DataID", 0) == 0) {
            engine::createIndex(c, "MainTable_" + col, "MainTable", {col});
        }
    }
}

HResult kaWriteLevelFile()
{
    Config config = Config::load();
    if (!config.found()) {
        return E_FAIL;
    }
    std::string level = config.value("Common", "level", 64);
    if (level.empty()) {
        return S_OK;
    }
    std::string dat;
    if (kaGetDatPath(dat) < 0) {
        return E_FAIL;
    }
    if (GetProfileString("Common", "level", 64, dat) == level) {
        return S_OK;
    }
    int fd = ::open(dat.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return E_FAIL;
    }
    std::string text = "[Common]\r\nlevel=" + level;
    bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written) {
        ::unlink(dat.c_str());
        return E_FAIL;
    }
    return S_OK;
}

void kaConnect(DBHandle* h, const char* path)
{
    h->Connection = std::make_unique<engine::Connection>();
    guarded("Failed to connect database.", [&] {
        h->Connection->open(path);
        ensureLookupIndexes(*h->Connection);
        return S_OK;
    });
}

HResult kaDisconnect(DBHandle* h)
{
    return guarded("Failed to close database", [&] {
        connectionOf(h).close();
        return S_OK;
    });
}

} // namespace kavdb::store
