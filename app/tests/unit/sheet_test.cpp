/*
 * The contact sheet: captions, the self-contained HTML page (one data-URI PNG per photo,
 * nothing fetched from anywhere) and the PNG grid's size.
 */
#include "base64.h"
#include "sheet.h"
#include "sheet_page.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kavdb {
namespace {

SheetEntry entry(const std::string& name, int thumbWidth, int thumbHeight)
{
    SheetEntry e;
    e.name = name;
    e.width = thumbWidth * 10;
    e.height = thumbHeight * 10;
    e.fileBytes = 12345;
    e.dateTaken = "2008-05-30 15:56:01";
    e.camera = "Canon EOS 40D";
    e.thumbWidth = thumbWidth;
    e.thumbHeight = thumbHeight;
    e.rgb.assign(static_cast<std::size_t>(thumbWidth) * thumbHeight * 3, 0);
    for (std::size_t i = 0; i < e.rgb.size(); i += 3)
        e.rgb[i] = 200; // red
    return e;
}

std::vector<SheetGroup> sampleGroups()
{
    return {{"/photos/2008", {entry("a.jpg", 160, 120), entry("b.jpg", 120, 160)}},
            {"/photos/2009",
             {entry("c.jpg", 100, 68), entry("d.jpg", 59, 100), entry("e.jpg", 160, 107)}}};
}

TEST(SheetCaptions, CameraNamesDoNotRepeatTheMake)
{
    EXPECT_EQ(cameraName("Canon", "Canon EOS 40D"), "Canon EOS 40D");
    EXPECT_EQ(cameraName("NIKON CORPORATION", "NIKON D70"), "NIKON D70");
    EXPECT_EQ(cameraName("FUJIFILM", "FinePix E500"), "FUJIFILM FinePix E500");
    EXPECT_EQ(cameraName("", "DMC-FZ30"), "DMC-FZ30");
    EXPECT_EQ(cameraName("SONY", ""), "SONY");
    EXPECT_EQ(cameraName("", ""), "");
}

TEST(SheetCaptions, FileSizes)
{
    EXPECT_EQ(sizeText(900), "900 B");
    EXPECT_EQ(sizeText(7958), "8 KB");
    EXPECT_EQ(sizeText(1960703), "1.9 MB");
}

class SheetTest : public ::testing::Test {
  protected:
    void SetUp() override { test::startTestVips(); }
};

TEST_F(SheetTest, HtmlHoldsOneEmbeddedPngPerPhotoGroupedByFolder)
{
    std::string html = renderSheetHtml(sampleGroups(), "sheet");
    std::vector<std::pair<int, int>> sizes;
    for (const test::EmbeddedImage& img : test::embeddedImages(html)) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(base64Decode(img.base64, png));
        vips::VImage decoded = vips::VImage::new_from_buffer(png.data(), png.size(), "");
        EXPECT_EQ(decoded.width(), img.width);
        EXPECT_EQ(decoded.height(), img.height);
        EXPECT_EQ(decoded.getpoint(0, 0)[0], 200); // red survived the trip
        sizes.emplace_back(decoded.width(), decoded.height());
    }
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{
                         {160, 120}, {120, 160}, {100, 68}, {59, 100}, {160, 107}}));
    EXPECT_LT(html.find("/photos/2008"), html.find("a.jpg"));
    EXPECT_LT(html.find("b.jpg"), html.find("/photos/2009"));
    EXPECT_NE(html.find("5 photos"), std::string::npos);
    EXPECT_NE(html.find("Canon EOS 40D"), std::string::npos);
    EXPECT_NE(html.find("2008-05-30 15:56:01"), std::string::npos);
    EXPECT_NE(html.find("12 KB"), std::string::npos);
}

TEST_F(SheetTest, HtmlNeedsNothingFromTheNetwork)
{
    std::string html = renderSheetHtml(sampleGroups(), "sheet");
    for (const char* remote : {"http:", "https:", "//cdn", "<script", "<link"})
        EXPECT_EQ(html.find(remote), std::string::npos) << remote;
}

TEST_F(SheetTest, HtmlEscapesNamesAndFolders)
{
    std::vector<SheetGroup> groups = {{"/a&b", {entry("<x>\".jpg", 10, 10)}}};
    std::string html = renderSheetHtml(groups, "sheet");
    EXPECT_NE(html.find("/a&amp;b"), std::string::npos);
    EXPECT_NE(html.find("&lt;x&gt;&quot;.jpg"), std::string::npos);
    EXPECT_EQ(html.find("<x>"), std::string::npos);
}

TEST_F(SheetTest, PngIsAGridOfFixedCells)
{
    const SheetGeometry g = sheetGeometry();
    std::vector<SheetGroup> groups = sampleGroups();
    struct Case {
        int columns, across, rowsFirst, rowsSecond;
    };
    for (Case c : {Case{6, 3, 1, 1}, Case{2, 2, 1, 2}, Case{1, 1, 2, 3}}) {
        int width = 0;
        int height = 0;
        sheetPngSize(groups, c.columns, width, height);
        EXPECT_EQ(width, c.across * g.cellWidth + 2 * g.margin) << c.columns;
        EXPECT_EQ(height,
                  2 * g.headerHeight + (c.rowsFirst + c.rowsSecond) * g.cellHeight + 2 * g.margin)
            << c.columns;

        std::string path = ::testing::TempDir() + "/sheet.png";
        writeSheetPng(groups, c.columns, path);
        vips::VImage png = vips::VImage::new_from_file(path.c_str());
        EXPECT_EQ(png.width(), width);
        EXPECT_EQ(png.height(), height);
        std::filesystem::remove(path);
    }
}

TEST_F(SheetTest, PngCellsHoldTheThumbnails)
{
    std::vector<SheetGroup> groups = {{"/f", {entry("a.jpg", 160, 120)}}};
    std::string path = ::testing::TempDir() + "/one.png";
    writeSheetPng(groups, 4, path);
    vips::VImage png = vips::VImage::new_from_file(path.c_str());
    const SheetGeometry g = sheetGeometry();
    // The middle of the only cell's picture is the thumbnail's red.
    std::vector<double> middle =
        png.getpoint(g.margin + g.cellWidth / 2, g.margin + g.headerHeight + 8 + 60);
    EXPECT_EQ(middle[0], 200);
    EXPECT_EQ(middle[1], 0);
    std::filesystem::remove(path);
}

} // namespace
} // namespace kavdb
