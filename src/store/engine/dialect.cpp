/*
 * The Jet-to-SQLite translator. It works on tokens (lexer.h), so literals are never
 * touched by a rewrite, and it copies every token it has no rule for. Statements are
 * split at ';'; CREATE TABLE and ALTER TABLE get their type words and key clauses
 * rewritten; every statement gets the expression rules (literals, [names], &, TOP n,
 * #dates#, StrComp equalities, True/False).
 */
#include "store/engine/dialect.h"

#include "store/engine/native.h"

#include "store/engine/functions.h"
#include "store/engine/keys.h"
#include "store/engine/lexer.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace kavdb::engine {

namespace {

/* StrComp rewrites nest through their arguments; deeper nesting is left to the function. */
constexpr int kMaxNesting = 16;

enum class TypeClass { Unknown, Counter, Text, Binary, Integer, Real };

TypeClass classifyType(std::string_view word)
{
    static constexpr std::string_view counters[] = {"AUTOINCREMENT", "COUNTER", "IDENTITY"};
    static constexpr std::string_view texts[] = {"TEXT",   "LONGTEXT", "MEMO",      "VARCHAR",
                                                 "CHAR",   "NVARCHAR", "NCHAR",     "NTEXT",
                                                 "STRING", "LONGCHAR", "CHARACTER", "NOTE"};
    static constexpr std::string_view binaries[] = {"BINARY", "LONGBINARY", "VARBINARY",
                                                    "IMAGE",  "OLEOBJECT",  "GENERAL"};
    static constexpr std::string_view integers[] = {"INTEGER",  "LONG",    "INT",     "SHORT",
                                                    "SMALLINT", "BYTE",    "TINYINT", "INTEGER1",
                                                    "INTEGER2", "INTEGER4"};
    static constexpr std::string_view reals[] = {"DOUBLE",     "FLOAT",      "FLOAT8",
                                                 "IEEEDOUBLE", "NUMBER",     "SINGLE",
                                                 "FLOAT4",     "IEEESINGLE", "REAL"};
    auto in = [&](const auto& list) {
        for (std::string_view w : list) {
            if (equalsIgnoreCase(w, word)) {
                return true;
            }
        }
        return false;
    };
    if (in(counters)) {
        return TypeClass::Counter;
    }
    if (in(texts)) {
        return TypeClass::Text;
    }
    if (in(binaries)) {
        return TypeClass::Binary;
    }
    if (in(reals)) {
        return TypeClass::Real;
    }
    return in(integers) ? TypeClass::Integer : TypeClass::Unknown;
}

std::string typeText(TypeClass type, const std::string& column)
{
    switch (type) {
    case TypeClass::Counter:
        return "INTEGER PRIMARY KEY AUTOINCREMENT";
    case TypeClass::Text:
        return isExactTextColumn(column) ? "TEXT" : "TEXT COLLATE NOCASE";
    case TypeClass::Binary:
        return "BLOB";
    case TypeClass::Integer:
        return "INTEGER";
    case TypeClass::Real:
        return "REAL";
    default:
        return {};
    }
}

/* #yyyy-mm-dd#, #m/d/yyyy# (and #yyyy/mm/dd#), an optional time after a blank, as
 * 'yyyy-mm-dd[ time]'; anything else keeps its text as the literal. */
std::string dateLiteral(std::string_view raw)
{
    std::string_view inner = raw.substr(1, raw.size() - 2);
    std::size_t blank = inner.find(' ');
    std::string_view date = inner.substr(0, blank);
    std::string time = blank == std::string_view::npos ? "" : std::string(inner.substr(blank));
    int parts[3] = {0, 0, 0};
    int count = 0;
    int digits[3] = {0, 0, 0};
    for (char c : date) {
        if (std::isdigit(static_cast<unsigned char>(c)) && count < 3) {
            parts[count] = parts[count] * 10 + (c - '0');
            if (++digits[count] > 4) {
                return quoteLiteral(inner);
            }
        } else if ((c == '/' || c == '-') && count < 2) {
            ++count;
        } else {
            return quoteLiteral(inner);
        }
    }
    if (count != 2) {
        return quoteLiteral(inner);
    }
    bool yearFirst = digits[0] == 4;
    int year = yearFirst ? parts[0] : parts[2];
    int month = yearFirst ? parts[1] : parts[0];
    int day = yearFirst ? parts[2] : parts[1];
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return quoteLiteral(std::string(text) + time);
}

class Translator {
  public:
    explicit Translator(const Tokens& t) : t_(t) {}

