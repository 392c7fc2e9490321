/*
 * Private to the engine layer: a target dialect of the Jet translator. The front end
 * (tree.h) reads Jet and decides what Jet means; a target spells that for one engine,
 * in one file of its own. SQLite's is the one target today.
 */
#pragma once

#include "store/engine/jet/tree.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kavdb::engine::jet {

/* The columns a query in the target's own SQL returns: name and declared type. A target
 * that cannot make a table of a query's columns in SQL alone (SELECT ... INTO) asks. */
using Describe =
    std::function<std::vector<std::pair<std::string, std::string>>(const std::string& sql)>;

class Target {
  public:
    virtual ~Target() = default;

    /* The target's statements that carry out one Jet statement, in order. Raises kSyntax
     * for a Jet construct the target has no sound spelling of. */
    virtual std::vector<std::string> statements(const Statement& s,
                                                const Describe& describe) const = 0;

    /* A column of a Jet type: the target's type with the checks that keep its values
     * Jet's (the library's own tables are made with it too). */
    virtual std::string columnType(const std::string& column, TypeClass type, int size) const = 0;
};

const Target& sqliteTarget();

} // namespace kavdb::engine::jet
