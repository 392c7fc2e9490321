/*
 * `kavdb mv`, `cp` and `rm`: catalogue entries move, copy and go with their image record
 * and metadata, while the files on disk stay exactly where they are.
 */
#include "command_fixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class FilesTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        sub_ = copyPhotos("p/sub", {"Pentax_K10D.jpg"});
        ASSERT_EQ(kavdb({"add", folder_}).exitCode, 0);
    }

    int widthOf(const std::string& path)
    {
        ImageData image{};
        if (KaAVDBReadImage(catalogue(), path.c_str(), &image) != S_OK)
            return -1;
        int width = image.Width;
        FreeImageData(&image);
        return width;
    }

    std::string folder_;
    std::string sub_;
};

TEST_F(FilesTest, MoveTakesTheRecordToTheNewPath)
{
    const std::string from = folder_ + "/Canon_40D.jpg";
    const std::string to = folder_ + "/renamed.jpg";
    kavdb({"mark", from, "1"});
    RunResult run = kavdb({"mv", from, to});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(hasRow(catalogue(), from));
    EXPECT_EQ(widthOf(to), 100);
    EXPECT_EQ(metaText(catalogue(), to, "ExifInfo", "Model"), "Canon EOS 40D");
    int32_t mark = 0;
    KaAVDBGetCheck(catalogue(), to.c_str(), &mark);
    EXPECT_EQ(mark, 1);
    EXPECT_TRUE(fs::exists(from)); // the file itself did not move
    EXPECT_FALSE(fs::exists(to));
}

TEST_F(FilesTest, MoveIntoAFolderKeepsTheNameAndResetMarkClearsTheMark)
{
    kavdb({"mark", folder_ + "/Nikon_D70.jpg", "1"});
    RunResult run = kavdb({"mv", "--reset-mark", folder_ + "/Nikon_D70.jpg", sub_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(widthOf(sub_ + "/Nikon_D70.jpg"), 100);
    int32_t mark = 1;
    KaAVDBGetCheck(catalogue(), (sub_ + "/Nikon_D70.jpg").c_str(), &mark);
    EXPECT_EQ(mark, 0);
}

TEST_F(FilesTest, MoveRefusesACataloguedDestinationAndAnUnknownSource)
{
    RunResult onto = kavdb({"mv", folder_ + "/Canon_40D.jpg", folder_ + "/Nikon_D70.jpg"});
    EXPECT_EQ(onto.exitCode, 1);
    EXPECT_NE(onto.err.find("already catalogued"), std::string::npos) << onto.err;
    EXPECT_TRUE(hasRow(catalogue(), folder_ + "/Canon_40D.jpg"));

    RunResult unknown = kavdb({"mv", folder_ + "/none.jpg", folder_ + "/other.jpg"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("not in the catalogue"), std::string::npos) << unknown.err;
}

TEST_F(FilesTest, CopyKeepsTheSourceAndSharesItsMetadata)
{
    const std::string from = folder_ + "/Canon_40D.jpg";
    const std::string to = sub_ + "/copy.jpg";
    RunResult run = kavdb({"cp", from, to});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(widthOf(from), 100);
    EXPECT_EQ(widthOf(to), 100);
    EXPECT_EQ(metaText(catalogue(), to, "ExifInfo", "Make"), "Canon");
    RunResult found = kavdb({"search", "--count", "--where", "Model = 'Canon EOS 40D'"});
    EXPECT_EQ(found.out, "2\n");
}

TEST_F(FilesTest, RemoveFilesAndWholeFolderTrees)
{
    EXPECT_EQ(kavdb({"rm", folder_ + "/Nikon_D70.jpg"}).exitCode, 0);
    EXPECT_FALSE(hasRow(catalogue(), folder_ + "/Nikon_D70.jpg"));
    EXPECT_TRUE(hasRow(catalogue(), folder_ + "/Canon_40D.jpg"));
    EXPECT_TRUE(fs::exists(folder_ + "/Nikon_D70.jpg"));

    EXPECT_EQ(kavdb({"rm", folder_}).exitCode, 0);
    EXPECT_FALSE(hasRow(catalogue(), folder_ + "/Canon_40D.jpg"));
    EXPECT_FALSE(hasRow(catalogue(), sub_ + "/Pentax_K10D.jpg"));
    EXPECT_EQ(kavdb({"sql", "SELECT Pathname AS Filename FROM PathTable"}).out, "");
    EXPECT_TRUE(fs::exists(sub_ + "/Pentax_K10D.jpg"));

    RunResult again = kavdb({"rm", folder_});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("not in the catalogue"), std::string::npos);
}

TEST_F(FilesTest, RemoveAnEntryWhoseFileIsGone)
{
    fs::remove(folder_ + "/Nikon_D70.jpg");
    EXPECT_EQ(kavdb({"rm", folder_ + "/Nikon_D70.jpg"}).exitCode, 0);
    EXPECT_FALSE(hasRow(catalogue(), folder_ + "/Nikon_D70.jpg"));
}

} // namespace
} // namespace kavdb::test
