/*
 * Value: the engine's variant, the unit in which every column value travels.
 *
 * It stands where ADO's VARIANT stood, and its kind() answers the same codes (0 empty,
 * 1 null, 3 int32, 8 text, 11 bool, 0x2011 byte array), so
 * the operations above can keep their rules ("an integer when the value is of kind 3").
 * A floating-point number answers 5, the variant code of a double. Texts are UTF-8 bytes,
 * passed through unchanged.
 */
#pragma once

#include "store/engine/error.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kavdb::engine {

enum class Kind : uint16_t {
    Empty = 0,
    Null = 1,
    Int = 3,
    Double = 5,
    Text = 8,
    Bool = 11,
    Bytes = 0x2011,
};

using Bytes = std::vector<uint8_t>;

class Value {
  public:
    Value() = default; // empty: "nothing given"

    static Value null() { return Value(NullTag{}); }
    static Value integer(int32_t v) { return Value(v); }
    static Value real(double v) { return Value(v); }
    static Value text(std::string v) { return Value(std::move(v)); }
    static Value boolean(bool v) { return Value(v); }
    static Value bytes(Bytes v) { return Value(std::move(v)); }

    Kind kindOf() const;
    uint16_t kind() const { return static_cast<uint16_t>(kindOf()); }

    bool isEmpty() const { return kindOf() == Kind::Empty; }
    bool isNull() const { return kindOf() == Kind::Null; }
    bool isNothing() const { return isEmpty() || isNull(); } // no value stored
    bool isInt() const { return kindOf() == Kind::Int; }
    bool isDouble() const { return kindOf() == Kind::Double; }
    bool isText() const { return kindOf() == Kind::Text; }
    bool isBytes() const { return kindOf() == Kind::Bytes; }

    /* Direct access; the kind must match (checked: a mismatch raises kTypeMismatch). */
    int32_t asInt() const { return as<int32_t>("the value is not an integer"); }
    double asDouble() const { return as<double>("the value is not a floating-point number"); }
    const std::string& asText() const { return as<std::string>("the value is not a text"); }
    const Bytes& asBytes() const { return as<Bytes>("the value is not a byte array"); }
    bool asBool() const { return as<bool>("the value is not a boolean"); }

    /* The engine's type conversion: int from int, bool, numeric text, or a double that
     * fits (rounded half to even); text from int, bool, double (the shortest text that
     * reads back as the same number) or text. Anything else (null, empty, bytes, text
     * that is not a number) raises an EngineError with kTypeMismatch. */
    int32_t toInt() const;
    std::string toText() const;

    bool operator==(const Value& other) const = default;

  private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    template <class T> explicit Value(T v) : v_(std::move(v)) {}
    template <class T> const T& as(const char* what) const
    {
        if (const T* v = std::get_if<T>(&v_)) {
            return *v;
        }
        mismatch(what);
    }
    [[noreturn]] static void mismatch(const char* what);

    std::variant<std::monostate, NullTag, int32_t, std::string, bool, Bytes, double> v_;
};

} // namespace kavdb::engine
