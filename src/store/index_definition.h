/*
 * What the catalogue's own indexes (text, place) are made of: the items each one reads,
 * kept in the catalogue (IndexItems) so that an index can be made again from the file
 * alone, by a repair or another program, and so that its triggers can be checked.
 */
#pragma once

#include "store/engine/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace kavdb::store {

/* One metadata item an index reads, and the MainTable column that links a file to its
 * row. */
struct IndexedItem {
    std::string table;
    std::string item;
    std::string link;
    bool operator==(const IndexedItem&) const = default;
};

/* The engine was built with the module an index needs (SQLite's compile option, e.g.
 * ENABLE_FTS5); false, never raising, on an engine that cannot say. */
bool engineHasModule(engine::Connection& c, const char* option);

/* The items stored for the index; empty when it has none. */
std::vector<IndexedItem> loadIndexItems(engine::Connection& c, const std::string& index);
/* Replaces the items stored for the index. */
void saveIndexItems(engine::Connection& c, const std::string& index,
                    const std::vector<IndexedItem>& items);
/* Runs work inside a savepoint: when it raises, everything it did is undone before the
 * error goes on, so an index is never left half made. */
void wholeOrNothing(engine::Connection& c, const std::function<void()>& work);

/* The names of the catalogue's triggers starting with prefix. */
std::vector<std::string> triggersNamed(engine::Connection& c, const std::string& prefix);
/* Drops every trigger starting with prefix. */
void dropTriggers(engine::Connection& c, const std::string& prefix);

} // namespace kavdb::store
