/*
 * Statement shapes: compared literals taken out as numbered parameters.
 */
#include "store/engine/literal_shape.h"

#include "store/engine/lexer.h"

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

/* Named or numbered parameters already present: their indexes are the caller's. */
bool namesItsParameters(const Tokens& t)
{
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        bool marker =
            isPunct(t[i], "?") || isPunct(t[i], ":") || isPunct(t[i], "@") || isPunct(t[i], "$");
        if (marker && (t[i + 1].kind == Tok::Number || t[i + 1].kind == Tok::Word)) {
            return true;
        }
    }
    return false;
}

bool isComparison(const Token& t)
{
    if (t.kind == Tok::Word) {
        return isKeyword(t, "LIKE") || isKeyword(t, "GLOB");
    }
    for (const char* op : {"=", "==", "<>", "!=", "<", ">", "<=", ">="}) {
        if (isPunct(t, op)) {
            return true;
        }
    }
    return false;
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

} // namespace kavdb::engine
