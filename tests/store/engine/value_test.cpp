/*
 * Value: kinds, checked access, the engine's conversions and the byte-array helpers.
 */
#include "store/engine/alloc.h"
#include "store/engine/engine_fixture.h"
#include "store/engine/value.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kavdb::engine::test {
namespace {

TEST(ValueTest, KindsAnswerTheVariantCodes)
{
    EXPECT_EQ(Value().kind(), 0);
    EXPECT_EQ(Value::null().kind(), 1);
    EXPECT_EQ(Value::integer(5).kind(), 3);
    EXPECT_EQ(Value::real(2.5).kind(), 5);
    EXPECT_EQ(Value::text("x").kind(), 8);
    EXPECT_EQ(Value::missing().kind(), 10);
    EXPECT_EQ(Value::boolean(true).kind(), 11);
    EXPECT_EQ(Value::bytes({1}).kind(), 0x2011);
    EXPECT_TRUE(Value().isNothing());
    EXPECT_TRUE(Value::null().isNothing());
    EXPECT_FALSE(Value::integer(0).isNothing());
}

TEST(ValueTest, AccessOfTheWrongKindIsATypeMismatch)
{
    EXPECT_EQ(codeOf([] { Value::text("1").asInt(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value::integer(1).asText(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value::null().asBytes(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value::integer(1).asBool(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value::integer(1).asDouble(); }), code::kTypeMismatch);
    EXPECT_EQ(Value::bytes({7, 8}).asBytes(), (Bytes{7, 8}));
}

struct ToIntCase {
    Value value;
    bool converts;
    int32_t expected;
};

TEST(ValueTest, ToIntConvertsIntegersBooleansAndWholeNumericTexts)
{
    const ToIntCase cases[] = {
        {Value::integer(-7), true, -7},
        {Value::boolean(true), true, -1},
        {Value::boolean(false), true, 0},
        {Value::text("42"), true, 42},
        {Value::text("  -13 "), true, -13},
        {Value::text("+8"), true, 8},
        {Value::text("2147483647"), true, 2147483647},
        {Value::text("2147483648"), false, 0},
        {Value::text("12abc"), false, 0},
        {Value::text("1.5"), false, 0},
        {Value::text(""), false, 0},
        {Value::text("   "), false, 0},
        {Value::real(7.0), true, 7},
        {Value::real(2.5), true, 2}, // half to even, as Jet rounds
        {Value::real(3.5), true, 4},
        {Value::real(-2.6), true, -3},
        {Value::real(3e9), false, 0},
        {Value::null(), false, 0},
        {Value(), false, 0},
        {Value::bytes({1}), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.kind());
        if (c.converts) {
            EXPECT_EQ(c.value.toInt(), c.expected);
        } else {
            EXPECT_EQ(codeOf([&] { c.value.toInt(); }), code::kTypeMismatch);
        }
    }
}

TEST(ValueTest, ToTextConvertsTextsIntegersBooleansAndNumbers)
{
    EXPECT_EQ(Value::text("abc").toText(), "abc");
    EXPECT_EQ(Value::integer(-12).toText(), "-12");
    EXPECT_EQ(Value::boolean(true).toText(), "True");
    EXPECT_EQ(Value::boolean(false).toText(), "False");
    EXPECT_EQ(Value::real(7.1).toText(), "7.1");
    EXPECT_EQ(Value::real(50).toText(), "50");
    EXPECT_EQ(Value::real(-0.366667).toText(), "-0.366667");
    EXPECT_EQ(Value::real(0.1 + 0.2).toText(), "0.30000000000000004"); // reads back the same
    EXPECT_EQ(codeOf([] { Value::null().toText(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value().toText(); }), code::kTypeMismatch);
    EXPECT_EQ(codeOf([] { Value::bytes({65}).toText(); }), code::kTypeMismatch);
}

TEST(ValueTest, MismatchCarriesSourceAndDescription)
{
    try {
        Value::null().toInt();
        FAIL() << "no error raised";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), code::kTypeMismatch);
        EXPECT_FALSE(e.source().empty());
        EXPECT_FALSE(e.description().empty());
    }
}

TEST(ByteArrayTest, ToByteArrayValueCopiesTheBytes)
{
    const uint8_t data[] = {1, 2, 3, 4};
    Value v;
    EXPECT_EQ(ToByteArrayValue(&v, data, 4), 0);
    EXPECT_EQ(v.kind(), 0x2011);
    EXPECT_EQ(v.asBytes(), (Bytes{1, 2, 3, 4}));
}

TEST(ByteArrayTest, ToByteArrayValueRefusesNullBytesAndCountsBelowOne)
{
    const uint8_t data[] = {1};
    Value v = Value::text("before");
    EXPECT_EQ(ToByteArrayValue(&v, nullptr, 1), code::kInvalidArg);
    EXPECT_EQ(v.kind(), 0x2011);
    EXPECT_TRUE(v.asBytes().empty());
    EXPECT_EQ(ToByteArrayValue(&v, data, 0), code::kInvalidArg);
    EXPECT_EQ(ToByteArrayValue(&v, data, -3), code::kInvalidArg);
    EXPECT_TRUE(v.asBytes().empty());
    EXPECT_EQ(ToByteArrayValue(nullptr, data, 1), code::kInvalidArg);
}

TEST(ByteArrayTest, FromByteArrayValueCopiesCountBytesIntoANewBuffer)
{
    Value v = Value::bytes({9, 8, 7, 6});
    uint8_t* all = FromByteArrayValue(&v, 4);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(std::memcmp(all, "\x09\x08\x07\x06", 4), 0);
    kaFree(all);
    uint8_t* part = FromByteArrayValue(&v, 2);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part[0], 9);
    EXPECT_EQ(part[1], 8);
    kaFree(part);
}

TEST(ByteArrayTest, FromByteArrayValueRefusesOtherKindsAndBadCounts)
{
    Value bytes = Value::bytes({1, 2});
    Value text = Value::text("ab");
    EXPECT_EQ(FromByteArrayValue(&bytes, 0), nullptr);
    EXPECT_EQ(FromByteArrayValue(&bytes, 3), nullptr);
    EXPECT_EQ(FromByteArrayValue(&text, 2), nullptr);
    EXPECT_EQ(FromByteArrayValue(nullptr, 2), nullptr);
}

} // namespace
} // namespace kavdb::engine::test
