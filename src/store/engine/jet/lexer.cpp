/*
 * The SQL tokenizer shared by the Jet translator and the recordset's statement reading.
 */
#include "store/engine/jet/lexer.h"

namespace kavdb::engine {

namespace {

// ASCII classes, whatever locale the host application has set.
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool isAlpha(unsigned char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool isAlnum(unsigned char c)
{
    return isDigit(c) || isAlpha(c);
}

bool isSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isPunctuation(unsigned char c)
{
    return c > ' ' && c < 0x7f && !isAlnum(c);
}

bool isWordStart(unsigned char c)
{
    return isAlpha(c) || c == '_' || c >= 0x80;
}

bool isWordPart(unsigned char c)
{
    return isAlnum(c) || c == '_' || c == '$' || c >= 0x80;
}

/* Length of a quoted run starting at s[0] == close's opener; a doubled closer stays
 * inside. Unterminated: the rest of the text, and closed is false. */
std::size_t quotedLength(std::string_view s, char close, bool& closed)
{
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == close) {
            if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
                ++i;
                continue;
            }
            closed = true;
            return i + 1;
        }
    }
    closed = false;
    return s.size();
}

std::size_t spaceLength(std::string_view s)
{
    if (s.substr(0, 2) == "--") {
        std::size_t nl = s.find('\n');
        return nl == std::string_view::npos ? s.size() : nl + 1;
    }
    if (s.substr(0, 2) == "/*") {
        std::size_t close = s.find("*/", 2);
        return close == std::string_view::npos ? s.size() : close + 2;
    }
    std::size_t i = 0;
    while (i < s.size() && isSpace(static_cast<unsigned char>(s[i]))) {
        ++i;
    }
    return i;
}

std::size_t numberLength(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (isAlnum(c) || c == '.') {
            ++i;
        } else if ((c == '+' || c == '-') && (s[i - 1] == 'e' || s[i - 1] == 'E') &&
                   !(i >= 2 && (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')))) {
            ++i;
        } else {
            break;
        }
    }
    return i;
}

/* A Jet date literal #...#: digits and date-time punctuation only, and short. */
std::size_t dateLength(std::string_view s)
{
    for (std::size_t i = 1; i < s.size() && i < 40; ++i) {
        char c = s[i];
        if (c == '#') {
            return i > 1 ? i + 1 : 0;
        }
        bool allowed = isDigit(static_cast<unsigned char>(c)) || c == '/' || c == '-' || c == ':' ||
                       c == ' ' || c == '.' || c == 'A' || c == 'P' || c == 'M' || c == 'a' ||
                       c == 'p' || c == 'm';
        if (!allowed) {
            return 0;
        }
    }
    return 0;
}

std::size_t punctLength(std::string_view s)
{
    static constexpr std::string_view pairs[] = {"||", "<=", ">=", "<>", "!=", "==", "<<", ">>"};
    for (std::string_view p : pairs) {
        if (s.substr(0, 2) == p) {
            return 2;
        }
    }
    return 1;
}

char closerOf(char open)
{
    return open == '[' ? ']' : open;
}

Token nextToken(std::string_view s, Flavor flavor)
{
    auto c = static_cast<unsigned char>(s[0]);
    if (std::size_t n = spaceLength(s); n > 0) {
        return {Tok::Space, s.substr(0, n)};
    }
    if (isWordStart(c)) {
        std::size_t n = 1;
        while (n < s.size() && isWordPart(static_cast<unsigned char>(s[n]))) {
            ++n;
        }
        return {Tok::Word, s.substr(0, n)};
    }
    if (isDigit(c) || (c == '.' && s.size() > 1 && isDigit(static_cast<unsigned char>(s[1])))) {
        return {Tok::Number, s.substr(0, numberLength(s))};
    }
    bool closed = false;
    switch (c) {
    case '\'': {
        std::size_t n = quotedLength(s, '\'', closed);
        return {closed ? Tok::String : Tok::Other, s.substr(0, n)};
    }
    case '"': {
        std::size_t n = quotedLength(s, '"', closed);
        Tok kind = flavor == Flavor::Jet ? Tok::String : Tok::Ident;
        return {closed ? kind : Tok::Other, s.substr(0, n)};
    }
    case '[':
    case '`':
        if (flavor != Flavor::Postgres) {
            std::size_t n = quotedLength(s, closerOf(static_cast<char>(c)), closed);
            return {closed ? Tok::Ident : Tok::Other, s.substr(0, n)};
        }
        break;
    case '#':
        if (flavor == Flavor::Jet) {
            if (std::size_t n = dateLength(s); n > 0) {
                return {Tok::Date, s.substr(0, n)};
            }
        }
        break;
    default:
        break;
    }
    if (isPunctuation(c)) {
        return {Tok::Punct, s.substr(0, punctLength(s))};
    }
    return {Tok::Other, s.substr(0, 1)};
}

/* Removes the quotes of a quoted run and undoes doubled closers. */
std::string unquote(std::string_view raw, char close)
{
    std::string out;
    if (raw.size() < 2) {
        return out;
    }
    std::string_view inner = raw.substr(1, raw.size() - 2);
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == close && close != ']' && i + 1 < inner.size() && inner[i + 1] == close) {
            ++i;
        }
    }
    return out;
}

} // namespace

Tokens tokenize(std::string_view sql, Flavor flavor)
{
    Tokens out;
    out.reserve(sql.size() / 2 + 4); // blanks are tokens too: about two bytes a token
    while (!sql.empty()) {
        Token t = nextToken(sql, flavor);
        out.push_back(t);
        sql.remove_prefix(t.text.size());
    }
    return out;
}

bool isComment(const Token& t)
{
    return t.kind == Tok::Space && (t.text.substr(0, 2) == "--" || t.text.substr(0, 2) == "/*");
}

std::string identName(const Token& t)
{
    if (t.kind == Tok::Ident && !t.text.empty()) {
        return unquote(t.text, closerOf(t.text[0]));
    }
    return std::string(t.text);
}

std::string stringValue(const Token& t)
{
    if (t.text.empty()) {
        return {};
    }
    return unquote(t.text, t.text[0]);
}

std::string quoteLiteral(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        out += c;
        if (c == '\'') {
            out += '\'';
        }
    }
    out += '\'';
    return out;
}

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        c = isAlpha(static_cast<unsigned char>(c)) ? static_cast<char>(c | 0x20) : c;
    }
    return out;
}

std::size_t nextSignificant(const Tokens& t, std::size_t i, std::size_t end)
{
    while (i < end && t[i].kind == Tok::Space) {
        ++i;
    }
    return i;
}

std::size_t matchingParen(const Tokens& t, std::size_t open, std::size_t end)
{
    int depth = 0;
    for (std::size_t i = open; i < end; ++i) {
        if (isPunct(t[i], "(")) {
            ++depth;
        } else if (isPunct(t[i], ")") && --depth == 0) {
            return i;
        }
    }
    return end;
}

} // namespace kavdb::engine
