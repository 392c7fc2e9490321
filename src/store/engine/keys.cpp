/*
 * Foreign keys as triggers: the child side refuses a value that no parent row holds, the
 * parent side refuses to lose a row that children still refer to and carries a changed
 * key over to its children (or refuses the change, by the key's rule).
 */
#include "store/engine/keys.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"

namespace kavdb::engine {

namespace {

struct Names {
    std::string child, column, parent, parentColumn;
};

std::string raise(const ForeignKey& key, const std::string& what)
{
    return "SELECT RAISE(ABORT, " + quoteLiteral("key " + key.name + ": " + what) + "); ";
}

std::string trigger(const ForeignKey& key, const char* suffix, const std::string& timing,
                    const std::string& when, const std::string& body)
{
    return "CREATE TRIGGER " + quoteIdent(key.name + suffix) + " " + timing +
           " FOR EACH ROW WHEN " + when + " BEGIN " + body + "END";
}

std::string childRefersTo(const Names& n, const char* row)
{
    return "EXISTS (SELECT 1 FROM " + n.child + " WHERE " + n.column + " = " + row + "." +
           n.parentColumn + ")";
}

std::vector<std::string> childTriggers(const ForeignKey& key, const Names& n)
{
    std::string missingParent = "NEW." + n.column + " IS NOT NULL AND NOT EXISTS (SELECT 1 FROM " +
                                n.parent + " WHERE " + n.parentColumn + " = NEW." + n.column + ")";
    std::string refuse = raise(key, "no row of " + key.parent + " holds this " + key.parentColumn);
    return {trigger(key, "_ins", "BEFORE INSERT ON " + n.child, missingParent, refuse),
            trigger(key, "_upd", "BEFORE UPDATE OF " + n.column + " ON " + n.child, missingParent,
                    refuse)};
}

std::string parentDeleteTrigger(const ForeignKey& key, const Names& n)
{
    if (key.cascadeDelete) {
        return trigger(key, "_pdel", "AFTER DELETE ON " + n.parent, "1",
                       "DELETE FROM " + n.child + " WHERE " + n.column + " = OLD." +
                           n.parentColumn + "; ");
    }
    return trigger(key, "_pdel", "BEFORE DELETE ON " + n.parent, childRefersTo(n, "OLD"),
                   raise(key, "rows of " + key.child + " still refer to this row"));
}

std::string parentUpdateTrigger(const ForeignKey& key, const Names& n)
{
    std::string changed = "NEW." + n.parentColumn + " IS NOT OLD." + n.parentColumn;
    std::string on = " UPDATE OF " + n.parentColumn + " ON " + n.parent;
    if (key.cascadeUpdate) {
        return trigger(key, "_pupd", "AFTER" + on, changed,
                       "UPDATE " + n.child + " SET " + n.column + " = NEW." + n.parentColumn +
                           " WHERE " + n.column + " = OLD." + n.parentColumn + "; ");
    }
    return trigger(key, "_pupd", "BEFORE" + on, changed + " AND " + childRefersTo(n, "OLD"),
                   raise(key, "rows of " + key.child + " still refer to this key"));
}

} // namespace

std::vector<std::string> foreignKeyStatements(const ForeignKey& key)
{
    Names n{quoteIdent(key.child), quoteIdent(key.column), quoteIdent(key.parent),
            quoteIdent(key.parentColumn)};
    std::vector<std::string> out = {
        "SELECT " + n.column + " FROM " + n.child + " LIMIT 0",
        "SELECT " + n.parentColumn + " FROM " + n.parent + " LIMIT 0",
    };
    for (std::string& s : childTriggers(key, n)) {
        out.push_back(std::move(s));
    }
    out.push_back(parentDeleteTrigger(key, n));
    out.push_back(parentUpdateTrigger(key, n));
    return out;
}

std::string derivedKeyName(const std::string& child, const std::string& column)
{
    return child + "_" + column;
}

} // namespace kavdb::engine
