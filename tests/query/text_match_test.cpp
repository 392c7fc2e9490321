/*
 * Search text into full-text queries: every typed text gives a query built of quoted
 * terms alone, so nothing a person types is read as query syntax.
 */
#include "query/text_match.h"

#include <gtest/gtest.h>

namespace kavdb::query {
namespace {

TEST(TextMatch, TypedTextBecomesQuotedTerms)
{
    const std::pair<const char*, const char*> cases[] = {
        {"harbour boats", "\"harbour\" AND \"boats\""},
        {"harb*", "\"harb\" *"},
        {"\"old harbour\"", "\"old harbour\""},
        {"\"old harb\"*", "\"old harb\" *"},
        {"\"unclosed phrase", "\"unclosed phrase\""},
        {"saint-tropez", "\"saint-tropez\""}, // the tokenizer makes it a phrase
        {"a\"b", "\"a\" AND \"b\""},
        {"NOT OR AND", "\"NOT\" AND \"OR\" AND \"AND\""},
        {"title:x (y)", "\"title:x\" AND \"(y)\""},
        {"café", "\"café\""},
        {"- * \"\" — « »", ""}, // nothing to search for
        {"  ", ""},
        {"sea —", "\"sea\""},
    };
    for (const auto& [typed, expected] : cases) {
        EXPECT_EQ(matchExpression(textTerms(typed)), expected) << typed;
    }
}

TEST(TextMatch, TypedTextBecomesTheServersTerms)
{
    const std::pair<const char*, std::string> cases[] = {
        {"harbour boats", " harbour\x1f boats"},
        {"\"old harb\"* sea", "*old harb\x1f sea"},
        {"saint-tropez", " saint-tropez"}, // the server cuts the words as it cuts documents
        {"x\x1f*y z", " x *y\x1f z"},      // a typed separator never starts a term of its own
        {"- —", ""},
        // A server refuses text that is not UTF-8: each stray byte becomes a space.
        {"café\xff x", " café \x1f x"},
        {"caf\xc3 \xc3\xa9t\xc3\xa9", " caf \x1f été"},
        {"\xed\xa0\x80z \xe0\x80\x80y \xf4\x90\x80\x80w", "    z\x1f    y\x1f     w"},
    };
    for (const auto& [typed, expected] : cases) {
        EXPECT_EQ(serverTerms(textTerms(typed)), expected) << typed;
    }
}

TEST(TextMatch, TermsRememberPhrasesAndPrefixes)
{
    std::vector<TextTerm> terms = textTerms("\"a b\"* c d*");
    ASSERT_EQ(terms.size(), 3u);
    EXPECT_TRUE(terms[0].phrase && terms[0].prefix);
    EXPECT_FALSE(terms[1].phrase || terms[1].prefix);
    EXPECT_TRUE(!terms[2].phrase && terms[2].prefix);
    EXPECT_EQ(terms[2].text, "d");
}

} // namespace
} // namespace kavdb::query
