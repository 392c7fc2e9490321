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

/* A result as the cases write it: a whole number, a text in quotes, or Null. */
std::string shown(const Value& v)
{
    if (v.isInt()) {
        return std::to_string(v.asInt());
    }
    return v.isText()   ? "'" + v.asText() + "'"
           : v.isNull() ? "Null"
                        : "kind " + std::to_string(v.kind());
}

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
    // Expressions joined by "; " are evaluated one by one, their results joined alike.
    const std::pair<const char*, const char*> calls[] = {
        {R"(StrComp("ABC", "abc", 0); StrComp("ab", "abc", 0))", "-1; -1"},
        {R"(StrComp(NULL, "a", 0); Mid("héllo", 2, 3); Mid("hello", 9))", "Null; 'éll'; ''"},
        {R"(Left("héllo", 2); Right("hellö", 2); Len("héllo"))", "'hé'; 'lö'; 5"},
        {R"(InStr("éa", "a"); InStr(2, "abc", ""); InStrRev("abcabc", "c", 5))", "2; 2; 3"},
        {R"(InStrRev("aXa", "x"); String(2, "é"); Val("inf"); Val(NULL))", "2; 'éé'; 0; Null"},
        {R"(CLng(-2.5); CInt(" 17 "); CDbl(NULL); Round(-2.5))", "-2; 17; Null; -2"},
        {R"(Round(0.125, 2); 2.5 & "x"; "1" + "2"; 5 + NULL)", "'0.12'; '2.5x'; '12'; Null"},
        {R"(-7 \ 2; 7 Mod -3; #2008-02-28# + 1)", "-3; 1; '2008-02-29'"},
        {R"(#2008-03-01# - #2008-02-28#; IIf("a%b" LIKE "a[%]b", 1, 0))", "2; 1"},
        {R"(IIf("" LIKE "%", 1, 0); IIf("ab" LIKE "[!a]%", 1, 0))", "1; 0"},
        {R"(IIf("é" LIKE "_", 1, 0); IIf("x[" LIKE "x[", 1, 0))", "1; 1"},
        {R"(Year("2008:05:30 15:56:01"); Month("5/30/2008"); Hour("3:04 PM"))", "2008; 5; 15"},
        {R"(Year(39598); DateAdd("m", -1, #2008-03-31#))", "2008; '2008-02-29'"},
        {R"(DateAdd("n", 90, #2008-01-01 23:00#))", "'2008-01-02 00:30:00'"},
        {R"(DateDiff("ww", #2008-05-30#, #2008-06-01#); DatePart("y", #2008-12-31#))", "1; 366"},
        {R"(DatePart("ww", #2008-01-05#); DatePart("ww", #2008-01-06#))", "1; 2"},
        {R"(Weekday(#2008-05-30#, 2); DateSerial(2008, 13, 1))", "5; '2009-01-01'"},
        {R"(DateSerial(2008, 1, 0))", "'2007-12-31'"},
        {R"(Format(#1999-12-31#, "yyyy-mm-dd"))", "'1999-12-31'"}, // a century's end
        {R"(Format(#2008-05-30 15:56:01#, "Long Date"))", "'Friday, May 30, 2008'"},
        {R"(Format(#2008-05-30 15:56:01#, "General Date"))", "'5/30/2008 3:56:01 PM'"},
        {R"(Format(#2008-05-30 15:56:01#, "hh:nn AM/PM"))", "'03:56 PM'"},
        {R"(Format(#2008-05-30#, "ddd d mmmm yy"))", "'Fri 30 May 08'"},
        {R"(Format(1234567.891, "#,##0"); Format(-5, "0.0"))", "'1,234,568'; '-5.0'"},
        {R"(Format(0.25, "0%"); Format(5, "#.##"); Format(2.345, "0.00"))", "'25%'; '5.'; '2.35'"},
        {R"(Format(2.34496, "0.00"); Format("abc", "0.00"); Format(NULL))", "'2.34'; 'abc'; Null"},
        {R"(IIf(Now() >= Date() AND Len(Date()) = 10, 1, 0))", "1"},
    };
    for (const auto& [expressions, expected] : calls) {
        const std::string text = expressions;
        std::string results;
        for (std::size_t at = 0, end = 0; at < text.size(); at = end + 2) {
            end = std::min(text.find("; ", at), text.size());
            results += (at == 0 ? "" : "; ") + shown(eval(text.substr(at, end - at)));
        }
        EXPECT_EQ(results, expected) << expressions;
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
