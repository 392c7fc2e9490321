/*
 * Catalogue listings (catalogue_listing.h).
 */
#include "catalogue_listing.h"

#include "paths.h"
#include "sql_text.h"

#include <algorithm>

namespace kavdb {

Outcome cataloguedFolders(Catalogue& catalogue, std::vector<std::string>& out)
{
    std::vector<std::string> folders;
    Outcome outcome =
        catalogue.fileList("SELECT Pathname AS Filename FROM PathTable", true, folders);
    std::sort(folders.begin(), folders.end());
    out.insert(out.end(), folders.begin(), folders.end());
    return outcome;
}

Outcome cataloguedFoldersWithin(Catalogue& catalogue, const std::string& folder,
                                std::vector<std::string>& out)
{
    std::vector<std::string> all;
    Outcome outcome = cataloguedFolders(catalogue, all);
    for (const std::string& text : all)
        if (folderWithin(text, folder))
            out.push_back(text);
    return outcome;
}

Outcome cataloguedFiles(Catalogue& catalogue, const std::string& folderText,
                        std::vector<std::string>& out, const std::string& also)
{
    std::vector<std::string> files;
    Outcome outcome = catalogue.fileList(
        "SELECT PathTable.Pathname, MainTable.Filename FROM MainTable, PathTable "
        "WHERE MainTable.PathID = PathTable.PathID AND PathTable.Pathname = " +
            sqltext::literal(folderText) + (also.empty() ? "" : " AND (" + also + ")"),
        false, files);
    std::sort(files.begin(), files.end());
    out.insert(out.end(), files.begin(), files.end());
    return outcome;
}

} // namespace kavdb
