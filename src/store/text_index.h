/*
 * The catalogue's text index, on SQLite's FTS5: one document per file holding its name,
 * its folder, its comment and the text items named when the index was made. The index
 * reads its documents from a view of the catalogue (external content) and is kept in step
 * by triggers stored in the file, so every write, by this library or any tool, changes it
 * in the same transaction. Every statement in SQLite's dialect lives here; another engine
 * gets a file of its own (tsvector and GIN on PostgreSQL).
 */
#pragma once

#include "store/index_definition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::store {

/* The engine has FTS5 (false, never raising, on an engine that does not). */
bool textIndexAvailable(engine::Connection& c);
/* The index exists and was made from exactly these items. */
bool textIndexMadeOf(engine::Connection& c, const std::vector<IndexedItem>& items);
/* Makes the index afresh from these items (any earlier one dropped) and fills it. */
void createTextIndex(engine::Connection& c, const std::vector<IndexedItem>& items);
/* The items the index was made from; empty when the catalogue has none. */
std::vector<IndexedItem> textIndexItems(engine::Connection& c);
bool hasTextIndex(engine::Connection& c);

/* Full paths of the files matching an FTS5 query, best first; limit < 0: all. */
std::vector<std::string> searchTextIndex(engine::Connection& c, const std::string& match,
                                         int32_t limit);

/* What is wrong with the index (missing triggers, documents out of step with the
 * catalogue, a damaged index); empty when it is sound. */
std::vector<std::string> textIndexProblems(engine::Connection& c);
/* Documents in the index. */
int64_t textIndexSize(engine::Connection& c);

} // namespace kavdb::store
