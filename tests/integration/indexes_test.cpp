/*
 * The text and place indexes as an application sees them: what a search finds, in what
 * order, after every kind of write the library (or the application's own SQL) makes; any
 * search text accepted; refused definitions changing nothing.
 */
#include "support/fixture.h"
#include "support/server.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <vector>

namespace kavdb::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class IndexTest : public CatalogueTest {
  protected:
    const char* iniText() const override { return kIndexIni; }

    void SetUp() override
    {
        CatalogueTest::SetUp();
        StringList items{"Caption.Title", "Caption.Keywords", "ExifInfo.Make", "ExifInfo.Model"};
        ASSERT_EQ(KaAVDBCreateTextIndex(db_, &items), S_OK);
        ASSERT_EQ(KaAVDBCreatePlaceIndex(db_, "ExifInfo", "Lat", "Lon"), S_OK);
    }

    void add(const char* path, const std::string& title, const std::string& make = "",
             double lat = 1000, double lon = 0)
    {
        using Texts = std::vector<std::pair<std::string, std::string>>;
        using Numbers = std::vector<std::pair<std::string, double>>;
        MetaDataList meta{makeMeta("Caption", {{"Title", title}})};
        MetaData exif = makeMeta("ExifInfo", make.empty() ? Texts{} : Texts{{"Make", make}}, {},
                                 lat <= 90 ? Numbers{{"Lat", lat}, {"Lon", lon}} : Numbers{});
        if (!exif.Tags.empty()) {
            meta.push_back(exif);
        }
        ASSERT_EQ(registerWith(path, meta), S_OK) << path;
    }

    /* The check's verdict on both indexes (the files themselves are not on disk). A server
     * catalogue's check may still be refused as a whole; its indexes' own findings are
     * then the store's CatalogueIndexTest's. */
    void expectIndexesSound()
    {
        StringList report;
        int32_t problems = -1;
        ASSERT_EQ(KaAVDBCheck(db_, 0, &report, &problems), S_OK);
        EXPECT_THAT(report, Contains("text index: ok"));
        EXPECT_THAT(report, Contains("place index: ok"));
    }
};

TEST_F(IndexTest, FindsWordsWhereverTheCatalogueHoldsThemAndAnswersAnySearchText)
{
    add("/photos/boats/IMG_1.jpg", "Old harbour at dawn", "Canon");
    add("/photos/city/sunset_pier.jpg", "Evening", "NIKON CORPORATION");
    ASSERT_EQ(KaAVDBWriteComment(db_, "/photos/city/sunset_pier.jpg", "printed for Ann"), S_OK);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"harbour", {"/photos/boats/IMG_1.jpg"}},     // a caption item
        {"boats", {"/photos/boats/IMG_1.jpg"}},       // the folder
        {"sunset", {"/photos/city/sunset_pier.jpg"}}, // the file name, split at '_'
        {"ann", {"/photos/city/sunset_pier.jpg"}},    // the comment, any case
        {"nikon", {"/photos/city/sunset_pier.jpg"}},  // the camera
        {"photos jpg", {"/photos/boats/IMG_1.jpg", "/photos/city/sunset_pier.jpg"}},
        {"harbour evening", {}},                          // every word is required
        {"harb*", {"/photos/boats/IMG_1.jpg"}},           // a prefix
        {"harb", {}},                                     // a word is whole without *
        {"\"old harbour\"", {"/photos/boats/IMG_1.jpg"}}, // a phrase
        {"\"old harb\"*", {"/photos/boats/IMG_1.jpg"}},   // a phrase ending in a prefix
        {"\"harbour old\"", {}},                          // in its order
    };
    for (const auto& [query, paths] : cases) {
        std::vector<std::string> found = searchText(query);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, paths) << query;
    }
    // Any search text is answered, never refused.
    add("/p/cafe.jpg", "Café de la Marine, Saint-Tropez");
    for (const char* query :
         {"\"", "-", "***", "AND", "OR NOT", "title:x", "(sea", "a\"b", "NEAR(a b)", "^x", "—",
          "- * \"\" — « »", "", "   ", "'; DROP TABLE x"}) {
        searchText(query); // the helper fails the test on any code but S_OK or none found
    }
    for (const char* bytes : {"\xff\xfe", "cafe\xff", "caf\xc3", "\xed\xa0\x80x", "\xe0\x80\x80y",
                              "\xf4\x90\x80\x80w", "x\x1f*y z"}) {
        searchText(bytes); // texts that are no UTF-8, or hold a control character
    }
    std::string many; // far more terms and words than any engine's parser nests
    for (int i = 0; i < 20000; ++i) {
        many += "w" + std::to_string(i) + (i % 2 ? " " : "-");
    }
    searchText(many);
    searchText("\"" + many + "\"");
    EXPECT_THAT(searchText("cafe"), ElementsAre("/p/cafe.jpg")); // accents ignored
    EXPECT_THAT(searchText("CAFÉ"), ElementsAre("/p/cafe.jpg"));
    EXPECT_THAT(searchText("saint-tropez"), ElementsAre("/p/cafe.jpg")); // hyphen: a phrase
    EXPECT_THAT(searchText("tropez-saint"), IsEmpty());
    EXPECT_THAT(searchText("\"de la marine"), ElementsAre("/p/cafe.jpg")); // unclosed phrase
    EXPECT_THAT(searchText("marine —"), ElementsAre("/p/cafe.jpg"));       // symbols are no words
}

