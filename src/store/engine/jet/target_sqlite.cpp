/*
 * The SQLite target of the Jet translator (see target.h). What SQLite lacks of Jet is
 * spelled with the functions registered on every connection (functions.h): jet_cat,
 * jet_add ... for operators whose operands may be texts or Null, jet_like for Jet's
 * patterns. Texts compare ignoring case through COLLATE NOCASE, file names as BINARY.
 * Column types carry CHECK constraints named jet_type and jet_size, which the error
 * mapping turns into Jet's type-mismatch and field-too-small codes.
 */
#include "store/engine/jet/target.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/native.h"

#include <cstdlib>

namespace kavdb::engine::jet {

namespace {
/* Arguments of one jet_cat call, below SQLite's least limit (127). */
constexpr std::size_t kMaxArguments = 100;

/* A Jet pattern as a GLOB pattern, which compares exactly. */
std::string globOf(std::string_view p)
{
    std::string out;
    const std::size_t lastClose = p.rfind(']');
    for (std::size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        if (c == '[' && lastClose != std::string_view::npos && lastClose > i) {
            std::size_t close = p.find(']', i + 1);
            std::string list(p.substr(i + 1, close - i - 1));
            out += "[" + (list.empty() || list[0] != '!' ? list : "^" + list.substr(1)) + "]";
            i = close;
        } else {
            out += c == '%'   ? "*"
                   : c == '_' ? "?"
                   : c == '*' ? "[*]"
                   : c == '?' ? "[?]"
                   : c == '[' ? "[[]"
                              : std::string(1, c);
        }
    }
    return out;
}

std::string check(const char* name, const std::string& condition)
{
    return std::string(" CONSTRAINT ") + name + " CHECK (" + condition + ")";
}

/* The SQLite type of a Jet column; the checks name the column as named. */
std::string spell(const std::string& named, bool exact, TypeClass type, int size)
{
    std::string c = quoteIdent(named);
    std::string n = size > 0 ? "(" + std::to_string(size) + ")" : "";
    // A value of another kind than the column's is unequal to itself made that kind (and
    // SQLite reads that check faster than it calls typeof).
    auto typed = [&](const char* kind) {
        return check("jet_type", c + " = CAST(" + c + " AS " + kind + ")");
    };
    auto range = [&](const char* type, const char* low, const char* high) {
        return type + typed("INTEGER") + check("jet_size", c + " BETWEEN " + low + " AND " + high);
    };
    std::string length =
        size > 0 ? check("jet_size", "length(" + c + ") <= " + std::to_string(size)) : "";
    switch (type) {
    case TypeClass::Counter:
        return "INTEGER PRIMARY KEY AUTOINCREMENT";
    case TypeClass::Text:
    case TypeClass::Memo:
        return "TEXT" + n + (exact ? "" : " COLLATE NOCASE") + typed("TEXT") + length;
    case TypeClass::Byte:
        return range("TINYINT", "0", "255");
    case TypeClass::Short:
        return range("SMALLINT", "-32768", "32767");
    case TypeClass::Long:
        return range("INTEGER", "-2147483648", "2147483647");
    case TypeClass::Single:
    case TypeClass::Double:
        return "REAL" + typed("REAL");
    case TypeClass::DateTime:
        return "DATETIME" +
               check("jet_type", c + " IS NULL OR (typeof(" + c + ") = 'text' AND datetime(" + c +
                                     ") IS NOT NULL)");
    case TypeClass::Bit:
        return "BIT" + typed("INTEGER") + check("jet_size", c + " IN (-1, 0)");
    case TypeClass::Binary:
    case TypeClass::LongBinary:
        return "BLOB" + n + typed("BLOB") + length;
    default:
        raiseEngine(code::kSyntax, "Jet's CURRENCY, DECIMAL and GUID columns have no exact "
                                   "counterpart here.");
    }
}

std::string_view spelledName(std::string_view jet)
{
    static constexpr std::pair<std::string_view, std::string_view> renamed[] = {
        {"Abs", "abs"},         {"Asc", "unicode"},       {"Avg", "avg"},
        {"Chr", "char"},        {"Count", "count"},       {"Date", "jet_date"},
        {"Fix", "trunc"},       {"Format", "jet_format"}, {"Int", "floor"},
        {"LCase", "lower"},     {"Left", "jet_left"},     {"Len", "length"},
        {"LTrim", "ltrim"},     {"Max", "max"},           {"Min", "min"},
        {"Replace", "replace"}, {"Right", "jet_right"},   {"Round", "jet_round"},
        {"RTrim", "rtrim"},     {"Sgn", "sign"},          {"Sum", "sum"},
        {"Trim", "trim"},       {"UCase", "upper"},
    };
    for (const auto& [from, to] : renamed) {
        if (from == jet) {
            return to;
        }
    }
    return jet;
}

/* SQLite's spellings: Jet's rules in the functions registered on every connection
 * (functions.h), keys and non-Null indexes as triggers. */
/* A foreign key is kept in the file as triggers, so that every tool that opens the
 * catalogue enforces it: the child side refuses a value that no parent row holds, the
 * parent side refuses to lose a row that children still refer to and carries a changed
 * key over to its children (or refuses the change, by the key's rule). The suffixes of
 * the triggers' names tell the driver a table is in a key (sqlite_driver.cpp). */
struct KeyNames {
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

std::string childRefersTo(const KeyNames& n, const char* row)
{
    return "EXISTS (SELECT 1 FROM " + n.child + " WHERE " + n.column + " = " + row + "." +
           n.parentColumn + ")";
}

std::string parentDeleteTrigger(const ForeignKey& key, const KeyNames& n)
{
    if (key.cascadeDelete) {
        return trigger(key, "_pdel", "AFTER DELETE ON " + n.parent, "1",
                       "DELETE FROM " + n.child + " WHERE " + n.column + " = OLD." +
                           n.parentColumn + "; ");
    }
    return trigger(key, "_pdel", "BEFORE DELETE ON " + n.parent, childRefersTo(n, "OLD"),
                   raise(key, "rows of " + key.child + " still refer to this row"));
}

std::string parentUpdateTrigger(const ForeignKey& key, const KeyNames& n)
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

/* Two probes that fail when a table or column does not exist, then the triggers. Rows
 * already in the child table are not checked: a key can be added to a table whose rows
 * predate it. */
std::vector<std::string> keyTriggers(const ForeignKey& key)
{
    KeyNames n{quoteIdent(key.child), quoteIdent(key.column), quoteIdent(key.parent),
               quoteIdent(key.parentColumn)};
    std::string missingParent = "NEW." + n.column + " IS NOT NULL AND NOT EXISTS (SELECT 1 FROM " +
                                n.parent + " WHERE " + n.parentColumn + " = NEW." + n.column + ")";
    std::string refuse = raise(key, "no row of " + key.parent + " holds this " + key.parentColumn);
    return {"SELECT " + n.column + " FROM " + n.child + " LIMIT 0",
            "SELECT " + n.parentColumn + " FROM " + n.parent + " LIMIT 0",
            trigger(key, "_ins", "BEFORE INSERT ON " + n.child, missingParent, refuse),
            trigger(key, "_upd", "BEFORE UPDATE OF " + n.column + " ON " + n.child, missingParent,
                    refuse),
            parentDeleteTrigger(key, n),
            parentUpdateTrigger(key, n)};
}

class SqliteSpelling final : public Spelling {
  public:
    std::string collate(bool noCase) const override
    {
        return noCase ? " COLLATE NOCASE" : " COLLATE BINARY";
    }
    std::string rowKey() const override { return "rowid"; }
    std::string type(const std::string& named, bool exact, TypeClass type, int size) const override
    {
        return spell(named, exact, type, size);
    }
    /* A written pattern SQLite's LIKE (ignoring case) or GLOB (exact) reads as Jet does
     * goes to it, and an index may serve it; any other to jet_like. */
    std::string like(const std::string& value, const std::string& pattern,
                     const std::string* literal, bool exact, bool negated) const override
    {
        if (literal != nullptr && (exact || literal->find('[') == std::string::npos)) {
            return "(" + value + (negated ? " NOT " : " ") + (exact ? "GLOB " : "LIKE ") +
                   quoteLiteral(exact ? globOf(*literal) : *literal) + ")";
        }
        return std::string(negated ? "(NOT jet_like(" : "(jet_like(") + value + ", " + pattern +
               (exact ? ", 1))" : ", 0))");
    }
    std::string arithmetic(Op op, const std::vector<std::string>& operands) const override
    {
        static constexpr const char* functions[] = {"jet_cat", "jet_add",  "jet_sub", "jet_mul",
                                                    "jet_div", "jet_idiv", "jet_mod", "jet_pow"};
        // SQLite takes at most 127 arguments to a call: a longer chain is calls of calls.
        std::string fn = functions[static_cast<int>(op) - static_cast<int>(Op::Cat)];
        std::string calls = fn + "(";
        for (std::size_t i = 0; i < operands.size(); ++i) {
            bool full = i > 0 && i % kMaxArguments == 0;
            calls = full ? fn + "(" + calls + "), " : i > 0 ? calls + ", " : calls;
            calls += operands[i];
        }
        return calls + ")";
    }
    std::string truthValue(const std::string& truth) const override { return "-" + truth; }
    std::string asCondition(const std::string& value) const override { return value; }
    std::string call(std::string_view name, const std::vector<std::string>& args) const override
    {
        std::string out = std::string(spelledName(name)) + "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            out += (i > 0 ? ", " : "") + args[i];
        }
        return out + ")";
    }
    /* SQLite changes no column's type in place: a column of the new type takes the values
     * (each checked by the type), the old one goes, and the new one takes its name. */
    std::vector<std::string> alterColumn(const std::string& table, const std::string& column,
                                         const std::string& definition,
                                         const std::string&) const override
    {
        std::string c = quoteIdent(column);
        return {"ALTER TABLE " + table + " ADD COLUMN " + definition,
                "UPDATE " + table + " SET " + kAlteredColumn + " = " + c,
                "ALTER TABLE " + table + " DROP COLUMN " + c,
                "ALTER TABLE " + table + " RENAME COLUMN " + kAlteredColumn + " TO " + c};
    }
    /* Triggers refuse Null, which a row already holding Null fails at once. */
    std::vector<std::string> refuseNull(const std::string& index, const std::string& table,
                                        const std::vector<std::string>& columns) const override
    {
        std::string list, nulls, newNulls;
        for (const std::string& column : columns) {
            list += (list.empty() ? "" : ", ") + column;
            nulls += (nulls.empty() ? "" : " OR ") + column + " IS NULL";
            newNulls += (newNulls.empty() ? "NEW." : " OR NEW.") + column + " IS NULL";
        }
        std::string body =
            " FOR EACH ROW WHEN " + newNulls +
            " BEGIN SELECT RAISE(ABORT, 'Index or primary key cannot contain a Null value.'); END";
        return {"CREATE TRIGGER " + quoteIdent(index + "_nonnull_new") + " BEFORE INSERT ON " +
                    table + body,
                "CREATE TRIGGER " + quoteIdent(index + "_nonnull_set") + " BEFORE UPDATE OF " +
                    list + " ON " + table + body,
                "UPDATE " + table + " SET " + columns[0] + " = " + columns[0] + " WHERE " + nulls};
    }
    std::vector<std::string> dropIndex(const std::string& index, const std::string&) const override
    {
        return {"DROP INDEX " + quoteIdent(index),
                "DROP TRIGGER IF EXISTS " + quoteIdent(index + "_nonnull_new"),
                "DROP TRIGGER IF EXISTS " + quoteIdent(index + "_nonnull_set")};
    }
    std::vector<std::string> foreignKey(const ForeignKey& key) const override
    {
        return keyTriggers(key);
    }
};

} // namespace

const Target& sqliteTarget()
{
    static const SqliteSpelling spelling;
    static const Target target(spelling);
    return target;
}

} // namespace kavdb::engine::jet
