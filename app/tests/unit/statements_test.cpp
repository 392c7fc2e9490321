/*
 * The statements kavdb builds from what the user typed: the search statement that keeps
 * an OR inside its condition, whole-keyword conditions, a SELECT packed into one column
 * per row and unpacked again, the count of an UPDATE or DELETE, and the JSON writer.
 */
#include "json.h"
#include "search_query.h"
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

TEST(SearchStatement, TheConditionIsParenthesisedAndOrderByRefused)
{
    EXPECT_EQ(composeSearch({"", "Make='Canon' OR Make='NIKON'", "ExifInfo", {}}).sql,
              "SELECT * FROM ExifInfo WHERE (Make='Canon' OR Make='NIKON')");
    EXPECT_EQ(composeSearch({"select * from ExifInfo, Caption where a OR b", "", "", {}}).sql,
              "SELECT * FROM ExifInfo, Caption WHERE (a OR b)");
    EXPECT_EQ(composeSearch({"", "Make = 'it''s'", "ExifInfo", {"sea"}}).sql,
              "SELECT * FROM ExifInfo, Caption WHERE (Make = 'it''s') AND (" +
                  keywordCondition("sea") + ")");
    EXPECT_EQ(composeSearch({"", "", "ExifInfo", {"sea"}}).sql,
              "SELECT * FROM Caption WHERE (" + keywordCondition("sea") + ")");
    EXPECT_EQ(composeSearch({"", "", "ExifInfo", {}, "2008-05-01", "2008-05-31 23:59:59"}).sql,
              "SELECT * FROM ExifInfo WHERE (ExifInfo.DateTaken >= \"2008-05-01\") AND "
              "(ExifInfo.DateTaken <= \"2008-05-31 23:59:59\")");
    EXPECT_EQ(composeSearch({"", "Stars > 3", "Rating", {}, "2008-05-01"}).sql,
              "SELECT * FROM Rating, ExifInfo WHERE (Stars > 3) AND (ExifInfo.DateTaken >= "
              "\"2008-05-01\")");
    for (const SearchRequest& refused :
         {SearchRequest{"", "Make='Canon' ORDER BY Model", "ExifInfo", {}},
          SearchRequest{"SELECT * FROM ExifInfo", "", "", {}}, SearchRequest{}}) {
        SearchStatement s = composeSearch(refused);
        EXPECT_TRUE(s.sql.empty()) << s.sql;
        EXPECT_FALSE(s.error.empty());
    }
    EXPECT_EQ(keywordCondition("o\"hara"),
              R"(InStr("; " & Caption.Keywords & "; ", "; o""hara; ") > 0)");
}

KnownSchema schema()
{
    KnownSchema s;
    s.columns["EXIFINFO"] = {"DataID", "Make", "Preview"};
    s.binary.insert("PREVIEW");
    return s;
}

TEST(PackedSelect, EveryColumnGetsAnAliasAndStarsAreSpelledOut)
{
    PackedSelect p = packSelect("SELECT DISTINCT e.*, COUNT(*) AS n FROM ExifInfo e GROUP BY "
                                "Make ORDER BY n;",
                                schema());
    EXPECT_EQ(p.columns, (std::vector<std::string>{"DataID", "Make", "Preview", "n"}));
    EXPECT_EQ(p.sql, "SELECT Nz(CStr(kavdb_c1), '\x1E') & '\x1F' & Nz(CStr(kavdb_c2), '\x1E') "
                     "& '\x1F' & IIf(kavdb_c3 IS NULL, '\x1E', '<binary>') & '\x1F' & "
                     "Nz(CStr(n), '\x1E') AS Filename FROM (SELECT DISTINCT e.DataID AS "
                     "kavdb_c1, e.Make AS kavdb_c2, e.Preview AS kavdb_c3, COUNT(*) AS n FROM "
                     "ExifInfo e GROUP BY Make ORDER BY n) AS kavdb_rows");
    EXPECT_FALSE(packSelect("SELECT * FROM sqlite_master", schema()).error.empty());
    EXPECT_EQ(unpackRow("a\x1F\x1E\x1F\x1F"),
              (std::vector<std::optional<std::string>>{"a", std::nullopt, "", ""}));
}

TEST(PackedSelect, ChangesAreCountedByTheirOwnTableAndCondition)
{
    EXPECT_EQ(changedRowsCount("UPDATE MainTable SET Marking = 1 WHERE Filename LIKE 'a%';"),
              "SELECT COUNT(*) AS Filename FROM MainTable WHERE Filename LIKE 'a%'");
    EXPECT_EQ(changedRowsCount("DELETE FROM Caption"), "SELECT COUNT(*) AS Filename FROM Caption");
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
