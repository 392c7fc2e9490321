/*
 * Jet dialect: the SQL that the library and its applications write, made SQLite's.
 *
 * "..." is a text literal (never an identifier), [name] an identifier, & concatenates,
 * SELECT TOP n becomes LIMIT n, #yyyy-mm-dd# a text literal, StrComp(a,"b",0)=0 a binary
 * equality an index can serve; DDL type words (AUTOINCREMENT, COUNTER, LONGTEXT, MEMO,
 * TEXT(n), BINARY, LONGBINARY, INTEGER, LONG) and ALTER TABLE ... ADD [FOREIGN KEY] are
 * rewritten. Text inside literals is never touched. Translation never fails: text it
 * does not understand passes through for SQLite to judge.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb::engine {

/* One Jet text to one or more SQLite statements. */
std::vector<std::string> translateJet(const std::string& jet);

/* Text columns that compare exactly (file names on a case-sensitive file system). */
bool isExactTextColumn(const std::string& column);

/* The SQLite column type for a Jet type word used for column name (TEXT columns get
 * NOCASE unless isExactTextColumn). */
std::string sqliteColumnType(const std::string& column, const std::string& jetType);

/* Quotes a name as an SQLite identifier. */
std::string quoteIdent(const std::string& name);

} // namespace kavdb::engine
