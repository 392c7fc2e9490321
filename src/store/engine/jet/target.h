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

class Spelling;

/* One engine's target: the one Jet writer with that engine's Spelling. */
class Target {
  public:
    explicit Target(const Spelling& spelling) : spelling_(spelling) {}

    /* The target's statements that carry out one Jet statement, in order. Raises kSyntax
     * for a Jet construct the target has no sound spelling of. */
    std::vector<std::string> statements(const Statement& s, const Describe& describe) const;

    /* A column of a Jet type: the target's type with the checks that keep its values
     * Jet's (the library's own tables are made with it too). */
    std::string columnType(const std::string& column, TypeClass type, int size) const;
    /* The statements that make an enforced foreign key. */
    std::vector<std::string> keyStatements(const ForeignKey& key) const;

  private:
    const Spelling& spelling_;
};

/* The column that takes a changed column's values before it takes its name. */
inline constexpr const char* kAlteredColumn = "jet_altered_column";

/* What one engine spells its own way inside the statements the Jet writer makes; the
 * writer (writer.cpp) decides everything else. */
class Spelling {
  public:
    virtual ~Spelling() = default;
    /* The suffix that makes a text compare ignoring case, or exactly. */
    virtual std::string collate(bool noCase) const = 0;
    /* The name of a table row's own key. */
    virtual std::string rowKey() const = 0;
    /* A column of a Jet type with the checks that keep its values Jet's. */
    virtual std::string type(const std::string& named, bool exact, TypeClass type,
                             int size) const = 0;
    /* value LIKE pattern; literal is the pattern's text when it is written as one. */
    virtual std::string like(const std::string& value, const std::string& pattern,
                             const std::string* literal, bool exact, bool negated) const = 0;
    /* An operator of Jet's whose operands may be texts, Nulls or zero (Cat takes any
     * number of operands, the others two). */
    virtual std::string arithmetic(Op op, const std::vector<std::string>& operands) const = 0;
    /* Add or Sub with a date among its operands (second: the operand is one): days are
     * counted on the date, and two dates give the days between them. */
    using Operand = std::pair<std::string, bool>;
    virtual std::string dateArithmetic(Op op, const Operand& a, const Operand& b) const
    {
        return arithmetic(op, {a.first, b.first});
    }
    /* What follows a term of ORDER BY: Jet sorts Null before any value, and so after them
     * all when descending. */
    virtual std::string sortOrder(bool descending) const { return descending ? " DESC" : ""; }
    /* A truth as a value (Jet's True is -1), and a value as a truth. */
    virtual std::string truthValue(const std::string& truth) const = 0;
    virtual std::string asCondition(const std::string& value) const = 0;
    /* A call of Jet's function name (or of another function) with its arguments. */
    virtual std::string call(std::string_view name, const std::vector<std::string>& args) const = 0;
    /* Statements that change a column's type in place, the new definition given. */
    virtual std::vector<std::string> alterColumn(const std::string& table,
                                                 const std::string& column,
                                                 const std::string& definition,
                                                 const std::string& type) const = 0;
    /* Statements that make an index's columns refuse Null, and that drop an index. */
    virtual std::vector<std::string> refuseNull(const std::string& index, const std::string& table,
                                                const std::vector<std::string>& columns) const = 0;
    virtual std::vector<std::string> dropIndex(const std::string& index,
                                               const std::string& table) const = 0;
    /* Statements that enforce a foreign key. */
    virtual std::vector<std::string> foreignKey(const ForeignKey& key) const = 0;
};

/* The statements of one Jet statement, spelled for an engine. */
std::vector<std::string> writeJet(const Statement& s, const Describe& describe,
                                  const Spelling& spelling);
/* A declared column type back as the Jet type it spells (REAL is the library's double). */
TypeClass declaredClass(const std::string& declared, int& size);

const Target& sqliteTarget();
const Target& postgresTarget();

} // namespace kavdb::engine::jet
