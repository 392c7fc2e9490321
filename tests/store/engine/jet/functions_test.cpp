/*
 * The Jet functions and operators registered on every connection, at their edges: Null,
 * characters beyond ASCII, dates in every form Jet reads, Format's patterns, and the
 * failures Jet reports. The everyday uses are tabled in jet_sql_test. A double is compared
 * as an integer when whole, else as its text: SQLite's untyped result column reads so,
 * a server's float8 column reads as the double itself.
 */
#include "store/engine/engine_fixture.h"
#include "store/engine/jet/dates.h"

#include <gtest/gtest.h>

namespace kavdb::engine::test {
namespace {

struct Call {
    const char* expression;
    Value expected;
};

class FunctionsTest : public EngineTest {
  protected:
    Value eval(const std::string& expression)
    {
        Value v = scalar("SELECT " + expression);
        if (v.kindOf() != Kind::Double) {
            return v;
        }
        double d = v.asDouble();
        return d == static_cast<double>(static_cast<int32_t>(d))
                   ? Value::integer(static_cast<int32_t>(d))
                   : Value::text(jet::numberText(d));
    }
};

TEST_F(FunctionsTest, EachFunctionGivesJetsResult)
{
    const Call calls[] = {
        {R"(StrComp("ABC", "abc", 0))", Value::integer(-1)},
        {R"(StrComp("ab", "abc", 0))", Value::integer(-1)},
        {R"(StrComp(NULL, "a", 0))", Value::null()},
        {R"(Mid("héllo", 2, 3))", Value::text("éll")},
        {R"(Mid("hello", 9))", Value::text("")},
        {R"(Left("héllo", 2))", Value::text("hé")},
        {R"(Right("hellö", 2))", Value::text("lö")},
        {R"(Len("héllo"))", Value::integer(5)},
        {R"(InStr("éa", "a"))", Value::integer(2)},
        {R"(InStr(2, "abc", ""))", Value::integer(2)},
        {R"(InStrRev("abcabc", "c", 5))", Value::integer(3)},
        {R"(InStrRev("aXa", "x"))", Value::integer(2)},
        {R"(String(2, "é"))", Value::text("éé")},
        {R"(Val("inf"))", Value::integer(0)},
        {"Val(NULL)", Value::null()},
        {"CLng(-2.5)", Value::integer(-2)},
        {R"(CInt(" 17 "))", Value::integer(17)},
        {"CDbl(NULL)", Value::null()},
        {"Round(-2.5)", Value::integer(-2)},
        {"Round(0.125, 2)", Value::text("0.12")},
        {R"(2.5 & "x")", Value::text("2.5x")},
        {R"("1" + "2")", Value::text("12")},
        {"5 + NULL", Value::null()},
        {"-7 \\ 2", Value::integer(-3)},
        {"7 Mod -3", Value::integer(1)},
        {"#2008-02-28# + 1", Value::text("2008-02-29")},
        {"#2008-03-01# - #2008-02-28#", Value::integer(2)},
        {R"(IIf("a%b" LIKE "a[%]b", 1, 0))", Value::integer(1)},
        {R"(IIf("" LIKE "%", 1, 0))", Value::integer(1)},
        {R"(IIf("ab" LIKE "[!a]%", 1, 0))", Value::integer(0)},
        {R"(IIf("é" LIKE "_", 1, 0))", Value::integer(1)},
        {R"(IIf("x[" LIKE "x[", 1, 0))", Value::integer(1)},
        {R"(Year("2008:05:30 15:56:01"))", Value::integer(2008)},
        {R"(Month("5/30/2008"))", Value::integer(5)},
        {R"(Hour("3:04 PM"))", Value::integer(15)},
        {"Year(39598)", Value::integer(2008)},
        {R"(DateAdd("m", -1, #2008-03-31#))", Value::text("2008-02-29")},
        {R"(DateAdd("n", 90, #2008-01-01 23:00#))", Value::text("2008-01-02 00:30:00")},
        {R"(DateDiff("ww", #2008-05-30#, #2008-06-01#))", Value::integer(1)},
        {R"(Format(#1999-12-31#, "yyyy-mm-dd"))", Value::text("1999-12-31")}, // a century's end
        {R"(DatePart("y", #2008-12-31#))", Value::integer(366)},
        {R"(DatePart("ww", #2008-01-05#))", Value::integer(1)},
        {R"(DatePart("ww", #2008-01-06#))", Value::integer(2)},
        {"Weekday(#2008-05-30#, 2)", Value::integer(5)},
        {"DateSerial(2008, 13, 1)", Value::text("2009-01-01")},
        {"DateSerial(2008, 1, 0)", Value::text("2007-12-31")},
        {R"(Format(#2008-05-30 15:56:01#, "Long Date"))", Value::text("Friday, May 30, 2008")},
        {R"(Format(#2008-05-30 15:56:01#, "General Date"))", Value::text("5/30/2008 3:56:01 PM")},
        {R"(Format(#2008-05-30 15:56:01#, "hh:nn AM/PM"))", Value::text("03:56 PM")},
        {R"(Format(#2008-05-30#, "ddd d mmmm yy"))", Value::text("Fri 30 May 08")},
        {R"(Format(1234567.891, "#,##0"))", Value::text("1,234,568")},
        {R"(Format(-5, "0.0"))", Value::text("-5.0")},
        {R"(Format(0.25, "0%"))", Value::text("25%")},
        {R"(Format(5, "#.##"))", Value::text("5.")},
        {R"(Format(2.345, "0.00"))", Value::text("2.35")},
        {R"(Format(2.34496, "0.00"))", Value::text("2.34")},
        {R"(Format("abc", "0.00"))", Value::text("abc")},
        {"Format(NULL)", Value::null()},
        {"IIf(Now() >= Date() AND Len(Date()) = 10, 1, 0)", Value::integer(1)},
    };
    for (const auto& c : calls) {
        SCOPED_TRACE(c.expression);
        Value got;
        EXPECT_NO_THROW(got = eval(c.expression));
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(FunctionsTest, ValuesJetCannotTakeFailTheStatement)
{
    for (const char* expression :
         {R"(Mid("abc", 0))", R"(Left("abc", -1))", R"(InStr(0, "a", "a"))", "1 \\ 0",
          "CInt(40000)", R"(DateAdd("x", 1, Now()))"}) {
        EXPECT_EQ(codeOf([&] { eval(expression); }), code::kSyntax) << expression;
    }
    for (const char* expression : {R"(CLng("x1"))", R"("abc" * 2)", R"(Year("garbage"))"}) {
        EXPECT_EQ(codeOf([&] { eval(expression); }), code::kDataMismatch) << expression;
    }
}

} // namespace
} // namespace kavdb::engine::test
