/*
 * Private to the engine layer: the tokenizer that both the Jet translator and the
 * recordset's reading of a statement's shape stand on.
 *
 * It splits SQL text into tokens whose raw text, laid end to end, gives back the input,
 * so that a rewriter can copy what it does not understand. The flavours differ only in
 * how quotes read: double quotes make a text literal in Jet, an identifier in SQLite and
 * PostgreSQL; brackets and backquotes quote an identifier except in PostgreSQL, where a
 * bracket subscripts an array. Every token takes at least one byte, and an unterminated
 * literal runs to the end of the text.
 */
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kavdb::engine {

enum class Flavor { Jet, Sqlite, Postgres };

enum class Tok {
    Space,  // blanks and comments
    Word,   // bare identifier or keyword
    Ident,  // quoted identifier: [x], `x`, or "x" in SQLite
    String, // text literal: 'x', or "x" in Jet
    Number,
    Date,  // #...#, Jet only
    Punct, // operator or punctuation, one to two characters
    Other, // an unterminated literal or a stray byte
};

struct Token {
    Tok kind;
    std::string_view text; // raw text, a slice of the input
};

using Tokens = std::vector<Token>;

Tokens tokenize(std::string_view sql, Flavor flavor);

bool isComment(const Token& t);
/* The name a Word or Ident token stands for (quotes removed, doubled closers undone). */
std::string identName(const Token& t);
/* The text a String token stands for (quotes removed, doubled quotes undone). */
std::string stringValue(const Token& t);
/* Text as an SQLite literal: '...' with ' doubled. */
std::string quoteLiteral(std::string_view text);

/* Index of the next token from i that is not Space (end when none). */
std::size_t nextSignificant(const Tokens& t, std::size_t i, std::size_t end);
/* Index of the ')' that closes the '(' at open, or end when it is never closed. */
std::size_t matchingParen(const Tokens& t, std::size_t open, std::size_t end);

/* ASCII case-insensitive equality (no locale; bytes of UTF-8 sequences compare as they
 * are). Inline: field look-ups by name run it on every read. */
inline bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) {
            return false;
        }
    }
    return true;
}

/* The text with ASCII letters in lower case, other bytes as they are. */
std::string lowerAscii(std::string_view s);

/* A token is keyword word (ASCII, ignoring case), or the punctuation p. Inline: the
 * translator and the statement readers ask this of every token. */
inline bool isKeyword(const Token& t, std::string_view word)
{
    return t.kind == Tok::Word && equalsIgnoreCase(t.text, word);
}
inline bool isPunct(const Token& t, std::string_view p)
{
    return t.kind == Tok::Punct && t.text == p;
}
inline bool isKeywordIn(const Token& t, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words) {
        if (isKeyword(t, w)) {
            return true;
        }
    }
    return false;
}
/* A name: a bare word or a quoted identifier. */
inline bool isNameToken(const Token& t)
{
    return t.kind == Tok::Word || t.kind == Tok::Ident;
}

} // namespace kavdb::engine