    /* The expression rules over [b, e). */
    std::string expressions(std::size_t b, std::size_t e, int nesting = 0) const;
    /* One statement over [b, e): one or more SQLite statements. */
    std::vector<std::string> statement(std::size_t b, std::size_t e) const;

  private:
    std::string token(std::size_t i) const;
    std::string word(std::size_t i) const;
    bool topAt(std::size_t i, std::size_t e, std::string& limit, std::size_t& next) const;
    std::optional<std::string> strComp(std::size_t i, std::size_t e, std::size_t b,
                                       std::size_t& next, int nesting) const;
    bool simpleColumn(std::size_t b, std::size_t e) const;
    std::string operand(std::size_t b, std::size_t e, int nesting) const;

    std::optional<std::string> createTable(std::size_t b, std::size_t e) const;
    std::string columnDef(std::size_t b, std::size_t e) const;
    std::optional<std::string> columnType(std::size_t q, std::size_t e, const std::string& column,
                                          std::size_t& next) const;
    std::optional<std::vector<std::string>> alterTable(std::size_t b, std::size_t e) const;
    std::optional<std::vector<std::string>> addForeignKey(const std::string& table, std::size_t b,
                                                          std::size_t e,
                                                          const std::string& name) const;
    std::vector<std::string> addColumns(const std::string& tableSql, std::size_t b,
                                        std::size_t e) const;
    std::vector<std::pair<std::size_t, std::size_t>> splitCommas(std::size_t b,
                                                                 std::size_t e) const;
    std::size_t skipParens(std::size_t i, std::size_t e) const;
    std::size_t qualifiedName(std::size_t i, std::size_t e) const;
    /* The next significant token after i (e when i is already at the end). */
    std::size_t skip(std::size_t i, std::size_t e) const
    {
        return i < e ? nextSignificant(t_, i + 1, e) : e;
    }

