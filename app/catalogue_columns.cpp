/*
 * Adding missing item columns (catalogue_columns.h).
 */
#include "catalogue_columns.h"

#include "photo_items.h"

namespace kavdb {
namespace {

/* Tables up to this number the library itself adds to a catalogue made before them. */
constexpr int kLibraryTables = 9;

/* Creates a configured table with its items, the link column DataID<n> in MainTable and
 * the key on it, as the library makes the tables of a new catalogue. */
Outcome addTable(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured,
                 const std::string& table)
{
    std::string create = "CREATE TABLE " + table + " (DataID AUTOINCREMENT PRIMARY KEY";
    for (const ConfiguredItem& item : configured)
        if (item.table == table && !jetColumnType(item.type).empty())
            create += ", " + item.name + " " + jetColumnType(item.type);
    const std::string link = "DataID" + std::to_string(tableNumber(configured, table));
    for (const std::string& sql : {create + ")", "ALTER TABLE MainTable ADD " + link + " INTEGER",
                                   "ALTER TABLE MainTable ADD FOREIGN KEY (" + link +
                                       ") REFERENCES " + table + "(DataID)"}) {
        Outcome outcome = catalogue.execute(sql);
        if (!outcome.ok())
            return outcome;
    }
    return Outcome{};
}

} // namespace

std::string jetColumnType(int32_t kind)
{
    switch (kind) {
    case 0:
        return "LONGTEXT";
    case 1:
        return "INTEGER";
    case 2:
        return "LONGBINARY";
    case 3:
        return "DOUBLE";
    default:
        return {};
    }
}

Outcome addMissingColumns(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured)
{
    for (const ConfiguredItem& item : configured) {
        std::vector<std::string> none;
        Outcome probe = catalogue.fileList(
            "SELECT " + item.name + " AS Filename FROM " + item.table + " WHERE 1 = 0", true, none);
        const std::string type = jetColumnType(item.type);
        if (probe.is(KAVDB_E_NO_SUCH_TABLE) &&
            tableNumber(configured, item.table) > kLibraryTables) {
            Outcome added = addTable(catalogue, configured, item.table);
            if (!added.ok())
                return added;
            continue;
        }
        if (!probe.is(KAVDB_E_UNKNOWN_COLUMN) || type.empty())
            continue;
        Outcome added =
            catalogue.execute("ALTER TABLE " + item.table + " ADD " + item.name + " " + type);
        if (!added.ok())
            return added;
    }
    return Outcome{};
}

} // namespace kavdb
