/*
 * The catalogue's text index, on SQLite's FTS5: one document per file holding its name,
 * its folder, its comment and the text items named when the index was made. The index
 * reads its documents from a view of the catalogue (external content) and is kept in step
 * by triggers stored in the file, so every write, by this library or any tool, changes it
 * in the same transaction. Every statement in SQLite's dialect lives here; a server's form
 * is server_text_index.h's (tsvector and GIN).
 */
#pragma once

#include "store/index_definition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::store {

/* The index (FTS5, or the server's form on a server): made of text items, the documents
 * of the files' names, folders, comments and those items. */
const CatalogueIndex& textIndex();

/* Full paths of the files matching an FTS5 query, best first; limit < 0: all. */
std::vector<std::string> searchTextIndex(engine::Connection& c, const std::string& match,
                                         int32_t limit);

} // namespace kavdb::store
