/*
 * Private to the engine layer: foreign keys as SQL.
 *
 * A key is kept in the file as triggers, so that every tool that opens the catalogue
 * enforces it. Both ways of making one, the schema call and the Jet statement
 * "ALTER TABLE t ADD FOREIGN KEY ...", produce their statements here.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb::engine {

struct ForeignKey {
    std::string name; // trigger names derive from it
    std::string child;
    std::string column;
    std::string parent;
    std::string parentColumn;
    bool cascadeUpdate = true;  // else a referred parent key cannot change
    bool cascadeDelete = false; // else a referred parent row cannot be deleted
};

/* The statements that create the key, in order: two probes that fail when a table or
 * column does not exist, then the triggers. Rows already in the child table are not
 * checked: a key can be added to a table whose rows predate it. */
std::vector<std::string> foreignKeyStatements(const ForeignKey& key);

/* The name a key gets when its statement names none. */
std::string derivedKeyName(const std::string& child, const std::string& column);

} // namespace kavdb::engine
