/*
 * The catalogue's text index on a PostgreSQL server: the same documents as the FTS5 index
 * of a file catalogue (text_index.h), one row per file holding a tsvector of its name,
 * folder, comment and text items, under a GIN index, kept in step by triggers in the
 * transaction of every write. Every statement in PostgreSQL's dialect lives here.
 */
#pragma once

#include "store/index_definition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::store {

/* The server's form of the index (text_index.h's textIndex() chooses it on a server). */
const CatalogueIndex& serverTextIndex();

/* A search's terms as the server's index reads them: each term its prefix mark ('*' when
 * its last word may be the start of a longer one, ' ' when not) then its text, the terms
 * apart by kTermSeparator. */
inline constexpr char kTermSeparator = '\x1f';

/* Full paths of the files matching terms, best first; limit < 0: all. */
std::vector<std::string> searchServerTextIndex(engine::Connection& c, const std::string& terms,
                                               int32_t limit);

} // namespace kavdb::store
