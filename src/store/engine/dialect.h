/*
 * Jet dialect: the SQL that the library and its applications write, made SQLite's.
 *
 * "..." is a text literal (never an identifier), [name] an identifier, & concatenates,
 * SELECT TOP n becomes LIMIT n, #yyyy-mm-dd# a text literal, StrComp(a,"b",0)=0 a binary
 * equality an index can serve; DDL type words (AUTOINCREMENT, COUNTER, LONGTEXT, MEMO,
 * TEXT(n), BINARY, LONGBINARY, INTEGER, LONG) and ALTER TABLE ... ADD [FOREIGN KEY] are
 * rewritten. Text inside literals is never touched.
 *
 * A text is exactly one statement of a kind Jet runs (SELECT, INSERT, UPDATE, DELETE,
 * CREATE, DROP, ALTER), with no comment and nothing after its closing ';'; anything
 * else raises kSyntax before any of it runs. Beyond that, text the translator does not
 * understand passes through for SQLite to judge.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb::engine {

/* One Jet statement to the SQLite statements that carry it out (a key added by ALTER
 * TABLE takes several); raises kSyntax for a text that is not one Jet statement. */
std::vector<std::string> translateJet(const std::string& jet);

/* The table a DROP TABLE statement names, or "" for any other statement. */
std::string droppedTable(const std::string& jet);

/* Raises kUnknownColumn, as Jet does for a value it was not given, when the text holds
 * a parameter placeholder (? : @ $) outside its literals: a text run without values
 * must not have SQLite bind Null in their place. */
void refuseUnboundParameters(const std::string& jet);

/* Text columns that compare exactly (file names on a case-sensitive file system). */
bool isExactTextColumn(const std::string& column);

/* The SQLite column type for a Jet type word used for column name (TEXT columns get
 * NOCASE unless isExactTextColumn). */
std::string sqliteColumnType(const std::string& column, const std::string& jetType);

/* Quotes a name as an SQLite identifier. */
std::string quoteIdent(const std::string& name);

} // namespace kavdb::engine
