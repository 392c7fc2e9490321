/*
 * Statement shapes: compared literals taken out as numbered parameters.
 */
#include "store/engine/literal_shape.h"

#include "store/engine/lexer.h"
#include "store/engine/native.h"

#include <algorithm>
#include <cstdlib>

namespace kavdb::engine {

namespace {

bool isDataStatement(const Tokens& t)
{
    std::size_t i = nextSignificant(t, 0, t.size());
    if (i == t.size()) {
        return false;
    }
    for (const char* word : {"SELECT", "INSERT", "UPDATE", "DELETE", "WITH", "REPLACE"}) {
        if (isKeyword(t[i], word)) {
            return true;
        }
    }
    return false;
}

bool isMarker(const Token& t)
{
    return t.kind == Tok::Punct && t.text.size() == 1 &&
           (t.text[0] == '?' || t.text[0] == ':' || t.text[0] == '@' || t.text[0] == '$');
}

/* Named or numbered parameters already present: their indexes are the caller's. */
bool namesItsParameters(const Tokens& t)
{
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (isMarker(t[i]) && (t[i + 1].kind == Tok::Number || t[i + 1].kind == Tok::Word)) {
            return true;
        }
    }
    return false;
}

/* = == <> != < > <= >= (the lexer gives an operator of one or two characters). */
bool isOperator(const Token& t)
{
    if (t.kind != Tok::Punct) {
        return false;
    }
    std::string_view op = t.text;
    if (op.size() == 1) {
        return op[0] == '=' || op[0] == '<' || op[0] == '>';
    }
    return op == "==" || op == "<>" || op == "!=" || op == "<=" || op == ">=";
}

bool isComparison(const Token& t)
{
    if (t.kind == Tok::Word) {
        return isKeyword(t, "LIKE") || isKeyword(t, "GLOB");
    }
    return isOperator(t);
}

/* In Jet text only "column op literal" counts: "StrComp(...) = 0" is read by the
 * translator, and LIKE patterns are rewritten. */
bool comparesColumn(const Tokens& t, std::size_t op)
{
    if (!isOperator(t[op])) {
        return false;
    }
    std::size_t i = op;
    while (i > 0 && t[i - 1].kind == Tok::Space) {
        --i;
    }
    return i > 0 && (t[i - 1].kind == Tok::Word || t[i - 1].kind == Tok::Ident);
}

/* The literal's value when it can stand as a parameter; empty otherwise. */
Value literalValue(const Token& t)
{
    if (t.kind == Tok::String) {
        return Value::text(stringValue(t));
    }
    if (t.kind == Tok::Number && t.text.size() <= 9 &&
        t.text.find_first_not_of("0123456789") == std::string_view::npos) {
        return Value::integer(std::atoi(std::string(t.text).c_str()));
    }
    return Value();
}

} // namespace

LiteralShape shapeOf(const std::string& sql)
{
    LiteralShape shape;
    Tokens t = tokenize(sql, Flavor::Sqlite);
    if (!isDataStatement(t) || namesItsParameters(t)) {
        shape.sql = sql;
        return shape;
    }
    int anonymous = 0;
    for (const auto& tok : t) {
        anonymous += isPunct(tok, "?") ? 1 : 0;
    }
    shape.firstIndex = anonymous + 1;
    int placeholder = 0;
    const Token* previous = nullptr;
    for (const auto& tok : t) {
        Value literal =
            previous != nullptr && isComparison(*previous) ? literalValue(tok) : Value();
        if (!literal.isEmpty()) {
            shape.literals.push_back(literal);
            shape.sql += "?" + std::to_string(anonymous + static_cast<int>(shape.literals.size()));
        } else if (isPunct(tok, "?")) {
            shape.sql += "?" + std::to_string(++placeholder);
        } else {
            shape.sql += tok.text;
        }
        if (tok.kind != Tok::Space) {
            previous = &tok;
        }
    }
    if (shape.literals.empty()) {
        shape.sql = sql;
    }
    return shape;
}

LiteralShape jetShapeOf(const std::string& jet)
{
    LiteralShape shape;
    shape.firstIndex = kJetLiteralBase + 1;
    if (std::none_of(jet.begin(), jet.end(),
                     [](char c) { return c == '=' || c == '<' || c == '>'; })) {
        shape.sql = jet; // nothing is compared
        return shape;
    }
    Tokens t = tokenize(jet, Flavor::Jet);
    bool anyMarker = false;
    for (const auto& tok : t) {
        anyMarker = anyMarker || isMarker(tok);
    }
    if (anyMarker || !isDataStatement(t)) {
        shape.sql = jet;
        return shape;
    }
    shape.sql.reserve(jet.size() + 8);
    std::size_t copied = 0; // the text up to here is in shape.sql
    std::size_t previous = t.size();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (previous < t.size() && comparesColumn(t, previous)) {
            Value literal = literalValue(t[i]);
            if (!literal.isEmpty()) {
                auto at = static_cast<std::size_t>(t[i].text.data() - jet.data());
                shape.sql.append(jet, copied, at - copied);
                copied = at + t[i].text.size();
                shape.literals.push_back(std::move(literal));
                shape.sql += '?';
                shape.sql +=
                    std::to_string(kJetLiteralBase + static_cast<int>(shape.literals.size()));
            }
        }
        if (t[i].kind != Tok::Space) {
            previous = i;
        }
    }
    shape.sql.append(jet, copied);
    return shape;
}

std::string numberPlaceholders(const std::string& jet, std::size_t count)
{
    Tokens t = tokenize(jet, Flavor::Jet);
    std::string out;
    out.reserve(jet.size() + 2 * count);
    std::size_t found = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        bool named =
            i + 1 < t.size() && (t[i + 1].kind == Tok::Number || t[i + 1].kind == Tok::Word);
        if (isMarker(t[i]) && (named || !isPunct(t[i], "?"))) {
            raiseEngine(code::kInvalidArg, "Values are bound to '?' placeholders only.");
        }
        if (isPunct(t[i], "?")) {
            out += '?';
            out += std::to_string(kJetLiteralBase + static_cast<int>(++found));
        } else {
            out += t[i].text;
        }
    }
    if (found != count) {
        raiseEngine(code::kInvalidArg, "The command text has " + std::to_string(found) +
                                           " placeholders for " + std::to_string(count) +
                                           " values.");
    }
    return out;
}

} // namespace kavdb::engine
