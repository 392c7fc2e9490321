/*
 * The translator's entry points (see dialect.h): the front end reads, the dialect's
 * target writes. Also the small readings of Jet text the engine needs beside it.
 */
#include "store/engine/jet/dialect.h"

#include "store/engine/jet/target.h"
#include "store/engine/jet/tree.h"
#include "store/engine/native.h"

#include <cstdlib>

namespace kavdb::engine {

namespace {

const jet::Target& targetOf(Dialect dialect)
{
    return dialect == Dialect::Postgres ? jet::postgresTarget() : jet::sqliteTarget();
}

} // namespace

std::vector<std::string> translateJet(const std::string& jet, const DescribeQuery& describe,
                                      Dialect dialect)
{
    jet::Statement statement = jet::parseJet(jet);
    return targetOf(dialect).statements(statement, describe);
}

std::vector<std::string> keyStatements(const ForeignKey& key, Dialect dialect)
{
    return targetOf(dialect).keyStatements(key);
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
    return jet::isExactName(column);
}

std::string columnType(const std::string& column, const std::string& jetType, Dialect dialect)
{
    Tokens t = tokenize(jetType, Flavor::Jet);
    std::size_t word = nextSignificant(t, 0, t.size());
    jet::TypeClass type = word < t.size() && t[word].kind == Tok::Word
                              ? jet::typeClassOf(t[word].text)
                              : jet::TypeClass::Unknown;
    if (type == jet::TypeClass::Unknown) {
        return jetType;
    }
    std::size_t open = nextSignificant(t, word + 1, t.size());
    std::size_t size = open < t.size() ? nextSignificant(t, open + 1, t.size()) : t.size();
    bool sized = size < t.size() && isPunct(t[open], "(") && t[size].kind == Tok::Number;
    int n = sized ? std::atoi(std::string(t[size].text).c_str()) : 0;
    return targetOf(dialect).columnType(column, type, type == jet::TypeClass::Counter ? 0 : n);
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