    const Tokens& t_;
};

std::string Translator::token(std::size_t i) const
{
    const Token& tok = t_[i];
    switch (tok.kind) {
    case Tok::String:
        return tok.text[0] == '"' ? quoteLiteral(stringValue(tok)) : std::string(tok.text);
    case Tok::Ident:
        return tok.text[0] == '[' ? quoteIdent(identName(tok)) : std::string(tok.text);
    case Tok::Date:
        return dateLiteral(tok.text);
    case Tok::Space:
        return isComment(tok) ? " " : std::string(tok.text);
    case Tok::Punct:
        return tok.text == "&" ? "||" : std::string(tok.text);
    case Tok::Word:
        return word(i);
    default:
        return std::string(tok.text);
    }
}

std::string Translator::word(std::size_t i) const
{
    const Token& tok = t_[i];
    if (isKeyword(tok, "TRUE")) {
        return "-1"; // Jet's True
    }
    if (isKeyword(tok, "FALSE")) {
        return "0";
    }
    // LEFT and RIGHT are join words to SQLite; as Jet functions they go by other names.
    std::size_t open = nextSignificant(t_, i + 1, t_.size());
    if ((isKeyword(tok, "LEFT") || isKeyword(tok, "RIGHT")) && open < t_.size() &&
        isPunct(t_[open], "(")) {
        return isKeyword(tok, "LEFT") ? kJetLeft : kJetRight;
    }
    return std::string(tok.text);
}

/* "TOP n" right after SELECT [DISTINCT|ALL]: limit and the index after it (and its
 * blanks). */
bool Translator::topAt(std::size_t i, std::size_t e, std::string& limit, std::size_t& next) const
{
    if (!isKeyword(t_[i], "TOP")) {
        return false;
    }
    std::size_t p = i;
    while (p > 0 && t_[p - 1].kind == Tok::Space) {
        --p;
    }
    if (p == 0) {
        return false;
    }
    const Token& before = t_[p - 1];
    bool afterSelect = isKeyword(before, "SELECT") || isKeyword(before, "DISTINCT") ||
                       isKeyword(before, "ALL") || isKeyword(before, "DISTINCTROW");
    std::size_t n = nextSignificant(t_, i + 1, e);
    if (!afterSelect || n == e || t_[n].kind != Tok::Number) {
        return false;
    }
    for (char c : t_[n].text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    std::size_t after = nextSignificant(t_, n + 1, e);
    if (after < e && isKeyword(t_[after], "PERCENT")) {
        return false;
    }
    limit = std::string(t_[n].text);
    next = after;
    return true;
}

bool Translator::simpleColumn(std::size_t b, std::size_t e) const
{
    b = nextSignificant(t_, b, e);
    while (e > b && t_[e - 1].kind == Tok::Space) {
        --e;
    }
    if (b == e) {
        return false;
    }
    for (std::size_t i = b; i < e; ++i) {
        bool name = t_[i].kind == Tok::Word || t_[i].kind == Tok::Ident;
        bool expectName = (i - b) % 2 == 0;
        if (expectName ? !name : !isPunct(t_[i], ".")) {
            return false;
        }
    }
    return (e - b) % 2 == 1;
}

std::string Translator::operand(std::size_t b, std::size_t e, int nesting) const
{
    std::string text = expressions(b, e, nesting);
    std::size_t first = text.find_first_not_of(" \t\r\n");
    std::size_t last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    std::size_t s = nextSignificant(t_, b, e);
    bool single = s < e && nextSignificant(t_, s + 1, e) == e && t_[s].kind != Tok::Other;
    return single || simpleColumn(b, e) ? text : "(" + text + ")";
}

/* StrComp(a, b[, mode]) = 0 (or <> 0) at i as a comparison with an explicit collation,
 * which an index on a can serve; nullopt when the text has another shape. */
std::optional<std::string> Translator::strComp(std::size_t i, std::size_t e, std::size_t b,
                                               std::size_t& next, int nesting) const
{
    if (!isKeyword(t_[i], "StrComp") || nesting >= kMaxNesting) {
        return std::nullopt;
    }
    std::size_t prev = i;
    while (prev > b && t_[prev - 1].kind == Tok::Space) {
        --prev;
    }
    // Only where nothing binds tighter on the left: start, '(' , ',' or a keyword.
    if (prev > b && !isPunct(t_[prev - 1], "(") && !isPunct(t_[prev - 1], ",") &&
        t_[prev - 1].kind != Tok::Word) {
        return std::nullopt;
    }
    std::size_t open = nextSignificant(t_, i + 1, e);
    if (open == e || !isPunct(t_[open], "(")) {
        return std::nullopt;
    }
    std::size_t close = matchingParen(t_, open, e);
    if (close == e) {
        return std::nullopt;
    }
    auto args = splitCommas(open + 1, close);
    if (args.size() != 2 && args.size() != 3) {
        return std::nullopt;
    }
    std::string collation = "NOCASE"; // Jet compares text unless told binary
    if (args.size() == 3) {
        std::size_t m = nextSignificant(t_, args[2].first, args[2].second);
        if (m == args[2].second || nextSignificant(t_, m + 1, args[2].second) != args[2].second ||
            (t_[m].text != "0" && t_[m].text != "1")) {
            return std::nullopt;
        }
        collation = t_[m].text == "0" ? "BINARY" : "NOCASE";
    }
    std::size_t op = nextSignificant(t_, close + 1, e);
    if (op == e || !(isPunct(t_[op], "=") || isPunct(t_[op], "==") || isPunct(t_[op], "<>") ||
                     isPunct(t_[op], "!="))) {
        return std::nullopt;
    }
    std::size_t zero = nextSignificant(t_, op + 1, e);
    if (zero == e || t_[zero].text != "0") {
        return std::nullopt;
    }
    std::size_t after = nextSignificant(t_, zero + 1, e);
    if (after < e && t_[after].kind == Tok::Punct && !isPunct(t_[after], ")") &&
        !isPunct(t_[after], ",") && !isPunct(t_[after], ";")) {
        return std::nullopt; // something binds tighter on the right
    }
    bool equal = isPunct(t_[op], "=") || isPunct(t_[op], "==");
    next = zero + 1;
    return "(" + operand(args[0].first, args[0].second, nesting + 1) + (equal ? " = " : " <> ") +
           operand(args[1].first, args[1].second, nesting + 1) + " COLLATE " + collation + ")";
}

std::string Translator::expressions(std::size_t b, std::size_t e, int nesting) const
{
    std::string out;
    // A pending LIMIT per parenthesis depth, emitted where that depth closes.
    std::vector<std::string> limits(1);
    for (std::size_t i = b; i < e;) {
        std::string limit;
        std::size_t next = i + 1;
        if (topAt(i, e, limit, next)) {
            limits.back() = limit;
            i = next;
            continue;
        }
        if (auto cmp = strComp(i, e, b, next, nesting)) {
            out += *cmp;
            i = next;
            continue;
        }
        if (isPunct(t_[i], "(")) {
            limits.emplace_back();
        } else if (isPunct(t_[i], ")") && limits.size() > 1) {
            if (!limits.back().empty()) {
                out += " LIMIT " + limits.back();
            }
            limits.pop_back();
        }
        out += token(i);
        ++i;
    }
    for (auto it = limits.rbegin(); it != limits.rend(); ++it) {
        if (!it->empty()) {
            out += " LIMIT " + *it;
        }
    }
    return out;
}

std::vector<std::pair<std::size_t, std::size_t>> Translator::splitCommas(std::size_t b,
                                                                         std::size_t e) const
{
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    int depth = 0;
    std::size_t start = b;
    for (std::size_t i = b; i < e; ++i) {
        if (isPunct(t_[i], "(")) {
            ++depth;
        } else if (isPunct(t_[i], ")")) {
            --depth;
        } else if (depth == 0 && isPunct(t_[i], ",")) {
            parts.emplace_back(start, i);
            start = i + 1;
        }
    }
    parts.emplace_back(start, e);
    return parts;
}

std::size_t Translator::skipParens(std::size_t i, std::size_t e) const
{
    std::size_t open = nextSignificant(t_, i, e);
    if (open < e && isPunct(t_[open], "(")) {
        std::size_t close = matchingParen(t_, open, e);
        return close < e ? close + 1 : i;
    }
    return i;
}

/* A possibly qualified name starting at i: the index after it, or i when none. */
std::size_t Translator::qualifiedName(std::size_t i, std::size_t e) const
{
    std::size_t end = i;
    while (end < e && (t_[end].kind == Tok::Word || t_[end].kind == Tok::Ident)) {
        ++end;
        if (end + 1 < e && isPunct(t_[end], ".") &&
            (t_[end + 1].kind == Tok::Word || t_[end + 1].kind == Tok::Ident)) {
            ++end;
        } else {
            break;
        }
    }
    return end;
}

std::optional<std::string> Translator::columnType(std::size_t q, std::size_t e,
                                                  const std::string& column,
                                                  std::size_t& next) const
{
    if (q == e || t_[q].kind != Tok::Word) {
        return std::nullopt;
    }
    TypeClass type = classifyType(t_[q].text);
    if (type == TypeClass::Unknown) {
        return std::nullopt;
    }
    next = skipParens(q + 1, e);
    if (type == TypeClass::Counter) {
        // The key clause Jet writes after the counter is part of what we emit.
        std::size_t k = nextSignificant(t_, next, e);
        if (k < e && isKeyword(t_[k], "CONSTRAINT")) {
            k = skip(skip(k, e), e);
        }
        std::size_t key = skip(k, e);
        if (k < e && isKeyword(t_[k], "PRIMARY") && key < e && isKeyword(t_[key], "KEY")) {
            next = key + 1;
        }
    }
    return typeText(type, column);
}

std::string Translator::columnDef(std::size_t b, std::size_t e) const
{
    std::size_t p = nextSignificant(t_, b, e);
    static constexpr std::string_view constraints[] = {"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN",
                                                       "CHECK"};
    for (std::string_view word : constraints) {
        if (p < e && isKeyword(t_[p], word)) {
            return expressions(b, e);
        }
    }
    if (p == e || (t_[p].kind != Tok::Word && t_[p].kind != Tok::Ident)) {
        return expressions(b, e);
    }
    std::size_t q = nextSignificant(t_, p + 1, e);
    std::size_t next = q;
    auto type = columnType(q, e, identName(t_[p]), next);
    if (!type) {
        return expressions(b, e);
    }
    return expressions(b, q) + *type + expressions(next, e);
}

/* CREATE [TEMP] TABLE [IF NOT EXISTS] name ( column definitions ) rest */
std::optional<std::string> Translator::createTable(std::size_t b, std::size_t e) const
{
    std::size_t i = nextSignificant(t_, b, e);
    if (i == e || !isKeyword(t_[i], "CREATE")) {
        return std::nullopt;
    }
    i = nextSignificant(t_, i + 1, e);
    if (i < e && (isKeyword(t_[i], "TEMP") || isKeyword(t_[i], "TEMPORARY"))) {
        i = nextSignificant(t_, i + 1, e);
    }
    if (i == e || !isKeyword(t_[i], "TABLE")) {
        return std::nullopt;
    }
    i = nextSignificant(t_, i + 1, e);
    if (i < e && isKeyword(t_[i], "IF")) {
        i = skip(skip(skip(i, e), e), e); // IF NOT EXISTS
    }
    std::size_t open = nextSignificant(t_, qualifiedName(i, e), e);
    if (open == e || open == i || !isPunct(t_[open], "(")) {
        return std::nullopt;
    }
    std::size_t close = matchingParen(t_, open, e);
    std::string out = expressions(b, open + 1);
    bool first = true;
    for (auto [db, de] : splitCommas(open + 1, close)) {
        out += (first ? "" : ",") + columnDef(db, de);
        first = false;
    }
    return out + (close < e ? expressions(close, e) : "");
}

std::vector<std::string> Translator::addColumns(const std::string& tableSql, std::size_t b,
                                                std::size_t e) const
{
    std::vector<std::string> out;
    for (auto [db, de] : splitCommas(b, e)) {
        db = nextSignificant(t_, db, de);
        if (db < de && isKeyword(t_[db], "COLUMN")) {
            db = nextSignificant(t_, db + 1, de);
        }
        out.push_back("ALTER TABLE " + tableSql + " ADD COLUMN " + columnDef(db, de));
    }
    return out;
}

/* FOREIGN KEY (c) REFERENCES r [(k)] [ON UPDATE|DELETE rule]... from b. */
std::optional<std::vector<std::string>> Translator::addForeignKey(const std::string& table,
                                                                  std::size_t b, std::size_t e,
                                                                  const std::string& name) const
{
    auto expect = [&](std::size_t& i, std::string_view word) {
        i = nextSignificant(t_, i, e);
        bool ok = i < e && (isKeyword(t_[i], word) || isPunct(t_[i], word));
        i += ok ? 1 : 0;
        return ok;
    };
    auto nameAt = [&](std::size_t& i, std::string& out) {
        i = nextSignificant(t_, i, e);
        bool ok = i < e && (t_[i].kind == Tok::Word || t_[i].kind == Tok::Ident);
        out = ok ? identName(t_[i++]) : "";
        return ok;
    };
    ForeignKey key;
    key.child = table;
    std::size_t i = b;
    if (!expect(i, "FOREIGN") || !expect(i, "KEY") || !expect(i, "(") || !nameAt(i, key.column) ||
        !expect(i, ")") || !expect(i, "REFERENCES") || !nameAt(i, key.parent) || !expect(i, "(") ||
        !nameAt(i, key.parentColumn) || !expect(i, ")")) {
        return std::nullopt;
    }
    key.cascadeUpdate = false; // a statement-made key has no rule unless it names one
    // A word that is not there leaves i on the same token, so alternatives can follow.
    while (nextSignificant(t_, i, e) < e) {
        if (!expect(i, "ON")) {
            return std::nullopt;
        }
        bool update = expect(i, "UPDATE");
        if (!update && !expect(i, "DELETE")) {
            return std::nullopt;
        }
        bool cascade = expect(i, "CASCADE");
        if (!cascade && !expect(i, "RESTRICT") && !(expect(i, "NO") && expect(i, "ACTION"))) {
            return std::nullopt;
        }
        (update ? key.cascadeUpdate : key.cascadeDelete) = cascade;
    }
    key.name = name.empty() ? derivedKeyName(key.child, key.column) : name;
    return foreignKeyStatements(key);
}

/* ALTER TABLE t ADD [COLUMN] c type [, ...] and ALTER TABLE t ADD [CONSTRAINT n] FOREIGN
 * KEY ...; nullopt for other ALTER statements. */
std::optional<std::vector<std::string>> Translator::alterTable(std::size_t b, std::size_t e) const
{
    std::size_t i = nextSignificant(t_, b, e);
    if (i == e || !isKeyword(t_[i], "ALTER")) {
        return std::nullopt;
    }
    i = nextSignificant(t_, i + 1, e);
    if (i == e || !isKeyword(t_[i], "TABLE")) {
        return std::nullopt;
    }
    std::size_t nameAt = nextSignificant(t_, i + 1, e);
    std::size_t nameEnd = qualifiedName(nameAt, e);
    std::size_t add = nextSignificant(t_, nameEnd, e);
    if (nameEnd == nameAt || add == e || !isKeyword(t_[add], "ADD")) {
        return std::nullopt;
    }
    std::size_t what = nextSignificant(t_, add + 1, e);
    std::string keyName;
    std::size_t keyAt = what;
    if (what < e && isKeyword(t_[what], "CONSTRAINT")) {
        std::size_t n = nextSignificant(t_, what + 1, e);
        if (n == e || (t_[n].kind != Tok::Word && t_[n].kind != Tok::Ident)) {
            return std::nullopt;
        }
        keyName = identName(t_[n]);
        keyAt = nextSignificant(t_, n + 1, e);
    }
    if (keyAt < e && isKeyword(t_[keyAt], "FOREIGN")) {
        return addForeignKey(identName(t_[nameEnd - 1]), keyAt, e, keyName);
    }
    if (what == e || !keyName.empty() || isKeyword(t_[what], "PRIMARY") ||
        isKeyword(t_[what], "UNIQUE")) {
        return std::nullopt;
    }
    return addColumns(expressions(nameAt, nameEnd), what, e);
}

std::vector<std::string> Translator::statement(std::size_t b, std::size_t e) const
{
    if (auto created = createTable(b, e)) {
        return {*created};
    }
    if (auto altered = alterTable(b, e)) {
        return *altered;
    }
    return {expressions(b, e)};
}

/* The statement kinds Jet runs. Anything else (a transaction, an attachment, a pragma)
 * would reach past the one call's own work. */
bool isJetStatementWord(const Token& t)
{
    static constexpr std::string_view words[] = {"SELECT", "INSERT", "UPDATE", "DELETE",
                                                 "CREATE", "DROP",   "ALTER",  "TRANSFORM"};
    for (std::string_view w : words) {
        if (isKeyword(t, w)) {
            return true;
        }
    }
    return isPunct(t, "(");
}

/* Jet runs exactly one statement per call and has no comments: the end of the one
 * statement (a closing ';' may follow it), or a syntax error. */
std::size_t requireOneStatement(const Tokens& t)
{
    std::size_t first = nextSignificant(t, 0, t.size());
    if (first == t.size() || !isJetStatementWord(t[first])) {
        raiseEngine(code::kSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'.");
    }
    std::size_t end = t.size();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (isComment(t[i])) {
            raiseEngine(code::kSyntax, "Syntax error: Jet SQL has no comments.");
        }
        if (end == t.size() && isPunct(t[i], ";")) {
            end = i;
        } else if (end < i && t[i].kind != Tok::Space) {
            raiseEngine(code::kSyntax, "Characters found after end of SQL statement.");
        }
    }
    return end;
}

std::string trimmed(const std::string& s)
{
    std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    std::size_t last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

} // namespace

std::vector<std::string> translateJet(const std::string& jet)
{
    Tokens tokens = tokenize(jet, Flavor::Jet);
    std::size_t end = requireOneStatement(tokens);
    Translator translator(tokens);
    std::vector<std::string> out;
    for (std::string& s : translator.statement(0, end)) {
        if (std::string t = trimmed(s); !t.empty()) {
            out.push_back(std::move(t));
        }
    }
    return out;
}

std::string droppedTable(const std::string& jet)
{
    std::size_t start = jet.find_first_not_of(" \t\r\n");
    if (start == std::string::npos ||
        !equalsIgnoreCase(std::string_view(jet).substr(start, 4), "DROP")) {
        return {}; // most texts are not, and need no tokenizing to tell
    }
    Tokens t = tokenize(jet, Flavor::Jet);
    std::size_t drop = nextSignificant(t, 0, t.size());
    std::size_t table = drop < t.size() ? nextSignificant(t, drop + 1, t.size()) : t.size();
    std::size_t name = table < t.size() ? nextSignificant(t, table + 1, t.size()) : t.size();
    if (name == t.size() || !isKeyword(t[drop], "DROP") || !isKeyword(t[table], "TABLE") ||
        (t[name].kind != Tok::Word && t[name].kind != Tok::Ident)) {
        return {};
    }
    return identName(t[name]);
}

void refuseUnboundParameters(const std::string& jet)
{
    if (jet.find_first_of("?:@$") == std::string::npos) {
        return; // the common case costs one scan, not a tokenizing
    }
    for (const Token& t : tokenize(jet, Flavor::Jet)) {
        char c = t.text[0];
        if ((t.kind == Tok::Punct || t.kind == Tok::Other) &&
            (c == '?' || c == ':' || c == '@' || c == '$')) {
            raiseEngine(code::kUnknownColumn,
                        "No value given for one or more required parameters.");
        }
    }
}

bool isExactTextColumn(const std::string& column)
{
    return equalsIgnoreCase(column, "Pathname") || equalsIgnoreCase(column, "Filename");
}

std::string sqliteColumnType(const std::string& column, const std::string& jetType)
{
    Tokens tokens = tokenize(jetType, Flavor::Jet);
    std::size_t first = nextSignificant(tokens, 0, tokens.size());
    if (first == tokens.size() || tokens[first].kind != Tok::Word) {
        return jetType;
    }
    std::string text = typeText(classifyType(tokens[first].text), column);
    return text.empty() ? jetType : text;
}

std::string quoteIdent(const std::string& name)
{
    std::string out;
    out.reserve(name.size() + 2);
    out += '"';
    for (char c : name) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
    return out;
}

} // namespace kavdb::engine
