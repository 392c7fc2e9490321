/*
 * The Jet functions registered on every connection, each through SQL as an
 * application's query would call it.
 */
#include "store/engine/engine_fixture.h"

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

struct Call {
    const char* expression;
    Value expected;
};

class FunctionsTest : public EngineTest {
  protected:
    Value eval(const std::string& expression) { return scalar("SELECT " + expression); }
};

TEST_F(FunctionsTest, EachFunctionGivesJetsResult)
{
    const Call calls[] = {
        {R"(StrComp("abc", "abd", 0))", Value::integer(-1)},
        {R"(StrComp("b", "a", 0))", Value::integer(1)},
        {R"(StrComp("ABC", "abc", 0))", Value::integer(-1)},
        {R"(StrComp("ABC", "abc", 1))", Value::integer(0)},
        {R"(StrComp("ABC", "abc"))", Value::integer(0)},
        {R"(StrComp("ab", "abc", 0))", Value::integer(-1)},
        {R"(StrComp(NULL, "a", 0))", Value::null()},
        {R"(UCase("straße a1"))", Value::text("STRAßE A1")},
        {R"(LCase("ÀBC"))", Value::text("Àbc")},
        {R"(UCase(NULL))", Value::null()},
        {R"(Len("héllo"))", Value::integer(5)},
        {"Len(12345)", Value::integer(5)},
        {R"(Mid("héllo", 2, 3))", Value::text("éll")},
        {R"(Mid("hello", 3))", Value::text("llo")},
        {R"(Mid("hello", 9))", Value::text("")},
        {R"(Left("héllo", 2))", Value::text("hé")},
        {R"(Left("hi", 9))", Value::text("hi")},
        {R"(Right("hellö", 2))", Value::text("lö")},
        {R"(Right("hi", 0))", Value::text("")},
        {R"(InStr("abcabc", "c"))", Value::integer(3)},
        {R"(InStr(4, "abcabc", "c"))", Value::integer(6)},
        {R"(InStr("abc", "z"))", Value::integer(0)},
        {R"(InStr("ABC", "b"))", Value::integer(2)},
        {R"(InStr(1, "ABC", "b", 0))", Value::integer(0)},
        {R"(InStr("éa", "a"))", Value::integer(2)},
        {R"(InStr(2, "abc", ""))", Value::integer(2)},
        {R"(Trim("  a b  "))", Value::text("a b")},
        {R"(LTrim("  a "))", Value::text("a ")},
        {R"(RTrim("  a "))", Value::text("  a")},
        {R"(trim("xxaxx", "x"))", Value::text("a")}, // SQLite's own two-argument form
        {R"(IIf(1 = 1, "yes", "no"))", Value::text("yes")},
        {R"(IIf(0, "yes", "no"))", Value::text("no")},
        {R"(IIf(NULL, "yes", "no"))", Value::text("no")},
        {"Nz(NULL)", Value::text("")},
        {"Nz(NULL, 7)", Value::integer(7)},
        {R"(Nz("v", 7))", Value::text("v")},
        {R"(Val("  12 34abc"))", Value::integer(1234)},
        {R"(Val("-7"))", Value::integer(-7)},
        {R"(Val("2.5"))", Value::text("2.5")},
        {R"(Val("&H1F"))", Value::integer(31)},
        {R"(Val("abc"))", Value::integer(0)},
        {R"(Val("inf"))", Value::integer(0)},
        {"Val(NULL)", Value::null()},
        {"CStr(42)", Value::text("42")},
        {"CStr(2.5)", Value::text("2.5")},
        {"CStr(NULL)", Value::null()},
        {"CLng(2.5)", Value::integer(2)},
        {"CLng(3.5)", Value::integer(4)},
        {"CLng(-2.5)", Value::integer(-2)},
        {"CLng(2.6)", Value::integer(3)},
        {R"(CLng(" 17 "))", Value::integer(17)},
        {"CLng(NULL)", Value::null()},
    };
    for (const auto& c : calls) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(eval(c.expression), c.expected);
    }
}

TEST_F(FunctionsTest, InvalidArgumentsFailTheStatement)
{
    for (const char* bad : {R"(Mid("abc", 0))", R"(Left("abc", -1))", R"(InStr(0, "a", "a"))",
                            R"(CLng("x1"))", "CLng(3000000000)"}) {
        SCOPED_TRACE(bad);
        EXPECT_NE(codeOf([&] { eval(bad); }), 0);
    }
}

TEST_F(FunctionsTest, FunctionsWorkOnColumnsInConditions)
{
    conn_.execute("CREATE TABLE t (id COUNTER PRIMARY KEY, Filename TEXT, Comment LONGTEXT)");
    conn_.execute("INSERT INTO t (Filename, Comment) VALUES ('IMG_1.JPG', NULL), "
                  "('img_2.jpg', 'x')");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM t WHERE UCase(Right(Filename, 4)) = \".JPG\"").toInt(),
              2);
    EXPECT_EQ(scalar("SELECT id FROM t WHERE Nz(Comment) = \"\"").toInt(), 1);
    EXPECT_EQ(scalar("SELECT Left(Filename, 3) & Mid(Filename, 5, 1) FROM t WHERE id = 2").toText(),
              "img2");
}

} // namespace
} // namespace kavdb::engine::test
