/*
 * Pieces of the statements kavdb builds from what the user typed: the top level of a
 * statement, the count of an UPDATE or DELETE, and the JSON writer. What search and sql
 * make of a statement is tested through the commands.
 */
#include "json.h"
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

} // namespace
} // namespace kavdb
