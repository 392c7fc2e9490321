/*
 * `kavdb show`, `tag`, `comment` and `mark`: what they print (as text and as JSON, the
 * HEIC sample's camera items among them), what they store (read back through the
 * library and show's JSON, whose numbers and texts keep their stored kind), and what
 * they refuse.
 */
#include "command_fixture.h"

#include <fstream>

namespace kavdb::test {
namespace {

class EditTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        std::ofstream(folder_ + "/notes.txt") << "not a photo\n";
        kavdbExits({"add", "--quiet", folder_}, 0);
        photo_ = folder_ + "/Canon_40D.jpg";
    }

    std::string shownJson() { return kavdb({"show", "--json", photo_}).out; }

    std::string folder_;
    std::string photo_;
};

TEST_F(EditTest, ShowPrintsImageCommentMarkAndEveryLinkedTableAsTextOrJson)
{
    const std::string json = shownJson();
    for (const char* part : {"{\"files\":[{\"path\":", "\"image\":{\"width\":100,\"height\":68,",
                             "\"mark\":0,", "\"ExifInfo\":{\"Make\":\"Canon\"", "\"FNumber\":7.1,",
                             "\"ISO\":100,", "\"ExposureTime\":0.00625,"})
        EXPECT_THAT(json, HasSubstr(part));
    kavdb({"comment", photo_, "iguana, close"});
    kavdb({"mark", photo_, "1"});
    kavdb({"tag", photo_, "Caption", "Title=Iguana"});
    RunResult run = kavdbExits({"show", photo_}, 0);
    for (const char* line : {"image:      100 x 68, 24 bits per pixel\n", "thumbnail:  100 x 68\n",
                             "comment:    iguana, close\n", "mark:       1\n", "ExifInfo:\n",
                             "  Model:         Canon EOS 40D\n", "  ISO:           100\n",
                             "Caption:\n", "  Title:         Iguana\n"})
        EXPECT_THAT(run.out, HasSubstr(line));
    EXPECT_LT(run.out.find("ExifInfo:"), run.out.find("Caption:")); // configuration order
    kavdbExits({"mark", photo_, "0"}, 0);
    EXPECT_EQ(markOf(photo_), 0);
    EXPECT_THAT(kavdb({"show", folder_ + "/notes.txt"}).out, HasSubstr("image:      none"));
    kavdbExits({"show", folder_ + "/missing.jpg"}, 1, "missing.jpg: not in the catalogue");

    const std::string heic = addPhotos("h", {"IMG_7702_small.heic"}, samplesDir());
    RunResult shown = kavdb({"show", heic + "/IMG_7702_small.heic"});
    for (const char* line :
         {"image:      512 x 300", "  Make:          Apple\n", "  Model:         iPhone 7\n",
          "  DateTaken:     2019-01-21 16:10:54\n", "  FNumber:       1.8\n",
          "  Lens:          iPhone 7 back camera 3.99mm f/1.8\n"})
        EXPECT_THAT(shown.out, HasSubstr(line));
}

// That items a tag leaves out keep their values, and how comments and marks are kept, are
// the library's (tests/ops/metadata_test, notes_test); show prints what they stored.
TEST_F(EditTest, TagMarkAndCommentRefuseWhatCannotBeStoredAndTagStoresItemsByTheirKind)
{
    const std::string stranger = dir_ + "/elsewhere/x.jpg";
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    for (const Case& c :
         {Case{{"tag", photo_, "Rating", "Stars=four"}, 2, "whole number"},
          Case{{"tag", photo_, "ExifInfo", "FNumber=wide"}, 2, "holds a number"},
          Case{{"tag", photo_, "Rating", "Colour=red"}, 2, "no such item in Rating"},
          Case{{"tag", photo_, "NoTable", "A=1"}, 2, "no such metadata table"},
          Case{{"tag", photo_, "Rating", "Stars"}, 2, "ITEM=VALUE"},
          Case{{"tag", folder_ + "/missing.jpg", "Rating", "Stars=1"}, 1, ""},
          Case{{"mark", photo_, "2"}, 2, ""},
          Case{{"mark", stranger, "1"}, 1, "not in the catalogue"},
          Case{{"comment", stranger, "hello"}, 1, ""}})
        kavdbExits(c.args, c.code, c.says);
    EXPECT_THAT(shownJson(), Not(HasSubstr("\"Rating\"")));
    // No unknown file was registered.
    EXPECT_EQ(kavdb({"sql", "SELECT Pathname AS Filename FROM PathTable"}).out, folder_ + "/\n");

    kavdbExits({"tag", photo_, "Rating", "Stars=4", "Label=7"}, 0);
    EXPECT_THAT(shownJson(), HasSubstr("\"Rating\":{\"Stars\":4,\"Label\":\"7\"}"));
    // A list's entries are separated as photos' own keywords are.
    kavdb({"tag", photo_, "Caption", "Keywords=sea,boats; harbour front"});
    EXPECT_EQ(metaText(photo_, "Caption", "Keywords"), "sea; boats; harbour front");
}

} // namespace
} // namespace kavdb::test
