/*
 * The catalogue's text and place indexes as a check and a repair see them, on either
 * engine: an index whose triggers are gone is found out, and making it again from its
 * stored items mends it. The triggers go through the store's own dropTriggers, which
 * knows each engine's. The items are named like words of SQL and like the indexes' own
 * columns (Returns, Latitude): a server must not respell the one with the other.
 */
#include "store/engine/connection.h"
#include "store/handle.h"
#include "store/native_rows.h"
#include "store/place_index.h"
#include "store/text_index.h"
#include "support/fixture.h"

#include <gmock/gmock.h>

namespace kavdb::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const char* const kSqlWordsIni =
    "[Common]\nlevel=1\n"
    "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\nItem2=Latitude,3,\nItem3=Longitude,3,\n"
    "[DataTable2]\nTableName=Caption\nItem1=Title,0,128,\nItem2=Returns,0,64,\n";

class CatalogueIndexTest : public CatalogueTest {
  protected:
    const char* iniText() const override { return kSqlWordsIni; }

    void SetUp() override
    {
        CatalogueTest::SetUp();
        StringList items{"Caption.Title", "Caption.Returns", "ExifInfo.Make"};
        ASSERT_EQ(KaAVDBCreateTextIndex(db_, &items), S_OK);
        ASSERT_EQ(KaAVDBCreatePlaceIndex(db_, "ExifInfo", "Latitude", "Longitude"), S_OK);
        for (const char* path : {"/p/a.jpg", "/p/b.jpg"}) {
            ASSERT_EQ(registerWith(
                          path, {makeMeta("Caption", {{"Title", "harbour"}, {"Returns", "ferry"}}),
                                 makeMeta("ExifInfo", {{"Make", "Canon"}}, {},
                                          {{"Latitude", 43.296}, {"Longitude", 5.370}})}),
                      S_OK);
        }
    }

    engine::Connection& connection() { return *db_->Connection; }

    std::vector<std::string> near(double lat, double lon) { return searchPlace(lat, lon, 1000); }
};

TEST_F(CatalogueIndexTest, AnIndexLeftBehindIsFoundOutAndMadeAgain)
{
    const struct {
        const store::CatalogueIndex& index;
        const char* triggers;
        const char* change; // a write the dropped triggers no longer follow
        std::function<std::vector<std::string>()> changed;
    } cases[] = {
        {store::textIndex(), "TextIndex_",
         "UPDATE Caption SET Title = 'lighthouse' WHERE Title = 'harbour'",
         [&] { return searchText("lighthouse"); }},
        {store::placeIndex(), "PlaceIndex_",
         "UPDATE ExifInfo SET Latitude = 48.857, Longitude = 2.352",
         [&] { return near(48.857, 2.352); }},
    };
    EXPECT_THAT(searchText("ferry"), ElementsAre("/p/a.jpg", "/p/b.jpg")); // in Returns
    for (const auto& c : cases) {
        engine::Connection& db = connection();
        EXPECT_THAT(c.index.problems(db), IsEmpty()) << c.triggers;
        std::vector<store::IndexedItem> items = c.index.items(db);
        ASSERT_FALSE(items.empty());
        store::dropTriggers(db, c.triggers);
        EXPECT_FALSE(c.index.madeOf(db, items));
        ASSERT_EQ(KaAVDBExecuteSQL(db_, c.change), S_OK);
        EXPECT_THAT(c.changed(), IsEmpty()) << c.triggers;
        EXPECT_THAT(c.index.problems(db), Contains(HasSubstr("triggers are missing")));
        c.index.create(db, items);
        EXPECT_TRUE(c.index.madeOf(db, items));
        EXPECT_THAT(c.index.problems(db), IsEmpty()) << c.triggers;
        EXPECT_THAT(c.changed(), ElementsAre("/p/a.jpg", "/p/b.jpg")) << c.triggers;
    }
}

TEST_F(CatalogueIndexTest, WordsTheIndexMissedAreFoundOut)
{
    engine::Connection& db = connection();
    store::dropTriggers(db, "TextIndex_");
    ASSERT_EQ(KaAVDBWriteComment(db_, "/p/a.jpg", "lighthouse"), S_OK);
    EXPECT_THAT(store::textIndex().problems(db), Contains(HasSubstr("do not match")));
}

TEST_F(CatalogueIndexTest, StatisticsAreSampledAgainOnlyWhenTheFileCountChangedTenfold)
{
    for (int i = 0; i < 18; ++i) {
        ASSERT_EQ(registerWith("/q/" + std::to_string(i) + ".jpg"), S_OK);
    }
    ASSERT_EQ(KaAVDBRefreshStatistics(db_), S_OK);
    engine::Connection& db = connection();
    if (store::onServer(db)) {
        return; // the server samples its own
    }
    const char* sampled =
        "SELECT CAST(stat AS INTEGER) FROM sqlite_stat1 WHERE tbl = 'MainTable' LIMIT 1";
    EXPECT_EQ(store::nativeCount(db, sampled), 20);
    const struct {
        const char* stat; // what the last sample saw of the 20 files
        int64_t after;
    } cases[] = {{"3 1", 3}, {"2 1", 20}, {"199 1", 199}, {"200 1", 20}};
    for (const auto& c : cases) {
        store::runNative(db, "UPDATE sqlite_stat1 SET stat = ? WHERE tbl = 'MainTable'",
                         {engine::Value::text(c.stat)});
        ASSERT_EQ(KaAVDBRefreshStatistics(db_), S_OK);
        EXPECT_EQ(store::nativeCount(db, sampled), c.after) << c.stat;
    }
}

} // namespace
} // namespace kavdb::test
