/*
 * `kavdb search --text`, `--from/--to` and `--near/--within` on the catalogued test
 * photos: the items kavdb indexes (captions, keywords, cameras) are found, any text is
 * accepted, dates and places narrow what the other filters find, and malformed filters
 * are bad usage. The server run (app/tests) puts them to its text and place indexes.
 */
#include "command_fixture.h"

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
        return lines(kavdbExits(args, 0).out);
    }

    std::string folder_, canon_, nikon_, pentax_;
};

// Which words are found how (prefixes, phrases, accents, comments, file and folder names)
// is the library's (tests/integration/indexes_test.cpp); here, the items kavdb indexes.
TEST_F(TextPlaceTest, TextFindsCaptionsKeywordsAndCameras)
{
    kavdbExits({"tag", canon_, "Caption", "Title=Old harbour", "Keywords=sea, boats"}, 0);
    kavdbExits({"tag", nikon_, "Caption", "Title=Harbour café"}, 0);
    EXPECT_EQ(search({"--text", "harbour boats"}), std::vector<std::string>{canon_});
    // Only the makes, "NIKON CORPORATION" and "PENTAX Corporation", hold this word.
    EXPECT_EQ(search({"--text", "corporation", "--count"}), std::vector<std::string>{"2"});
    EXPECT_EQ(search({"--text", "harbour", "--where", "Make = 'NIKON CORPORATION'"}),
              std::vector<std::string>{nikon_});
    for (const char* odd : {"\"", "-", "AND", "(", "*", "a\"b\"c", "'; DROP TABLE MainTable"})
        EXPECT_EQ(kavdb({"search", "--text", odd}).exitCode, 0) << odd;
    EXPECT_EQ(search({"--text", "pentax"}), std::vector<std::string>{pentax_}); // still whole
}

TEST_F(TextPlaceTest, DatesTakenNarrowTheSearch)
{
    // Taken 2008-03-15 09:52:01 (the Nikon), 2008-05-04 16:47:24 (the Pentax), 2008-05-30.
    EXPECT_EQ(search({"--from", "2008-03-15", "--to", "2008-03-15"}),
              std::vector<std::string>{nikon_});
    EXPECT_EQ(search({"--from", "2008-05-04 16:47:24"}),
              (std::vector<std::string>{canon_, pentax_}));
    EXPECT_EQ(search({"--to", "2008-05-30", "--where", "Make LIKE 'x%'"}),
              std::vector<std::string>{});
    // The date in another table than the condition's.
    kavdbExits({"tag", canon_, "Rating", "Stars=5"}, 0);
    EXPECT_EQ(search({"--table", "Rating", "--where", "Stars > 3", "--to", "2008-05-30"}),
              std::vector<std::string>{canon_});
    EXPECT_EQ(search({"--table", "Rating", "--where", "Stars > 3", "--from", "2008-05-31"}),
              std::vector<std::string>{});
    // Which dates are real: unit tests.
    kavdbExits({"search", "--from", "2008-02-30"}, 2, "--from takes a date");
}

TEST_F(TextPlaceTest, NearFindsPhotosWithinTheDistanceNearestFirst)
{
    // The Nikon 1 km north of the Canon, the Pentax 12 km.
    kavdbExits({"tag", canon_, "ExifInfo", "GPSLatitude=43.2960", "GPSLongitude=5.3700"}, 0);
    kavdbExits({"tag", nikon_, "ExifInfo", "GPSLatitude=43.3050", "GPSLongitude=5.3700"}, 0);
    kavdbExits({"tag", pentax_, "ExifInfo", "GPSLatitude=43.4040", "GPSLongitude=5.3700"}, 0);
    EXPECT_EQ(search({"--near", "43.2960,5.3700"}), (std::vector<std::string>{canon_, nikon_}));
    EXPECT_EQ(search({"--near", "43.2960,5.3700", "--within", "500m"}),
              std::vector<std::string>{canon_});
    EXPECT_EQ(search({"--near", "43.4,5.37", "--within", "2km", "--text", "pentax"}),
              std::vector<std::string>{pentax_});
    EXPECT_EQ(search({"--near", "43.4,5.37", "--within", "2km", "--text", "canon"}),
              std::vector<std::string>{});
    kavdbExits({"search", "--near", "95,5"}, 2);
    kavdbExits({"search", "--near", "43,5", "--within", "far"}, 2);
}

} // namespace
} // namespace kavdb::test
