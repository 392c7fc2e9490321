/*
 * Top-level scanning of SQL text (sql_text.h).
 */
#include "sql_text.h"

#include <cctype>
#include <regex>

namespace kavdb::sqltext {
namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

/* The index just past a literal or bracketed name starting at i, or i when none does. */
std::size_t skipQuoted(const std::string& sql, std::size_t i)
{
    const char open = sql[i];
    const char close = open == '[' ? ']' : open;
    if (open != '\'' && open != '"' && open != '[')
        return i;
    for (std::size_t j = i + 1; j < sql.size(); ++j) {
        if (sql[j] != close)
            continue;
        if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
            ++j; // a doubled quote stays inside the literal
            continue;
        }
        return j + 1;
    }
    return sql.size();
}

bool wordAt(const std::string& sql, std::size_t i, const std::string& word)
{
    if (i + word.size() > sql.size() || (i > 0 && isWordChar(sql[i - 1])))
        return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(sql[i + k])) !=
            std::toupper(static_cast<unsigned char>(word[k])))
            return false;
    return i + word.size() == sql.size() || !isWordChar(sql[i + word.size()]);
}

/* Calls visit(i) for every top-level character position; stops when it returns true. */
template <typename Visit>
std::size_t scanTopLevel(const std::string& sql, std::size_t from, Visit visit)
{
    int depth = 0;
    for (std::size_t i = from; i < sql.size();) {
        std::size_t after = skipQuoted(sql, i);
        if (after != i) {
            i = after;
            continue;
        }
        if (sql[i] == '(')
            ++depth;
        else if (sql[i] == ')')
            --depth;
        else if (depth == 0 && visit(i))
            return i;
        ++i;
    }
    return npos;
}

} // namespace

std::string literal(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::string trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::size_t findKeyword(const std::string& sql, const std::string& words, std::size_t from)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t blank; (blank = words.find(' ', start)) != std::string::npos;
         start = blank + 1)
        parts.push_back(words.substr(start, blank - start));
    parts.push_back(words.substr(start));
    return scanTopLevel(sql, from, [&](std::size_t i) {
        std::size_t at = i;
        for (const std::string& part : parts) {
            while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at])) && at != i)
                ++at;
            if (!wordAt(sql, at, part))
                return false;
            at += part.size();
        }
        return true;
    });
}

std::vector<std::string> splitTopLevel(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    scanTopLevel(text, 0, [&](std::size_t i) {
        if (text[i] == ',') {
            parts.push_back(trimmed(text.substr(start, i - start)));
            start = i + 1;
        }
        return false;
    });
    parts.push_back(trimmed(text.substr(start)));
    return parts;
}

std::string firstWord(const std::string& sql)
{
    std::string word;
    std::size_t i = sql.find_first_not_of(" \t\r\n(");
    for (; i != std::string::npos && i < sql.size() && isWordChar(sql[i]); ++i)
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
    return word;
}

bool isColumnName(const std::string& text, std::string& column)
{
    static const std::regex name(R"((?:(?:\[[^\]]+\]|[A-Za-z_]\w*)\.)?(\[[^\]]+\]|[A-Za-z_]\w*))");
    std::smatch m;
    std::string t = trimmed(text);
    if (!std::regex_match(t, m, name))
        return false;
    column = m[1].str();
    if (column.front() == '[')
        column = column.substr(1, column.size() - 2);
    return true;
}

} // namespace kavdb::sqltext
