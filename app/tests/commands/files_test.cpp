/*
 * `kavdb mv`, `cp` and `rm`: mv and cp move and copy the file (with its sidecars) and its
 * entry together, with its image record and metadata, or the entry alone after the file
 * (--entry-only); they refuse, changing nothing, what would leave an entry pointing at
 * nothing. rm drops entries and leaves the files where they are.
 */
#include "command_fixture.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class FilesTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        sub_ = copyPhotos("p/sub", {"Pentax_K10D.jpg"});
        folder_ = addPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    }

    std::string folder_;
    std::string sub_;
};

// That a copy shares its source's metadata and that a moved entry keeps its row (image,
// metadata) are the library's (tests/ops/registration_test).
TEST_F(FilesTest, CopyKeepsTheSourceAndMoveTakesTheFileItsSidecarsAndItsRecordAlong)
{
    const std::string from = folder_ + "/Canon_40D.jpg";
    const std::string copy = sub_ + "/copy.jpg";
    kavdbExits({"cp", from, copy}, 0);
    EXPECT_EQ(fs::file_size(copy), fs::file_size(from));
    EXPECT_EQ(imageOf(from).width, 100);
    EXPECT_EQ(imageOf(copy).width, 100);

    const std::string to = folder_ + "/renamed.jpg";
    for (const char* sidecar : {"/Canon_40D.xmp", "/Canon_40D.jpg.xmp"}) // either form
        std::ofstream(folder_ + sidecar) << "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";
    kavdb({"mark", from, "1"});
    kavdbExits({"mv", from, to}, 0);
    EXPECT_FALSE(hasRow(from));
    EXPECT_EQ(imageOf(to).width, 100);
    EXPECT_EQ(markOf(to), 1);
    EXPECT_FALSE(fs::exists(from));
    for (const char* moved : {"/renamed.jpg", "/renamed.xmp", "/renamed.jpg.xmp"})
        EXPECT_TRUE(fs::exists(folder_ + moved)) << moved;

    const std::string nikon = sub_ + "/Nikon_D70.jpg"; // into a folder: the name stays
    kavdb({"mark", folder_ + "/Nikon_D70.jpg", "1"});
    EXPECT_EQ(kavdb({"mv", "--reset-mark", folder_ + "/Nikon_D70.jpg", sub_}).exitCode, 0);
    EXPECT_TRUE(fs::exists(nikon));
    EXPECT_EQ(imageOf(nikon).width, 100);
    EXPECT_EQ(markOf(nikon), 0);
}

TEST_F(FilesTest, WhatWouldPointAtNothingIsRefusedAndChangesNothing)
{
    const std::string canon = folder_ + "/Canon_40D.jpg";
    fs::copy_file(canon, folder_ + "/uncatalogued.jpg");
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c :
         {Case{{"mv", canon, folder_ + "/Nikon_D70.jpg"}, "already catalogued"},
          Case{{"mv", folder_ + "/none.jpg", dir_}, "not in the catalogue"},
          Case{{"mv", canon, dir_ + "/no/such/x.jpg"}, "does not exist"},
          Case{{"mv", canon, folder_ + "/uncatalogued.jpg"}, "exists already"},
          Case{{"cp", canon, canon}, "the same file"},
          Case{{"cp", canon, folder_}, "the same file"},
          Case{{"mv", "--entry-only", canon, sub_ + "/later.jpg"}, "no file at the destination"}}) {
        kavdbExits(c.args, 1, c.says);
    }
    EXPECT_TRUE(hasRow(canon));
    EXPECT_TRUE(fs::exists(canon));
    EXPECT_FALSE(fs::exists(sub_ + "/later.jpg"));

    fs::rename(canon, sub_ + "/gone.jpg"); // moved by other means
    kavdbExits({"mv", canon, folder_ + "/back.jpg"}, 1, "not on disk");
    EXPECT_EQ(kavdb({"mv", "--entry-only", canon, sub_ + "/gone.jpg"}).exitCode, 0);
    EXPECT_EQ(imageOf(sub_ + "/gone.jpg").width, 100);
}

TEST_F(FilesTest, RemoveFilesWhetherOnDiskOrNotAndWholeFolderTrees)
{
    EXPECT_EQ(kavdb({"rm", folder_ + "/Nikon_D70.jpg"}).exitCode, 0);
    EXPECT_FALSE(hasRow(folder_ + "/Nikon_D70.jpg"));
    EXPECT_TRUE(hasRow(folder_ + "/Canon_40D.jpg"));
    EXPECT_TRUE(fs::exists(folder_ + "/Nikon_D70.jpg"));
    fs::remove(folder_ + "/Canon_40D.jpg");
    EXPECT_EQ(kavdb({"rm", folder_ + "/Canon_40D.jpg"}).exitCode, 0);
    EXPECT_FALSE(hasRow(folder_ + "/Canon_40D.jpg"));

    EXPECT_EQ(kavdb({"rm", folder_}).exitCode, 0);
    EXPECT_FALSE(hasRow(sub_ + "/Pentax_K10D.jpg"));
    EXPECT_TRUE(fs::exists(sub_ + "/Pentax_K10D.jpg"));
    kavdbExits({"rm", folder_}, 1, "not in the catalogue");
}

} // namespace
} // namespace kavdb::test
