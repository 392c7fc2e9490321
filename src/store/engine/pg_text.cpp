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

class Rewriter {
  public:
    Rewriter(const std::string& sql, const NameSpellings& names)
        : t_(tokenize(sql, Flavor::Postgres)), names_(names), aliases_(aliasesOf(t_))
    {
    }
    ServerText run();

  private:
    void word(std::size_t i);
    std::string spelled(const std::string& name) const;

    const Tokens t_;
    const NameSpellings& names_;
    const NameSpellings aliases_;
    ServerText out_;
    std::string previous_; // the last word, lowercase
    bool afterCast_ = false;
};

std::string Rewriter::spelled(const std::string& name) const
{
    const std::string low = lowerAscii(name);
    auto it = names_.find(low);
    if (it != names_.end()) {
        return it->second;
    }
    // Never after AS, where an unquoted word is a type or a table's alias.
    auto alias = previous_ == "as" ? aliases_.end() : aliases_.find(low);
    return alias != aliases_.end() ? alias->second : std::string();
}

void Rewriter::word(std::size_t i)
{
    std::string w(t_[i].text);
    std::string low = lowerAscii(w);
    bool call =
        i + 1 < t_.size() && isPunct(t_[i + 1], "(") &&
        std::find(kBeforeTables.begin(), kBeforeTables.end(), previous_) == kBeforeTables.end();
    bool keyword = std::find(kSqlWords.begin(), kSqlWords.end(), low) != kSqlWords.end();
    std::string known = afterCast_ || call || keyword ? "" : spelled(w);
    out_.sql += known.empty() ? w : quoteIdent(known);
    previous_ = low;
    afterCast_ = false;
}

ServerText Rewriter::run()
{
    for (std::size_t i = 0; i < t_.size(); ++i) {
        const Token& tok = t_[i];
        if (tok.kind == Tok::Word) {
            word(i);
        } else if (tok.kind == Tok::Ident) {
            std::string known = spelled(identName(tok));
            out_.sql += known.empty() ? std::string(tok.text) : quoteIdent(known);
            previous_.clear();
            afterCast_ = false;
        } else if (isPunct(tok, "?")) { // ?N numbers its own parameter
            bool numbered = i + 1 < t_.size() && t_[i + 1].kind == Tok::Number &&
                            t_[i + 1].text.find_first_not_of("0123456789") == std::string::npos;
            int n = numbered ? std::stoi(std::string(t_[++i].text)) : ++out_.parameters;
            out_.parameters = std::max(out_.parameters, n);
            out_.sql += "$" + std::to_string(n);
        } else if (tok.kind == Tok::String || tok.kind == Tok::Number) {
            out_.sql += tok.text;
        } else { // a blank keeps the word before it; a cast's type is never a name
            afterCast_ = isPunct(tok, ":") && i + 1 < t_.size() && isPunct(t_[i + 1], ":");
            out_.sql += afterCast_ ? "::" : tok.text;
            i += afterCast_ ? 1 : 0;
            previous_ = tok.kind == Tok::Space ? previous_ : "";
        }
    }
    return out_;
}

} // namespace

ServerText serverText(const std::string& sql, const NameSpellings& names)
{
    return Rewriter(sql, names).run();
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