TEST_F(IndexTest, BestMatchesComeFirstAndTheLimitTakesThem)
{
    add("/boats/a.jpg", "river");              // the word in the folder only
    add("/p/b.jpg", "boats boats on the sea"); // twice in the caption
    add("/p/c.jpg", "boats");                  // once in a short caption
    std::vector<std::string> found = searchText("boats");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found.back(), "/boats/a.jpg");
    EXPECT_EQ(searchText("boats", 2), std::vector<std::string>(found.begin(), found.begin() + 2));
}

TEST_F(IndexTest, EveryWriteKeepsBothIndexesInStep)
{
    add("/p/a.jpg", "harbour", "", 43.2960, 5.3700);
    add("/p/b.jpg", "harbour", "", 43.3050, 5.3700);
    ASSERT_EQ(KaAVDBMoveFile(db_, "/p/a.jpg", "/q/moved.jpg", 1), S_OK);
    EXPECT_THAT(searchText("moved"), ElementsAre("/q/moved.jpg"));
    ASSERT_EQ(KaAVDBCopyFile(db_, "/q/moved.jpg", "/r/copy.jpg", 1), S_OK);
    EXPECT_THAT(searchText("copy harbour"), ElementsAre("/r/copy.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 100), ElementsAre("/q/moved.jpg", "/r/copy.jpg"));
    MetaDataList retitle{makeMeta("Caption", {{"Title", "lighthouse"}})};
    ASSERT_EQ(KaAVDBWriteData(db_, "/p/b.jpg", &retitle), S_OK);
    releaseTestTags(retitle);
    EXPECT_THAT(searchText("lighthouse"), ElementsAre("/p/b.jpg"));
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "UPDATE Caption SET Title = 'beacon' WHERE Title = "
                                    "'lighthouse'"),
              S_OK);
    EXPECT_THAT(searchText("lighthouse"), IsEmpty());
    EXPECT_THAT(searchText("beacon"), ElementsAre("/p/b.jpg"));
    ASSERT_EQ(KaAVDBUpdateTableData(db_, "Caption", "Title", "harbour", "quay"), S_OK);
    EXPECT_THAT(searchText("quay"), UnorderedElementsAre("/q/moved.jpg", "/r/copy.jpg"));
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "UPDATE PathTable SET Pathname = '/harbourside/' WHERE "
                                    "Pathname = '/q/'"),
              S_OK);
    EXPECT_THAT(searchText("harbourside"), ElementsAre("/harbourside/moved.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 100, 1), ElementsAre("/harbourside/moved.jpg"));
    ASSERT_EQ(KaAVDBDeleteFile(db_, "/r/copy.jpg"), S_OK);
    ASSERT_EQ(KaAVDBDeleteFolder(db_, "/p/"), S_OK);
    EXPECT_THAT(searchText("quay"), ElementsAre("/harbourside/moved.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000), ElementsAre("/harbourside/moved.jpg"));
    ASSERT_EQ(KaAVDBExecuteSQL(db_, "UPDATE ExifInfo SET Lat = 48.857, Lon = 2.352"), S_OK);
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000), IsEmpty());
    EXPECT_THAT(searchPlace(48.8566, 2.3522, 1000), ElementsAre("/harbourside/moved.jpg"));
    expectIndexesSound();
}

TEST_F(IndexTest, APlaceSearchFindsWhatLiesWithinNearestFirst)
{
    add("/p/1km.jpg", "a", "", 43.3050, 5.3700); // Marseille, 1 km north
    add("/p/0km.jpg", "b", "", 43.2960, 5.3700);
    add("/p/9km.jpg", "c", "", 43.2960, 5.4810);   // 9 km east
    add("/p/12km.jpg", "d", "", 43.4040, 5.3700);  // 12 km north
    add("/p/nowhere.jpg", "e");                    // no position
    add("/fiji/west.jpg", "f", "", -17.0, 179.99); // across the 180th meridian
    add("/fiji/east.jpg", "g", "", -17.0, -179.99);
    add("/pole/dateline.jpg", "j", "", 89.9995, 180.0); // some 55 m from the pole
    add("/pole/greenwich.jpg", "k", "", 89.9995, 0.0);
    const double metresPerDegree = 6371008.8 * 3.14159265358979323846 / 180;
    add("/p/in.jpg", "h", "", 43.2960 + 9999.5 / metresPerDegree, 5.3700); // half a metre
    add("/p/out.jpg", "i", "", 43.2960 + 10000.5 / metresPerDegree, 5.3700);
    add("/p/ne.jpg", "l", "", 43.3501, 5.46872); // 9,998.1 m, at the edge of a band
    add("/p/sw.jpg", "m", "", 43.2399, 5.27352); // 9,996.8 m
    const auto within = ElementsAre("/p/0km.jpg", "/p/1km.jpg", "/p/9km.jpg", "/p/sw.jpg",
                                    "/p/ne.jpg", "/p/in.jpg");
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000), within);
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000, 2), ElementsAre("/p/0km.jpg", "/p/1km.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000, 3), // farther than the first box looked
                ElementsAre("/p/0km.jpg", "/p/1km.jpg", "/p/9km.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 10000, 9), within);
    EXPECT_THAT(searchPlace(43.2960 + 10000.3 / metresPerDegree, 5.3700, 1, 1), // the exact nearest
                ElementsAre("/p/out.jpg"));
    EXPECT_THAT(searchPlace(43.2960, 5.3700, 500), ElementsAre("/p/0km.jpg"));
    for (double lon : {179.999, -179.999}) { // across the 180th meridian from either side
        EXPECT_THAT(searchPlace(-17.0, lon, 5000),
                    UnorderedElementsAre("/fiji/west.jpg", "/fiji/east.jpg"))
            << lon;
    }
    EXPECT_THAT(searchPlace(90, 0, 100),
                UnorderedElementsAre("/pole/dateline.jpg", "/pole/greenwich.jpg"));
    EXPECT_THAT(searchPlace(89.9995, -180.0, 1), ElementsAre("/pole/dateline.jpg"));
    EXPECT_THAT(searchPlace(0, 0, 1000), IsEmpty());
    StringList out;
    EXPECT_EQ(KaAVDBSearchPlace(db_, 91, 0, 10, 0, &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBSearchPlace(db_, 0, 0, -1, 0, &out), E_INVALIDARG);
}

TEST_F(IndexTest, ARefusedDefinitionChangesNothingANewOneRemakesTheIndex)
{
    StringList unknown{"Caption.Title", "Caption.Nothing"};
    EXPECT_EQ(KaAVDBCreateTextIndex(db_, &unknown), KAVDB_E_NOT_FOUND);
    StringList malformed{"Caption"};
    EXPECT_EQ(KaAVDBCreateTextIndex(db_, &malformed), E_INVALIDARG);
    StringList hostile{"Caption.Title\"; DROP TABLE MainTable"};
    EXPECT_EQ(KaAVDBCreateTextIndex(db_, &hostile), E_INVALIDARG);
    EXPECT_EQ(KaAVDBCreatePlaceIndex(db_, "ExifInfo", "Lat", "Nowhere"), KAVDB_E_NOT_FOUND);
    add("/p/a.jpg", "harbour", "Canon", 1, 1);
    EXPECT_THAT(searchText("canon harbour"), ElementsAre("/p/a.jpg")); // the first index stands
    EXPECT_THAT(searchPlace(1, 1, 10), ElementsAre("/p/a.jpg"));
    // A new definition remakes the index.
    StringList titles{"Caption.Title"};
    ASSERT_EQ(KaAVDBCreateTextIndex(db_, &titles), S_OK);
    EXPECT_THAT(searchText("harbour"), ElementsAre("/p/a.jpg"));
    EXPECT_THAT(searchText("canon"), IsEmpty());
    expectIndexesSound();
}

} // namespace
} // namespace kavdb::test
