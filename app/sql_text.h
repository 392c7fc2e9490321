/*
 * Reading the application's Jet SQL as text, the little that kavdb must: where a keyword
 * stands at the top level of a statement (outside literals, [bracketed names] and
 * parentheses), and a list split at its top-level commas. search uses it to hand the
 * library a condition that survives the joins appended after it; sql to see the columns
 * a SELECT returns and the table an UPDATE or DELETE changes.
 */
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kavdb::sqltext {

inline constexpr std::size_t npos = std::string::npos;

/* Where the word (letters; any case) first stands at the top level at or after from;
 * npos when it does not. "ORDER BY" style pairs are matched word by word. */
std::size_t findKeyword(const std::string& sql, const std::string& words, std::size_t from = 0);

/* The top-level parts of text between its commas, each trimmed. */
std::vector<std::string> splitTopLevel(const std::string& text);

/* The statement's first word, upper-cased ("SELECT", "UPDATE", ...). */
std::string firstWord(const std::string& sql);

/* A text as an SQL text literal of the catalogue's dialect: in double quotes, with any
 * double quote inside doubled. */
std::string literal(const std::string& text);

/* text without blanks around it. */
std::string trimmed(const std::string& text);

/* True when the text is one name, or a table-qualified name ("Make", "ExifInfo.Make",
 * "[Date Taken]"); its last part (without brackets) is then the column's name. */
bool isColumnName(const std::string& text, std::string& column);

} // namespace kavdb::sqltext
