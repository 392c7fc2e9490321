/*
 * What the catalogue's own indexes (text, place) are made of: the items each one reads,
 * kept in the catalogue (IndexItems) so that an index can be made again from the file
 * alone, by a repair or another program, and so that its triggers can be checked.
 */
#pragma once

#include "store/engine/connection.h"

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

/* The items stored for the index; empty when it has none. */
std::vector<IndexedItem> loadIndexItems(engine::Connection& c, const std::string& index);
/* Replaces the items stored for the index. */
void saveIndexItems(engine::Connection& c, const std::string& index,
                    const std::vector<IndexedItem>& items);
/* The names of the catalogue's triggers starting with prefix. */
std::vector<std::string> triggersNamed(engine::Connection& c, const std::string& prefix);
/* Drops every trigger starting with prefix. */
void dropTriggers(engine::Connection& c, const std::string& prefix);

} // namespace kavdb::store
