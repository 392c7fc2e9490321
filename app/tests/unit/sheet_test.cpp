/*
 * The contact sheet: captions, pages whose thumbnails are files linking to the originals
 * (nothing fetched from the network), the pages and index a sheet of 2,000 photos makes,
 * and the PNG grid, one image per page.
 */
#include "sheet.h"
#include "sheet_page.h"
#include "sheet_writer.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

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
    e.path = "/photos/2008/" + name;
    e.thumbnail = "thumbs/" + name;
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

TEST(SheetCaptions, CameraNamesDoNotRepeatTheMakeAndSizesAreRounded)
{
    EXPECT_EQ(cameraName("Canon", "Canon EOS 40D"), "Canon EOS 40D");
    EXPECT_EQ(cameraName("NIKON CORPORATION", "NIKON D70"), "NIKON D70");
    EXPECT_EQ(cameraName("FUJIFILM", "FinePix E500"), "FUJIFILM FinePix E500");
    EXPECT_EQ(cameraName("", "DMC-FZ30"), "DMC-FZ30");
    EXPECT_EQ(cameraName("SONY", ""), "SONY");
    EXPECT_EQ(cameraName("", ""), "");
    EXPECT_EQ(sizeText(900), "900 B");
    EXPECT_EQ(sizeText(7958), "8 KB");
    EXPECT_EQ(sizeText(1960703), "1.9 MB");
}

class SheetTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        test::startTestVips();
        // The process id keeps two checkouts' runs from clearing each other's pages.
        dir_ = fs::path(::testing::TempDir()) /
               ("sheet-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(getpid()));
        fs::remove_all(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(SheetTest, APageLinksItsThumbnailFilesToTheOriginalsAndEscapesNamesFoldersAndLinks)
{
    std::string html = renderPageHtml(sampleGroups(), "sheet", 2, true);
    std::vector<test::SheetImage> images = test::sheetImages(html);
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[0].src, "thumbs/a.jpg");
    EXPECT_EQ(images[0].href, "file:///photos/2008/a.jpg");
    EXPECT_TRUE(images[0].lazy);
    EXPECT_EQ(images[3].width, 59);
    EXPECT_LT(html.find("/photos/2008"), html.find("a.jpg"));
    EXPECT_LT(html.find("b.jpg"), html.find("/photos/2009"));
    for (const char* text : {"Canon EOS 40D", "2008-05-30 15:56:01", "12 KB", "page-0001.html",
                             "page-0003.html", "index.html"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
    for (const char* remote : {"http:", "https:", "//cdn", "<script", "<link", "data:"})
        EXPECT_EQ(html.find(remote), std::string::npos) << remote;
    EXPECT_EQ(renderPageHtml(sampleGroups(), "sheet", 1, false).find("page-0"), std::string::npos);

    SheetEntry e = entry("<x>\"#1.jpg", 10, 10);
    e.path = "/a&b/<x>\"#1.jpg";
    html = renderPageHtml({{"/a&b", {e}}}, "sheet", 1, false);
    EXPECT_NE(html.find("/a&amp;b"), std::string::npos);
    EXPECT_NE(html.find("&lt;x&gt;&quot;#1.jpg"), std::string::npos);
    EXPECT_NE(html.find("file:///a%26b/%3Cx%3E%22%231.jpg"), std::string::npos);
    EXPECT_EQ(html.find("<x>"), std::string::npos);
}

TEST_F(SheetTest, TwoThousandPhotosMakeSmallPagesAndAnIndex)
{
    SheetWriter sheet({(dir_ / "out").string(), "", 6, 200});
    for (int i = 0; i < 2000; ++i) { // in folders of 7
        SheetEntry e = entry("photo" + std::to_string(i) + ".jpg", 160, 120);
        e.path = "/photos/" + std::to_string(i / 7) + "/" + e.name;
        sheet.add("/photos/" + std::to_string(i / 7), std::move(e));
    }
    sheet.finish();
    ASSERT_EQ(sheet.pages().size(), 10u);
    std::size_t largest = 0;
    for (const PageSummary& p : sheet.pages()) {
        std::string page = test::readText((dir_ / "out" / pageFileName(p.page)).string());
        EXPECT_EQ(test::sheetImages(page).size(), 200u);
        largest = std::max(largest, page.size());
    }
    EXPECT_LE(largest, 5u * 1024 * 1024);
    RecordProperty("largest_page_bytes", static_cast<int>(largest));
    std::string index = test::readText((dir_ / "out" / "index.html").string());
    EXPECT_NE(index.find("2000 photos"), std::string::npos);
    EXPECT_NE(index.find("page-0010.html"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out" / "thumbs"), {}), 2000);
    vips::VImage thumb =
        vips::VImage::new_from_file((dir_ / "out" / "thumbs" / "002000.jpg").c_str());
    EXPECT_EQ(thumb.width(), 160);
}

TEST_F(SheetTest, APngPerPageIsAGridOfFixedCellsHoldingTheThumbnails)
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
        // The middle of the first cell's picture is the thumbnail's red.
        std::vector<double> middle =
            png.getpoint(g.margin + g.cellWidth / 2, g.margin + g.headerHeight + 8 + 60);
        EXPECT_EQ(middle[0], 200);
        EXPECT_EQ(middle[1], 0);
        std::filesystem::remove(path);
    }

    fs::create_directories(dir_);
    const std::string png = (dir_ / "s.png").string();
    SheetWriter sheet({"", png, 3, 4});
    for (int i = 0; i < 9; ++i)
        sheet.add("/f", entry("p" + std::to_string(i) + ".jpg", 160, 120));
    sheet.finish();
    ASSERT_EQ(sheet.pngFiles().size(), 3u);
    vips::VImage first = vips::VImage::new_from_file(sheet.pngFiles()[0].c_str());
    EXPECT_EQ(first.height(), g.headerHeight + 2 * g.cellHeight + 2 * g.margin); // 4 of 3 across
    EXPECT_EQ(sheet.pngFiles()[2], (dir_ / "s-0003.png").string());
    SheetWriter one({"", png, 3, 40});
    one.add("/f", entry("only.jpg", 160, 120));
    one.finish();
    EXPECT_EQ(one.pngFiles(), std::vector<std::string>{png}); // one page keeps the name
}

} // namespace
} // namespace kavdb
