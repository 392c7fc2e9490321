/*
 * The text index's ranking, registered on every SQLite connection as the FTS5 function
 * kavdb_rank(index, weight...): BM25 without length normalisation, each column's matches
 * weighted. A photo's text is a handful of short fields, so their lengths say little of
 * how well it matches, and reading each match's lengths made a search of a common word
 * five times slower than matching it (bm25 at a million photos).
 */
#pragma once

struct sqlite3;

namespace kavdb::engine {

void registerTextRank(sqlite3* db);

} // namespace kavdb::engine
