/*
 * Server text (pg_text.h): one pass over the tokens of the SQL the Jet translator or the
 * engine wrote, which holds single-quoted literals, double-quoted names, words, numbers
 * and punctuation, no comments and no dollar quotes.
 */
#include "store/engine/pg_text.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string_view>

namespace kavdb::engine {

namespace {

/* Words the translator writes as SQL itself: never a name to respell, even where a
 * catalogue has a column spelled so. */
constexpr std::array<std::string_view, 62> kSqlWords = {
    "add",     "all",     "alter",    "and",     "as",         "asc",    "between", "by",
    "cascade", "case",    "check",    "column",  "constraint", "create", "cross",   "default",
    "delete",  "desc",    "distinct", "drop",    "else",       "end",    "escape",  "exists",
    "false",   "foreign", "from",     "full",    "generated",  "group",  "having",  "identity",
    "if",      "ilike",   "in",       "index",   "inner",      "insert", "into",    "is",
    "join",    "key",     "left",     "like",    "limit",      "not",    "null",    "on",
    "or",      "order",   "outer",    "primary", "references", "right",  "select",  "set",
    "table",   "then",    "union",    "unique",  "update",     "values",
};

/* Words after which a name is followed by its column list, not a call. */
constexpr std::array<std::string_view, 7> kBeforeTables = {"into", "table",  "on",  "references",
                                                           "join", "update", "from"};

/* The names the statement gives its own columns, quoted after AS as the translator writes
 * them, by their lowercase form: a query around it, or its ORDER BY, may name one in any
 * case, as Jet does, and the server reads an unquoted name in lower case. */
NameSpellings aliasesOf(const Tokens& t)
{
    NameSpellings aliases;
    bool afterAs = false;
    for (const Token& tok : t) {
        if (afterAs && tok.kind == Tok::Ident && tok.text.size() > 2) {
            std::string name = identName(tok);
            aliases.emplace(lowerAscii(name), name);
        }
        afterAs = isKeyword(tok, "AS") ||
                  (afterAs && tok.text.find_first_not_of(' ') == std::string_view::npos);
    }
    return aliases;
}

} // namespace

ServerText serverText(const std::string& sql, const NameSpellings& names)
{
    const Tokens t = tokenize(sql, Flavor::Postgres);
    const NameSpellings aliases = aliasesOf(t);
    ServerText out;
    std::string previous; // the last word, lowercase
    bool afterCast = false;
    auto spelled = [&](const std::string& name) {
        const std::string low = lowerAscii(name);
        auto it = names.find(low);
        if (it != names.end()) {
            return it->second;
        }
        // Never after AS, where an unquoted word is a type or a table's alias.
        auto alias = previous == "as" ? aliases.end() : aliases.find(low);
        return alias != aliases.end() ? alias->second : std::string();
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.kind == Tok::Word || tok.kind == Tok::Ident) {
            bool word = tok.kind == Tok::Word;
            std::string low = word ? lowerAscii(tok.text) : "";
            bool call = i + 1 < t.size() && isPunct(t[i + 1], "(") &&
                        std::find(kBeforeTables.begin(), kBeforeTables.end(), previous) ==
                            kBeforeTables.end();
            bool keyword = std::find(kSqlWords.begin(), kSqlWords.end(), low) != kSqlWords.end();
            std::string known =
                word && (afterCast || call || keyword) ? "" : spelled(identName(tok));
            out.sql += known.empty() ? std::string(tok.text) : quoteIdent(known);
            previous = low;
            afterCast = false;
        } else if (isPunct(tok, "?")) { // ?N numbers its own parameter
            bool numbered = i + 1 < t.size() && t[i + 1].kind == Tok::Number &&
                            t[i + 1].text.find_first_not_of("0123456789") == std::string::npos;
            int n = numbered ? std::stoi(std::string(t[++i].text)) : ++out.parameters;
            out.parameters = std::max(out.parameters, n);
            out.sql += "$" + std::to_string(n);
        } else if (tok.kind == Tok::String || tok.kind == Tok::Number) {
            out.sql += tok.text;
        } else { // a blank keeps the word before it; a cast's type is never a name
            afterCast = isPunct(tok, ":") && i + 1 < t.size() && isPunct(t[i + 1], ":");
            out.sql += afterCast ? "::" : tok.text;
            i += afterCast ? 1 : 0;
            previous = tok.kind == Tok::Space ? previous : "";
        }
    }
    return out;
}

bool isServerUri(const std::string& path)
{
    return path.rfind("postgresql://", 0) == 0 || path.rfind("postgres://", 0) == 0;
}

std::string serverLocation(const std::string& path)
{
    if (isServerUri(path)) {
        return path;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {}; // reading a FIFO would block
    }
    std::ifstream in(path, std::ios::binary);
    std::string header, uri;
    char first[sizeof "kavdb-link 1"] = {};
    // A catalogue file begins with SQLite's header: only a link's first bytes are read.
    if (!in.read(first, sizeof first - 1) || std::string_view(first) != kLinkHeader ||
        !std::getline(in, header) || !std::getline(in, uri)) {
        return {};
    }
    for (std::string* line : {&header, &uri}) { // a link written with CRLF line ends
        while (!line->empty() && (line->back() == '\r' || line->back() == ' ')) {
            line->pop_back();
        }
    }
    return header.empty() && isServerUri(uri) ? uri : std::string();
}

} // namespace kavdb::engine
