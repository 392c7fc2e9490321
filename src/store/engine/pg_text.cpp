/*
 * Server text (pg_text.h): one pass over the SQL the Jet translator or the engine wrote,
 * which holds single-quoted literals, double-quoted names, words, numbers and
 * punctuation, no comments and no dollar quotes.
 */
#include "store/engine/pg_text.h"

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

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isWordStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isWordChar(char c)
{
    return isWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '$';
}

std::string quoted(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c == '"' ? "\"\"" : std::string(1, c);
    }
    return out + "\"";
}

/* The end of a quoted stretch starting at i (quote q, doubled inside). */
std::size_t quoteEnd(const std::string& s, std::size_t i, char q)
{
    for (std::size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] == q) {
            if (j + 1 < s.size() && s[j + 1] == q) {
                ++j;
                continue;
            }
            return j + 1;
        }
    }
    return s.size();
}

/* A double-quoted name's text: its quotes gone, a doubled one inside single again. */
std::string unquoted(const std::string& name)
{
    std::string inner;
    for (std::size_t j = 1; j + 1 < name.size(); ++j) {
        inner += name[j];
        j += name[j] == '"' ? 1 : 0;
    }
    return inner;
}

/* The names the statement gives its own columns, quoted after AS as the translator writes
 * them, by their lowercase form: a query around it, or its ORDER BY, may name one in any
 * case, as Jet does, and the server reads an unquoted name in lower case. */
NameSpellings aliasesOf(const std::string& s)
{
    NameSpellings aliases;
    bool afterAs = false;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t end = i + 1;
        if (s[i] == '\'' || s[i] == '"') {
            end = quoteEnd(s, i, s[i]);
            if (afterAs && s[i] == '"' && end - i > 2) {
                std::string name = unquoted(s.substr(i, end - i));
                aliases.emplace(lower(name), name);
            }
        } else if (isWordStart(s[i])) {
            while (end < s.size() && isWordChar(s[end])) {
                ++end;
            }
            afterAs = lower(std::string_view(s.data() + i, end - i)) == "as";
            i = end;
            continue;
        }
        afterAs = afterAs && s[i] == ' ';
        i = end;
    }
    return aliases;
}

class Rewriter {
  public:
    Rewriter(const std::string& sql, const NameSpellings& names)
        : s_(sql), names_(names), aliases_(aliasesOf(sql))
    {
    }
    ServerText run();

  private:
    void word(std::size_t end);
    void name(std::size_t end);
    std::string spelled(const std::string& name) const;

    const std::string& s_;
    const NameSpellings& names_;
    const NameSpellings aliases_;
    ServerText out_;
    std::size_t i_ = 0;
    std::string previous_; // the last word, lowercase
    bool afterCast_ = false;
};

std::string Rewriter::spelled(const std::string& name) const
{
    const std::string low = lower(name);
    auto it = names_.find(low);
    if (it != names_.end()) {
        return it->second;
    }
    // Never after AS, where an unquoted word is a type or a table's alias.
    auto alias = previous_ == "as" ? aliases_.end() : aliases_.find(low);
    return alias != aliases_.end() ? alias->second : std::string();
}

void Rewriter::word(std::size_t end)
{
    std::string_view w(s_.data() + i_, end - i_);
    std::string low = lower(w);
    std::size_t next = s_.find_first_not_of(' ', end);
    bool call =
        next < s_.size() && s_[next] == '(' && next == end &&
        std::find(kBeforeTables.begin(), kBeforeTables.end(), previous_) == kBeforeTables.end();
    bool keyword = std::find(kSqlWords.begin(), kSqlWords.end(), low) != kSqlWords.end();
    std::string known = afterCast_ || call || keyword ? "" : spelled(std::string(w));
    out_.sql += known.empty() ? std::string(w) : quoted(known);
    previous_ = low;
    afterCast_ = false;
}

void Rewriter::name(std::size_t end)
{
    std::string known = spelled(unquoted(s_.substr(i_, end - i_)));
    out_.sql += known.empty() ? s_.substr(i_, end - i_) : quoted(known);
    previous_.clear();
    afterCast_ = false;
}

ServerText Rewriter::run()
{
    out_.sql.reserve(s_.size() + 16);
    while (i_ < s_.size()) {
        char c = s_[i_];
        std::size_t end = i_ + 1;
        if (c == '\'') {
            end = quoteEnd(s_, i_, '\'');
            out_.sql.append(s_, i_, end - i_);
        } else if (c == '"') {
            end = quoteEnd(s_, i_, '"');
            name(end);
        } else if (isWordStart(c)) {
            while (end < s_.size() && isWordChar(s_[end])) {
                ++end;
            }
            word(end);
        } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            while (end < s_.size() && (isWordChar(s_[end]) || s_[end] == '.')) {
                ++end;
            }
            out_.sql.append(s_, i_, end - i_);
        } else if (c == '?') { // ?N numbers its own parameter
            std::size_t digits = s_.find_first_not_of("0123456789", end);
            digits = digits == std::string::npos ? s_.size() : digits;
            int n = digits > end ? std::stoi(s_.substr(end, digits - end)) : ++out_.parameters;
            out_.parameters = std::max(out_.parameters, n);
            out_.sql += "$" + std::to_string(n);
            end = digits;
        } else {
            afterCast_ = c == ':' && i_ + 1 < s_.size() && s_[i_ + 1] == ':';
            end += afterCast_ ? 1 : 0;
            out_.sql.append(s_, i_, end - i_);
            previous_ = std::isspace(static_cast<unsigned char>(c)) != 0 ? previous_ : "";
        }
        i_ = end;
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
