/*
 * Value: construction, checked access and the engine's type conversion.
 */
#include "store/engine/value.h"

#include "store/engine/native.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kavdb::engine {

Kind Value::kindOf() const
{
    // The order of the variant's alternatives.
    static constexpr Kind kinds[] = {Kind::Empty, Kind::Null,  Kind::Int,   Kind::Text,
                                     Kind::Bool,  Kind::Bytes, Kind::Double};
    return kinds[v_.index()];
}

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/* The whole text, blanks around it aside, as a decimal int32; false otherwise. */
bool parseInt32(const std::string& text, int32_t& out)
{
    const char* first = text.data();
    const char* last = first + text.size();
    while (first < last && isBlank(*first)) {
        ++first;
    }
    while (last > first && isBlank(last[-1])) {
        --last;
    }
    if (first < last && *first == '+') {
        ++first;
    }
    if (first == last) {
        return false;
    }
    auto [end, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && end == last;
}

} // namespace

void Value::mismatch(const char* what)
{
    raiseEngine(code::kTypeMismatch, std::string("Type mismatch: ") + what);
}

int32_t Value::toInt() const
{
    switch (kindOf()) {
    case Kind::Int:
        return asInt();
    case Kind::Bool:
        return asBool() ? -1 : 0; // Jet's True
    case Kind::Double: {
        double rounded = std::nearbyint(asDouble()); // the default mode: half to even
        if (rounded >= std::numeric_limits<int32_t>::min() &&
            rounded <= std::numeric_limits<int32_t>::max()) {
            return static_cast<int32_t>(rounded);
        }
        mismatch("the number does not fit in 32 bits");
    }
    case Kind::Text: {
        int32_t i = 0;
        if (parseInt32(asText(), i)) {
            return i;
        }
        mismatch("the text is not a 32-bit number");
    }
    default:
        mismatch("the value cannot be converted to an integer");
    }
}

std::string Value::toText() const
{
    switch (kindOf()) {
    case Kind::Text:
        return asText();
    case Kind::Int:
        return std::to_string(asInt());
    case Kind::Bool:
        return asBool() ? "True" : "False";
    case Kind::Double: {
        char text[32];
        auto [end, ec] = std::to_chars(text, text + sizeof text, asDouble());
        return std::string(text, ec == std::errc() ? end : text);
    }
    default:
        mismatch("the value cannot be converted to a text");
    }
}

} // namespace kavdb::engine
