/*
 * What the catalogue holds, folder by folder: the registered folders and the files of
 * one folder, read with plain SQL over the catalogue's PathTable and MainTable (a folder
 * text there is the folder's full path followed by "/").
 */
#pragma once

#include "catalogue.h"

#include <string>
#include <vector>

namespace kavdb {

/* Folder texts of every registered folder, sorted. */
Outcome cataloguedFolders(Catalogue& catalogue, std::vector<std::string>& out);

/* Folder texts of the registered folders at or below folder (an absolute path). */
Outcome cataloguedFoldersWithin(Catalogue& catalogue, const std::string& folder,
                                std::vector<std::string>& out);

/* Full paths of the files registered in one folder (given by its folder text), sorted;
 * with also, only the files whose MainTable row meets that condition too. */
Outcome cataloguedFiles(Catalogue& catalogue, const std::string& folderText,
                        std::vector<std::string>& out, const std::string& also = "");

} // namespace kavdb
