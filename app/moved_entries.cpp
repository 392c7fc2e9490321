/*
 * Moved entries (moved_entries.h).
 */
#include "moved_entries.h"

#include "fingerprint.h"
#include "metadata/camera.h"
#include "photo_items.h"
#include "sql_text.h"

#include <sys/stat.h>

#include <cerrno>

namespace kavdb {
namespace {

bool goneFromDisk(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

} // namespace

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
                           kFingerprintTable + "." + kContentHashItem + " = " +
                           sqltext::literal(contentHash),
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
    // Fails harmlessly when the index is there already or the table is not.
    catalogue.execute("CREATE INDEX Fingerprint_ContentHash ON " + std::string(kFingerprintTable) +
                      " (" + kContentHashItem + ")");
}

} // namespace kavdb
