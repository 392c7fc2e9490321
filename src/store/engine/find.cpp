/*
 * Find criteria: parsing ADO's "Column = value" and the equality a find applies.
 */
#include "store/engine/find.h"

#include "store/engine/lexer.h"
#include "store/engine/native.h"

#include <charconv>

namespace kavdb::engine {

namespace {

[[noreturn]] void badCriterion(const std::string& text)
{
    raiseEngine(code::kSyntax, "The find criterion is not of the form Column = value: " + text);
}

/* The number at tokens [i, e): an optional sign and digits, as int32. */
bool numberAt(const Tokens& t, std::size_t i, std::size_t e, int32_t& out)
{
    bool negative = i < e && (isPunct(t[i], "-") || isPunct(t[i], "+"));
    std::string digits = negative && t[i].text == "-" ? "-" : "";
    i = negative ? nextSignificant(t, i + 1, e) : i;
    if (i == e || t[i].kind != Tok::Number || nextSignificant(t, i + 1, e) != e) {
        return false;
    }
    digits += t[i].text;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
    return ec == std::errc() && end == digits.data() + digits.size();
}

} // namespace

Criterion parseCriterion(const std::string& text)
{
    Tokens t = tokenize(text, Flavor::Jet);
    std::size_t e = t.size();
    std::size_t name = nextSignificant(t, 0, e);
    std::size_t eq = name < e ? nextSignificant(t, name + 1, e) : e;
    std::size_t value = eq < e ? nextSignificant(t, eq + 1, e) : e;
    if (value == e || (t[name].kind != Tok::Word && t[name].kind != Tok::Ident) ||
        !isPunct(t[eq], "=")) {
        badCriterion(text);
    }
    Criterion c{identName(t[name]), Value()};
    int32_t number = 0;
    if (t[value].kind == Tok::String && nextSignificant(t, value + 1, e) == e) {
        c.value = Value::text(stringValue(t[value]));
    } else if (numberAt(t, value, e, number)) {
        c.value = Value::integer(number);
    } else {
        badCriterion(text);
    }
    return c;
}

bool findMatches(const Value& cell, const Value& wanted, bool exactText)
{
    if (cell.isNothing() || wanted.isNothing()) {
        return false;
    }
    if (cell.isInt() && wanted.isInt()) {
        return cell.asInt() == wanted.asInt();
    }
    if (wanted.isText() && (cell.isText() || cell.isInt())) {
        std::string text = cell.toText();
        return exactText ? text == wanted.asText() : equalsIgnoreCase(text, wanted.asText());
    }
    if (wanted.isInt() && cell.isText()) {
        int32_t n = 0;
        const std::string& s = cell.asText();
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        return ec == std::errc() && end == s.data() + s.size() && n == wanted.asInt();
    }
    return cell == wanted;
}

} // namespace kavdb::engine
