/*
 * `kavdb search --text`, `--from/--to` and `--near/--within` on the catalogued test
 * photos: the words people write and cameras give are found best first, any text is
 * accepted, dates and places narrow what the other filters find, and malformed filters
 * are bad usage. The server run (app/tests) puts them to its text and place indexes.
 */
#include "command_fixture.h"

#include <algorithm>

namespace kavdb::test {
namespace {

class TextPlaceTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("trip", {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"});
        canon_ = folder_ + "/Canon_40D.jpg";
        nikon_ = folder_ + "/Nikon_D70.jpg";
        pentax_ = folder_ + "/Pentax_K10D.jpg";
    }

    std::vector<std::string> search(std::vector<std::string> args)
    {
        args.insert(args.begin(), "search");
        RunResult r = kavdb(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return lines(r.out);
    }

    void tag(const std::string& file, const std::string& table,
             const std::vector<std::string>& items)
    {
        std::vector<std::string> args = {"tag", file, table};
        args.insert(args.end(), items.begin(), items.end());
        RunResult r = kavdb(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    std::string folder_, canon_, nikon_, pentax_;
};

TEST_F(TextPlaceTest, TextFindsCaptionsKeywordsCommentsNamesAndCameras)
{
    tag(canon_, "Caption", {"Title=Old harbour", "Keywords=sea, boats"});
    tag(nikon_, "Caption", {"Title=Harbour café"});
    ASSERT_EQ(kavdb({"comment", pentax_, "printed for Ann"}).exitCode, 0);
    EXPECT_EQ(search({"--text", "harbour boats"}), std::vector<std::string>{canon_});
    std::vector<std::string> harbour = search({"--text", "harb*"});
    std::sort(harbour.begin(), harbour.end());
    EXPECT_EQ(harbour, (std::vector<std::string>{canon_, nikon_}));
    EXPECT_EQ(search({"--text", "\"old harbour\""}), std::vector<std::string>{canon_});
    EXPECT_EQ(search({"--text", "CAFE"}), std::vector<std::string>{nikon_});
    EXPECT_EQ(search({"--text", "ann"}), std::vector<std::string>{pentax_});
    EXPECT_EQ(search({"--text", "pentax"}), std::vector<std::string>{pentax_});      // make, name
    EXPECT_EQ(search({"--text", "trip", "--count"}), std::vector<std::string>{"3"}); // folder
    EXPECT_EQ(search({"--text", "harbour", "--where", "Make = 'NIKON CORPORATION'"}),
              std::vector<std::string>{nikon_});
    for (const char* odd : {"\"", "-", "AND", "(", "*", "a\"b\"c", "'; DROP TABLE MainTable"})
        EXPECT_EQ(kavdb({"search", "--text", odd}).exitCode, 0) << odd;
    EXPECT_EQ(search({"--text", "pentax"}), std::vector<std::string>{pentax_}); // still whole
}

TEST_F(TextPlaceTest, DatesTakenNarrowTheSearch)
{
    RunResult dates = kavdb({"sql", "SELECT DateTaken FROM ExifInfo ORDER BY DateTaken"});
    std::vector<std::string> taken = lines(dates.out);
    ASSERT_EQ(taken.size(), 3u) << dates.out;
    const std::string firstDay = taken[0].substr(0, 10);
    std::vector<std::string> onFirstDay = search({"--from", firstDay, "--to", firstDay});
    ASSERT_EQ(onFirstDay.size(), 1u);
    std::vector<std::string> later = search({"--from", taken[1]});
    EXPECT_EQ(later.size(), 2u);
    EXPECT_EQ(std::find(later.begin(), later.end(), onFirstDay[0]), later.end());
    EXPECT_EQ(search({"--to", taken[0], "--where", "Make LIKE 'x%'"}), std::vector<std::string>{});
    tag(canon_, "Rating", {"Stars=5"}); // taken 2008-05-30, with the date in another table
    EXPECT_EQ(search({"--table", "Rating", "--where", "Stars > 3", "--to", "2008-05-30"}),
              std::vector<std::string>{canon_});
    EXPECT_EQ(search({"--table", "Rating", "--where", "Stars > 3", "--from", "2008-05-31"}),
              std::vector<std::string>{});
    RunResult bad = kavdb({"search", "--from", "2008-02-30"}); // which dates are real: unit tests
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_THAT(bad.err, HasSubstr("--from takes a date"));
}

TEST_F(TextPlaceTest, NearFindsPhotosWithinTheDistanceNearestFirst)
{
    tag(canon_, "ExifInfo", {"GPSLatitude=43.2960", "GPSLongitude=5.3700"});
    tag(nikon_, "ExifInfo", {"GPSLatitude=43.3050", "GPSLongitude=5.3700"});  // 1 km north
    tag(pentax_, "ExifInfo", {"GPSLatitude=43.4040", "GPSLongitude=5.3700"}); // 12 km
    EXPECT_EQ(search({"--near", "43.2960,5.3700"}), (std::vector<std::string>{canon_, nikon_}));
    EXPECT_EQ(search({"--near", "43.2960,5.3700", "--within", "500m"}),
              std::vector<std::string>{canon_});
    EXPECT_EQ(search({"--near", "43.4,5.37", "--within", "2km", "--text", "pentax"}),
              std::vector<std::string>{pentax_});
    EXPECT_EQ(search({"--near", "43.4,5.37", "--within", "2km", "--text", "canon"}),
              std::vector<std::string>{});
    EXPECT_EQ(kavdb({"search", "--near", "95,5"}).exitCode, 2);
    EXPECT_EQ(kavdb({"search", "--near", "43,5", "--within", "far"}).exitCode, 2);
}

} // namespace
} // namespace kavdb::test
