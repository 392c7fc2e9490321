/*
 * Forgetting a file's metadata row (item_rows.h).
 */
#include "item_rows.h"

#include "paths.h"
#include "sql_text.h"

namespace kavdb {
namespace {

/* The condition that selects the file's MainTable row. */
std::string fileCondition(const std::string& path)
{
    return "MainTable.Filename = " + sqltext::literal(fileName(path)) +
           " AND MainTable.PathID IN (SELECT PathID FROM PathTable WHERE Pathname = " +
           sqltext::literal(folderKey(parentFolder(path))) + ")";
}

} // namespace

Outcome clearTableRow(Catalogue& catalogue, const std::string& path, const std::string& table,
                      int tableNumber)
{
    const std::string link = "DataID" + std::to_string(tableNumber);
    std::vector<std::string> ids;
    Outcome outcome =
        catalogue.fileList("SELECT Nz(MainTable." + link +
                               ", 0) AS Filename FROM MainTable WHERE " + fileCondition(path),
                           true, ids);
    if (!outcome.ok() || ids.size() != 1 || ids.front() == "0")
        return outcome;
    const std::string id = ids.front();
    outcome =
        catalogue.execute("UPDATE MainTable SET " + link + " = NULL WHERE " + fileCondition(path));
    if (!outcome.ok())
        return outcome;
    return catalogue.execute("DELETE FROM " + table + " WHERE DataID = " + id +
                             " AND DataID NOT IN (SELECT " + link + " FROM MainTable WHERE " +
                             link + " = " + id + ")");
}

} // namespace kavdb
