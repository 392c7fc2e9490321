/*
 * Jet dialect: the SQL that the library and its applications write, made the engine's.
 *
 * One front end reads a Jet statement (tree.h) and a target spells it for one engine
 * (target.h): "..." is a text literal, [name] an identifier, #date# a date; operators,
 * functions, LIKE patterns, TOP with its ties, DISTINCTROW, the DELETE, UPDATE, SELECT
 * ... INTO and DDL forms of Jet keep Jet's meaning, texts compare ignoring case (file
 * names exactly), and column types keep their values Jet's. A construct with no sound
 * spelling raises kSyntax rather than run with another meaning.
 *
 * A text is exactly one statement of a kind Jet runs (SELECT, INSERT, UPDATE, DELETE,
 * CREATE, DROP, ALTER), with no comment and nothing after its closing ';'; anything else
 * raises kSyntax before any of it runs.
 */
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kavdb::engine {

/* The engines the translator writes for. */
enum class Dialect { Sqlite, Postgres };

/* The columns (name, declared type) a query in the dialect returns; SELECT ... INTO
 * makes its table from them, and is refused by a translation given none. */
using DescribeQuery =
    std::function<std::vector<std::pair<std::string, std::string>>(const std::string& sql)>;

/* One Jet statement to the statements that carry it out in the dialect (a key added by
 * ALTER TABLE takes several); raises kSyntax for a text that is not one Jet statement. */
std::vector<std::string> translateJet(const std::string& jet, const DescribeQuery& describe = {},
                                      Dialect dialect = Dialect::Sqlite);

/* The table a DROP TABLE statement names, or "" for any other statement. */
std::string droppedTable(const std::string& jet);

/* Raises kUnknownColumn, as Jet does for a value it was not given, when the text holds
 * a parameter placeholder (? : @ $) outside its literals: a text run without values
 * must not have SQLite bind Null in their place. */
void refuseUnboundParameters(const std::string& jet);

/* Text columns that compare exactly (file names on a case-sensitive file system). */
bool isExactTextColumn(const std::string& column);

/* The engine's column type, with the checks that keep its values Jet's, for a Jet type
 * ("LONG", "TEXT(20)", ...) of column; a type word Jet does not know comes back as it is,
 * and a Jet type with no counterpart here (CURRENCY, DECIMAL, GUID) raises kSyntax. */
std::string columnType(const std::string& column, const std::string& jetType,
                       Dialect dialect = Dialect::Sqlite);

/* An enforced foreign key: child(column) refers to parent(parentColumn). */
struct ForeignKey {
    std::string name; // named after child and column when its statement names none
    std::string child;
    std::string column;
    std::string parent;
    std::string parentColumn;
    bool cascadeUpdate = true;  // else a referred parent key cannot change
    bool cascadeDelete = false; // else a referred parent row cannot be deleted
};
/* The statements that make an enforced foreign key in the dialect. */
std::vector<std::string> keyStatements(const ForeignKey& key, Dialect dialect);

/* Quotes a name as an SQLite identifier. */
std::string quoteIdent(const std::string& name);

} // namespace kavdb::engine
