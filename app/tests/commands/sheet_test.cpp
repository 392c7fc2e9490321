/*
 * `kavdb sheet`: the HTML sheet is a folder whose pages hold one thumbnail file per
 * catalogued photo (none for files without image), each linking to the original (the
 * PNG grid is the writer's, tested with it); a folder with nothing catalogued, an unwritable
 * destination and a PNG under another name are refused with the reason.
 */
#include "command_fixture.h"
#include "imaging/vips_runtime.h"
#include "sheet.h"
#include "sheet_page.h"

#include <vips/vips8>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class SheetCommandTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        imaging::startVips("kavdb_app_command_tests");
    }
};

TEST_F(SheetCommandTest, PagesHoldOneThumbnailFilePerCataloguedPhoto)
{
    kavdb({"add", photosDir()});
    const std::string out = dir_ + "/sheet";
    RunResult run = kavdbExits({"sheet", "-o", out, "--per-page", "10"}, 0);
    const std::size_t photos = samplePhotoNames().size() - 1; // not the corrupted one
    EXPECT_THAT(run.out, HasSubstr("contact sheet of " + std::to_string(photos) +
                                   " photos in 1 folder, 3 pages"));
    std::set<std::string> names;
    for (int page = 1; page <= 3; ++page) {
        std::string html = readText(out + "/" + pageFileName(page));
        for (const SheetImage& img : sheetImages(html)) {
            vips::VImage thumb = vips::VImage::new_from_file((out + "/" + img.src).c_str());
            EXPECT_EQ(thumb.width(), img.width);
            EXPECT_EQ(thumb.height(), img.height);
            EXPECT_EQ(img.href, fileUrl(photosDir() + "/" + img.alt));
            names.insert(img.alt);
        }
    }
    std::set<std::string> expected;
    for (const std::string& name : samplePhotoNames())
        if (name != "corrupted.jpg")
            expected.insert(name);
    EXPECT_EQ(names, expected);
    EXPECT_THAT(readText(out + "/" + pageFileName(1)), HasSubstr("<h2>" + photosDir() + "</h2>"));
}

TEST_F(SheetCommandTest, OneFolderTreeOnlyAndRefusalsSayWhy)
{
    addPhotos("a", {"Canon_40D.jpg"});
    const std::string b = addPhotos("b", {"Nikon_D70.jpg", "Pentax_K10D.jpg"});
    kavdbExits({"sheet", b, "-o", dir_ + "/b"}, 0);
    std::string page = readText(dir_ + "/b/" + pageFileName(1));
    EXPECT_THAT(page, HasSubstr("alt=\"Nikon_D70.jpg\""));
    EXPECT_THAT(page, Not(HasSubstr("Canon_40D.jpg")));

    kavdbExits({"sheet"}, 2);
    kavdbExits({"sheet", dir_ + "/typo", "-o", dir_ + "/t"}, 1, "no catalogued folder here");
    EXPECT_FALSE(fs::exists(dir_ + "/t"));
    kavdbExits({"sheet", "--png", dir_ + "/x.jpg"}, 2, "ends in .png");
    std::ofstream(dir_ + "/file") << "in the way";
    kavdbExits({"sheet", "-o", dir_ + "/file/sheet"}, 1, "Not a directory");
}

} // namespace
} // namespace kavdb::test
