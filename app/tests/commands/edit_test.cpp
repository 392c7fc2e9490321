/*
 * `kavdb show`, `tag`, `comment` and `mark`: what they print (as text and as JSON, the
 * HEIC sample's camera items among them), what they store (read back through the
 * library), and what they refuse.
 */
#include "command_fixture.h"

#include <cstring>

namespace kavdb::test {
namespace {

class EditTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        photo_ = folder_ + "/Canon_40D.jpg";
        notes_ = folder_ + "/notes.txt";
        FILE* f = std::fopen(notes_.c_str(), "w");
        std::fputs("not a photo\n", f);
        std::fclose(f);
        ASSERT_EQ(kavdb({"add", folder_}).exitCode, 0);
    }

    /* The file's items of one table, as "Name=value" texts. */
    std::vector<std::string> items(const std::string& table)
    {
        MetaDataList list;
        std::vector<std::string> out;
        EXPECT_EQ(KaAVDBReadData(catalogue(), photo_.c_str(), &list), S_OK);
        for (const MetaData& data : list) {
            if (table != data.TableName)
                continue;
            for (const MetaTag& tag : data.Tags) {
                std::string value =
                    tag.Type == 1   ? "#" + std::to_string(*static_cast<int32_t*>(tag.Data))
                    : tag.Type == 3 ? "~" + std::to_string(*static_cast<double*>(tag.Data))
                                    : std::string(static_cast<char*>(tag.Data));
                out.push_back(std::string(tag.Name) + "=" + value);
            }
        }
        if (!list.empty())
            FreeMetaDataList(&list);
        return out;
    }

    std::string folder_;
    std::string photo_;
    std::string notes_;
};

TEST_F(EditTest, ShowPrintsImageCommentMarkAndEveryLinkedTable)
{
    kavdb({"comment", photo_, "iguana, close"});
    kavdb({"mark", photo_, "1"});
    kavdb({"tag", photo_, "Caption", "Title=Iguana"});
    RunResult run = kavdb({"show", photo_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"image:      100 x 68, 24 bits per pixel\n", "thumbnail:  100 x 68\n",
                             "comment:    iguana, close\n", "mark:       1\n", "ExifInfo:\n",
                             "  Model:         Canon EOS 40D\n", "  ISO:           100\n",
                             "Caption:\n", "  Title:         Iguana\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "in\n" << run.out;
    EXPECT_LT(run.out.find("ExifInfo:"), run.out.find("Caption:")); // configuration order
}

TEST_F(EditTest, ShowAsJsonAndOfAHeicPhoto)
{
    RunResult json = kavdb({"show", "--json", photo_});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    for (const char* part : {"{\"files\":[{\"path\":", "\"image\":{\"width\":100,\"height\":68,",
                             "\"mark\":0,", "\"ExifInfo\":{\"Make\":\"Canon\"", "\"FNumber\":7.1,",
                             "\"ISO\":100,", "\"ExposureTime\":0.00625,"})
        EXPECT_NE(json.out.find(part), std::string::npos) << part << " in\n" << json.out;
    const std::string heic = copyPhotos("h", {"IMG_7702_small.heic"}, samplesDir());
    ASSERT_EQ(kavdb({"add", heic}).exitCode, 0);
    RunResult shown = kavdb({"show", heic + "/IMG_7702_small.heic"});
    for (const char* line :
         {"image:      512 x 300", "  Make:          Apple\n", "  Model:         iPhone 7\n",
          "  DateTaken:     2019-01-21 16:10:54\n", "  FNumber:       1.8\n"})
        EXPECT_NE(shown.out.find(line), std::string::npos) << line << " in\n" << shown.out;
}

TEST_F(EditTest, ShowOfAFileWithoutImageAndOfAnUnknownFile)
{
    RunResult notes = kavdb({"show", notes_});
    EXPECT_EQ(notes.exitCode, 0);
    EXPECT_NE(notes.out.find("image:      none"), std::string::npos) << notes.out;
    RunResult unknown = kavdb({"show", folder_ + "/missing.jpg"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("missing.jpg: not in the catalogue"), std::string::npos)
        << unknown.err;
}

TEST_F(EditTest, TagStoresItemsByTheirConfiguredKind)
{
    RunResult run = kavdb({"tag", photo_, "Rating", "Stars=4", "Label=7"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(items("Rating"), (std::vector<std::string>{"Stars=#4", "Label=7"}));
    // Items left out keep their values.
    kavdb({"tag", photo_, "Rating", "Label=keeper"});
    EXPECT_EQ(items("Rating"), (std::vector<std::string>{"Stars=#4", "Label=keeper"}));
    EXPECT_EQ(kavdb({"tag", photo_, "ExifInfo", "GPSAltitude=-12.5"}).exitCode, 0);
    EXPECT_EQ(kavdb({"search", "--where", "GPSAltitude < -10", "--count"}).out, "1\n");
    // A list's entries are separated as photos' own keywords are.
    kavdb({"tag", photo_, "Caption", "Keywords=sea,boats; harbour front"});
    EXPECT_EQ(items("Caption"), (std::vector<std::string>{"Keywords=sea; boats; harbour front"}));
}

TEST_F(EditTest, TagRefusesWhatTheTableCannotHold)
{
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : {Case{{"Rating", "Stars=four"}, "whole number"},
                          Case{{"ExifInfo", "FNumber=wide"}, "holds a number"},
                          Case{{"Rating", "Colour=red"}, "no such item in Rating"},
                          Case{{"NoTable", "A=1"}, "no such metadata table"},
                          Case{{"Rating", "Stars"}, "ITEM=VALUE"}}) {
        std::vector<std::string> args = {"tag", photo_};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult run = kavdb(args);
        EXPECT_EQ(run.exitCode, 2) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_TRUE(items("Rating").empty());
    RunResult unknown = kavdb({"tag", folder_ + "/missing.jpg", "Rating", "Stars=1"});
    EXPECT_EQ(unknown.exitCode, 1);
}

TEST_F(EditTest, CommentAndMarkRoundTrip)
{
    EXPECT_EQ(kavdb({"comment", photo_, "first"}).exitCode, 0);
    EXPECT_EQ(kavdb({"comment", photo_, "second"}).exitCode, 0);
    char comment[256] = {};
    EXPECT_EQ(KaAVDBReadComment(catalogue(), photo_.c_str(), comment), S_OK);
    EXPECT_STREQ(comment, "second");

    int32_t mark = -1;
    EXPECT_EQ(kavdb({"mark", photo_, "1"}).exitCode, 0);
    EXPECT_EQ(KaAVDBGetCheck(catalogue(), photo_.c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 1);
    EXPECT_EQ(kavdb({"mark", photo_, "0"}).exitCode, 0);
    EXPECT_EQ(KaAVDBGetCheck(catalogue(), photo_.c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 0);
    EXPECT_EQ(kavdb({"mark", photo_, "2"}).exitCode, 2);
}

TEST_F(EditTest, MarkOrCommentOnAnUnknownFileRegistersNothing)
{
    const std::string stranger = dir_ + "/elsewhere/x.jpg";
    RunResult mark = kavdb({"mark", stranger, "1"});
    EXPECT_EQ(mark.exitCode, 1);
    EXPECT_NE(mark.err.find("not in the catalogue"), std::string::npos);
    EXPECT_EQ(kavdb({"comment", stranger, "hello"}).exitCode, 1);
    RunResult folders = kavdb({"sql", "SELECT Pathname AS Filename FROM PathTable"});
    EXPECT_EQ(folders.out, folder_ + "/\n");
}

} // namespace
} // namespace kavdb::test
