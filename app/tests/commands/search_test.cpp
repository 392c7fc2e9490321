/*
 * `kavdb search` and `kavdb sql` on the catalogued test photos: matches agree with what
 * Exiv2 reads from the files (an OR stays inside its condition, numbers compare as
 * numbers, keywords match whole), "no match" is an empty answer, statements the
 * catalogue refuses are bad usage, and every output form carries the same answer.
 */
#include "command_fixture.h"
#include "reference.h"

namespace kavdb::test {
namespace {

class SearchTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        kavdb({"add", "--quiet", photosDir()});
    }

    /* Test photos for which the test holds of what Exiv2 reads, sorted. */
    template <typename Test> std::vector<std::string> photosWhere(Test test)
    {
        std::vector<std::string> paths;
        for (const std::string& name : samplePhotoNames()) {
            Reference ref = referenceOf(photosDir() + "/" + name);
            if (ref.readable && test(ref))
                paths.push_back(photosDir() + "/" + name);
        }
        return paths;
    }
};

TEST_F(SearchTest, AnOrStaysInsideItsConditionAndNumbersCompareAsNumbers)
{
    auto canonOrNikon = [](const Reference& r) { return r.make == "Canon" || r.make == "NIKON"; };
    const std::vector<std::string> expected = photosWhere(canonOrNikon);
    ASSERT_EQ(expected.size(), 5u);
    const std::string condition = "Make='Canon' OR Make='NIKON'";
    EXPECT_EQ(lines(kavdb({"search", "--where", condition}).out), expected);
    EXPECT_EQ(kavdb({"search", "--where", condition, "--count"}).out, "5\n");
    EXPECT_EQ(lines(kavdb({"search", "select * from ExifInfo where " + condition}).out), expected);
    kavdbExits({"search", "--where", condition + " ORDER BY Make"}, 2, "ORDER BY");

    std::vector<std::string> telephoto =
        photosWhere([](const Reference& r) { return r.focalLength > 50; });
    // 90, 100 and 135 mm among them: as texts, they would all sort before "50".
    EXPECT_EQ(telephoto.size(), 5u);
    EXPECT_EQ(lines(kavdb({"search", "--where", "FocalLength > 50"}).out), telephoto);
}

TEST_F(SearchTest, KeywordsMatchWhole)
{
    const std::string tagged = photosDir() + "/xmp_tagged.jpg";
    EXPECT_EQ(lines(kavdb({"search", "--keyword", "sea"}).out), std::vector<std::string>{tagged});
    EXPECT_EQ(lines(kavdb({"search", "-k", "HARBOUR FRONT", "-k", "boats"}).out),
              std::vector<std::string>{tagged});
    EXPECT_EQ(kavdb({"search", "--keyword", "seas"}).out, "");
    EXPECT_EQ(kavdb({"search", "--keyword", "overseas"}).out, ""); // "overseas trip" is one
    kavdb({"tag", photosDir() + "/Nikon_D70.jpg", "Caption", "Keywords=overseas, sea, o\"hara"});
    EXPECT_EQ(kavdb({"search", "-k", "o\"hara", "--count"}).out, "1\n");
    EXPECT_EQ(kavdb({"search", "--where", "Make LIKE 'NIKON%'", "-k", "sea", "--count"}).out,
              "1\n");
}

TEST_F(SearchTest, NoMatchAndRefusedStatements)
{
    RunResult none = kavdbExits({"search", "--where", "Model LIKE '%no such camera''s%'"}, 0);
    EXPECT_EQ(none.out + none.err, "");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"search"},
             {"search", "SELECT * FROM ExifInfo WHERE x", "--where", "x"},
             {"search", "--where", "NoSuchColumn = 1"},
             {"sql", "UPDATE MainTable SET WHERE"},
             {"sql", "SELECT * FROM sqlite_master"}}) {
        RunResult run = kavdbExits(args, 2);
        EXPECT_NE(run.err, "");
        EXPECT_EQ(run.err.find("0x8"), std::string::npos) << run.err; // in words
    }
}

TEST_F(SearchTest, PathsAsLinesNulTerminatedOrJson)
{
    const std::string d70 = photosDir() + "/Nikon_D70.jpg";
    const std::string iptc = photosDir() + "/iptc_tagged.jpg"; // a D70's photo too
    for (const auto& [option, out] : std::vector<std::pair<std::string, std::string>>{
             {"-0", d70 + '\0' + iptc + '\0'},
             {"--json", "{\"paths\":[\"" + d70 + "\",\"" + iptc + "\"]}\n"},
             {"--ndjson", "{\"path\":\"" + d70 + "\"}\n{\"path\":\"" + iptc + "\"}\n"}})
        EXPECT_EQ(kavdb({"search", "--where", "Model = 'NIKON D70'", option}).out, out) << option;
}

TEST_F(SearchTest, SqlPrintsEveryColumnAndSaysHowManyRowsAChangeTouched)
{
    const std::string query = "SELECT Filename, Width, Comment FROM MainTable WHERE Filename "
                              "LIKE 'Nikon%' ORDER BY Filename";
    EXPECT_EQ(lines(kavdbExits({"sql", "--header", query}, 0).out),
              (std::vector<std::string>{"Filename\tWidth\tComment", "Nikon_COOLPIX_P1.jpg\t100\t",
                                        "Nikon_D70.jpg\t100\t"}));
    EXPECT_EQ(kavdb({"sql", "--json", query}).out,
              "{\"columns\":[\"Filename\",\"Width\",\"Comment\"],\"rows\":[[\"Nikon_COOLPIX_P1."
              "jpg\",\"100\",null],[\"Nikon_D70.jpg\",\"100\",null]]}\n");
    RunResult star = kavdb({"sql", "--ndjson", "SELECT * FROM ExifInfo WHERE Model = 'NIKON D70'"});
    EXPECT_THAT(star.out, HasSubstr("\"FocalLength\":\"100\""));
    EXPECT_THAT(star.out, HasSubstr("\"GPSLatitude\":null"));
    EXPECT_EQ(kavdb({"sql", "--json",
                     "SELECT DISTINCT e.Make, COUNT(*) AS n FROM ExifInfo e WHERE Make LIKE "
                     "'NIKON%' GROUP BY Make ORDER BY Make"})
                  .out,
              "{\"columns\":[\"Make\",\"n\"],\"rows\":[[\"NIKON\",\"1\"],[\"NIKON "
              "CORPORATION\",\"1\"]]}\n");
    EXPECT_EQ(kavdb({"sql", "SELECT Filename, Thumbnail FROM MainTable WHERE Filename = "
                            "'Nikon_D70.jpg'"})
                  .out,
              "Nikon_D70.jpg\t<binary>\n");
    RunResult change =
        kavdbExits({"sql", "UPDATE MainTable SET Marking = 1 WHERE Filename LIKE 'Nikon%'"}, 0);
    EXPECT_EQ(change.out, "2 rows updated\n");
    EXPECT_EQ(markOf(photosDir() + "/Nikon_D70.jpg"), 1);
    EXPECT_EQ(kavdb({"sql", "DELETE FROM Caption WHERE Title = 'none'"}).out, "0 rows deleted\n");
}

} // namespace
} // namespace kavdb::test
