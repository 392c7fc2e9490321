/*
 * Moved entries (moved_entries.h).
 */
#include "moved_entries.h"

#include "fingerprint.h"
#include "metadata/camera.h"
#include "paths.h"
#include "photo_items.h"
#include "sql_text.h"

namespace kavdb {

std::optional<std::string> goneEntryWithContent(Catalogue& catalogue,
                                                const std::vector<ConfiguredItem>& configured,
                                                const std::string& contentHash,
                                                const std::string& newPath)
{
    const int table = tableNumber(configured, kFingerprintTable);
    if (table == 0)
        return std::nullopt;
    std::vector<std::string> paths;
    catalogue.fileList("SELECT PathTable.Pathname, MainTable.Filename FROM MainTable, PathTable, " +
                           std::string(kFingerprintTable) +
                           " WHERE MainTable.PathID = PathTable.PathID AND MainTable.DataID" +
                           std::to_string(table) + " = " + kFingerprintTable + ".DataID AND " +
                           "StrComp(" + kFingerprintTable + "." + kContentHashItem + ", " +
                           sqltext::literal(contentHash) + ", 0) = 0",
                       false, paths);
    for (const std::string& path : paths)
        if (path != newPath && goneFromDisk(path))
            return path;
    return std::nullopt;
}

Outcome adoptEntry(Catalogue& catalogue, const std::string& from, const std::string& to,
                   bool toHasRow)
{
    if (toHasRow) {
        Outcome dropped = catalogue.deleteFile(to);
        if (!dropped.ok())
            return dropped;
    }
    return catalogue.moveFile(from, to, true);
}

std::string notesOf(Catalogue& catalogue, const std::string& path)
{
    std::string notes;
    auto add = [&](const std::string& what) { notes += (notes.empty() ? "" : ", ") + what; };
    std::string comment;
    int32_t mark = 0;
    if (catalogue.readComment(path, comment).ok() && !comment.empty())
        add("comment");
    if (catalogue.readMark(path, mark).ok() && mark != 0)
        add("mark");
    std::vector<TableItems> tables;
    catalogue.readItems(path, tables);
    for (const TableItems& table : tables)
        if (table.table != metadata::kCameraTable && table.table != kFingerprintTable &&
            !table.items.empty())
            add(table.table);
    return notes;
}

void indexContentHashes(Catalogue& catalogue)
{
    // Binary, as the library's own match of a metadata row compares (StrComp(..., 0)): the
    // one index serves both. Fails harmlessly when it is there already or the table is not.
    catalogue.execute("CREATE INDEX Fingerprint_ContentHash ON " + std::string(kFingerprintTable) +
                      " (" + kContentHashItem + " COLLATE BINARY)");
}

} // namespace kavdb
