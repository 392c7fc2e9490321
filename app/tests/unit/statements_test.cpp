/*
 * Pieces of the statements kavdb builds from what the user typed: the top level of a
 * statement, the count of an UPDATE or DELETE, and the JSON writer; search's time and place
 * filters as typed, and how the lists several filters give are put together. What search and
 * sql make of a statement is tested through the commands.
 */
#include "json.h"
#include "search_filters.h"
#include "sql_rows.h"
#include "sql_text.h"

#include <gtest/gtest.h>

namespace kavdb {
namespace {

TEST(SqlText, KeywordsAndCommasCountOnlyAtTheTopLevel)
{
    const std::string sql = "SELECT a, 'x, WHERE y', f(b, c) FROM t WHERE (d OR e) ORDER  BY a";
    EXPECT_EQ(sqltext::findKeyword(sql, "WHERE"), sql.find("WHERE (d"));
    EXPECT_EQ(sqltext::findKeyword(sql, "ORDER BY"), sql.find("ORDER"));
    EXPECT_EQ(sqltext::findKeyword("SELECT [WHERE] FROM t", "WHERE"), sqltext::npos);
    EXPECT_EQ(sqltext::findKeyword("x IN (SELECT y FROM z)", "FROM"), sqltext::npos);
    EXPECT_EQ(sqltext::splitTopLevel(" a, 'x, y', f(b, c) "),
              (std::vector<std::string>{"a", "'x, y'", "f(b, c)"}));
    std::string column;
    EXPECT_TRUE(sqltext::isColumnName("ExifInfo.Make", column));
    EXPECT_EQ(column, "Make");
    EXPECT_FALSE(sqltext::isColumnName("COUNT(*)", column));
}

TEST(SqlRows, APackedRowUnpacksIntoNullsAndTextsAndOnlyChangesOfRowsAreCounted)
{
    EXPECT_EQ(unpackRow("a\x1F\x1E\x1F\x1F"),
              (std::vector<std::optional<std::string>>{"a", std::nullopt, "", ""}));
    // What an UPDATE or a DELETE touched is counted through `kavdb sql` (search_test).
    EXPECT_EQ(changedRowsCount("DROP TABLE x"), std::nullopt);
}

TEST(Json, WritesValidCompactJson)
{
    JsonWriter json;
    json.beginObject().key("a").value("x\"\n\x01").key("b").beginArray().value(int32_t{1});
    json.value(7.1).value(0.0 / 0.0).null().endArray().key("c").beginObject().endObject();
    EXPECT_EQ(json.endObject().take(), R"({"a":"x\"\n\u0001","b":[1,7.1,null,null],"c":{}})");
    EXPECT_EQ(jsonString("caf\xC3\xA9 \xFF"), "\"caf\xC3\xA9 \xEF\xBF\xBD\""); // U+FFFD
}

TEST(SearchFilters, DatesAreRealDaysAndDayBoundsCoverTheWholeDay)
{
    EXPECT_EQ(dateBound("2008-05-30", false), "2008-05-30");
    EXPECT_EQ(dateBound("2008-05-30", true), "2008-05-30 23:59:59");
    EXPECT_EQ(dateBound("2008-05-30 15:56:01", true), "2008-05-30 15:56:01");
    EXPECT_EQ(dateBound("2008-02-29", false), "2008-02-29");
    for (const char* bad : {"2007-02-29", "2008-13-01", "2008-00-10", "2008-5-30", "30.05.2008",
                            "2008-05-30 24:00:00", "2008-05-30T15:56:01", "2008-05-30x", ""}) {
        EXPECT_FALSE(dateBound(bad, false)) << bad;
    }
}

TEST(SearchFilters, PositionsAndDistances)
{
    std::optional<Position> p = parsePosition("43.296, -5.37");
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->latitude, 43.296);
    EXPECT_DOUBLE_EQ(p->longitude, -5.37);
    for (const char* bad : {"43.296", "91,0", "0,181", "a,b", "1,2,3", "nan,0"})
        EXPECT_FALSE(parsePosition(bad)) << bad;
    EXPECT_EQ(parseDistance("10km"), 10000.0);
    EXPECT_EQ(parseDistance("2.5 km"), 2500.0);
    EXPECT_EQ(parseDistance("500m"), 500.0);
    EXPECT_EQ(parseDistance("750"), 750.0);
    for (const char* bad : {"-1km", "km", "ten km", "10 miles", "inf"})
        EXPECT_FALSE(parseDistance(bad)) << bad;
}

TEST(SearchFilters, TheRankedListKeepsItsOrderAndOnlyWhatEveryFilterHolds)
{
    std::vector<std::string> ranked = {"/c", "/a", "/b", "/d"};
    EXPECT_EQ(keepListed(ranked, {{"/a", "/b", "/c"}, {"/c", "/b", "/x"}}),
              (std::vector<std::string>{"/c", "/b"}));
    EXPECT_EQ(keepListed(ranked, {}), ranked);
    EXPECT_TRUE(keepListed(ranked, {{}}).empty());
}

} // namespace
} // namespace kavdb
