/*
 * `kavdb sheet`: the HTML page holds one embedded thumbnail per catalogued photo (and
 * none for files without image); the PNG sheet is a grid with one cell per photo.
 */
#include "base64.h"
#include "command_fixture.h"
#include "imaging/vips_runtime.h"
#include "sheet.h"
#include "sheet_page.h"

#include <vips/vips8>

#include <fstream>
#include <set>
#include <sstream>

namespace kavdb::test {
namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SheetCommandTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        imaging::startVips("kavdb_app_command_tests");
    }
};

TEST_F(SheetCommandTest, HtmlHoldsOneImagePerCataloguedPhoto)
{
    kavdb({"add", photosDir()});
    const std::string html = dir_ + "/sheet.html";
    RunResult run = kavdb({"sheet", "-o", html});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("contact sheet of 20 photos in 1 folder"), std::string::npos) << run.out;

    std::string page = readText(html);
    std::set<std::string> names;
    for (const EmbeddedImage& img : embeddedImages(page)) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(base64Decode(img.base64, png));
        vips::VImage decoded = vips::VImage::new_from_buffer(png.data(), png.size(), "");
        EXPECT_EQ(decoded.width(), img.width);
        EXPECT_EQ(decoded.height(), img.height);
        names.insert(img.alt);
    }
    EXPECT_EQ(embeddedImages(page).size(), names.size()); // one image per photo
    std::set<std::string> expected;
    for (const std::string& name : samplePhotoNames())
        if (name != "corrupted.jpg")
            expected.insert(name);
    EXPECT_EQ(names, expected);
    EXPECT_NE(page.find("<h2>" + photosDir() + "</h2>"), std::string::npos);
    EXPECT_NE(page.find("Canon EOS 40D"), std::string::npos);
    EXPECT_NE(page.find("2008-05-30 15:56:01"), std::string::npos);
}

TEST_F(SheetCommandTest, PngIsAGridWithOneCellPerPhoto)
{
    const std::string folder =
        copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg", "Pentax_K10D.jpg"});
    kavdb({"add", folder});
    const std::string png = dir_ + "/sheet.png";
    RunResult run = kavdb({"sheet", "--png", png, "--columns", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const SheetGeometry g = sheetGeometry();
    vips::VImage sheet = vips::VImage::new_from_file(png.c_str());
    EXPECT_EQ(sheet.width(), 2 * g.cellWidth + 2 * g.margin);
    EXPECT_EQ(sheet.height(), g.headerHeight + 2 * g.cellHeight + 2 * g.margin);
}

TEST_F(SheetCommandTest, OneFolderTreeOnly)
{
    const std::string a = copyPhotos("a", {"Canon_40D.jpg"});
    const std::string b = copyPhotos("b", {"Nikon_D70.jpg", "Pentax_K10D.jpg"});
    kavdb({"add", a, b});
    const std::string html = dir_ + "/b.html";
    RunResult run = kavdb({"sheet", b, "-o", html});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string page = readText(html);
    EXPECT_NE(page.find("alt=\"Nikon_D70.jpg\""), std::string::npos);
    EXPECT_EQ(page.find("Canon_40D.jpg"), std::string::npos);
}

TEST_F(SheetCommandTest, NeedsSomewhereToWrite)
{
    kavdb({"add", copyPhotos("p", {"Canon_40D.jpg"})});
    EXPECT_EQ(kavdb({"sheet"}).exitCode, 2);
    RunResult unwritable = kavdb({"sheet", "-o", dir_ + "/no/such/dir/x.html"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

} // namespace
} // namespace kavdb::test
