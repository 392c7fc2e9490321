/*
 * Image facts and thumbnails: sizes that fit 160 x 160 without enlarging, every source
 * kind ending as 24-bit pixels, their order and padding (and the conversions to and from
 * RGB), orientation, and damaged input refused. The sample photos and the corrupted one are tested
 * through `kavdb add`, the record that keeps a thumbnail by the library (tests/ops/images_test).
 */
#include "imaging/image_info.h"
#include "imaging/pixels.h"
#include "imaging/thumbnail.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kavdb::imaging {
namespace {

using test::encoded;
using test::rampImage;
using test::solidImage;

class ThumbnailTest : public ::testing::Test {
  protected:
    void SetUp() override { test::startTestVips(); }

    using Bytes = std::vector<uint8_t>;
    static Thumbnail thumbOf(const Bytes& b) { return makeThumbnail(b.data(), b.size()); }
    static ImageInfo infoOf(const Bytes& b) { return readImageInfo(b.data(), b.size()); }
};

TEST_F(ThumbnailTest, FitsTheBoxKeepingTheShapeNeverEnlargesAndStandsUpright)
{
    struct Case {
        int width, height, orientation, thumbWidth, thumbHeight;
    };
    // Orientations 6 and 8 turn the photo by a quarter to display: its size turns with it.
    for (Case c :
         {Case{2000, 1500, 1, 160, 120}, Case{1500, 2000, 1, 120, 160}, Case{320, 320, 1, 160, 160},
          Case{1000, 100, 1, 160, 16}, Case{100, 68, 1, 100, 68}, Case{160, 90, 1, 160, 90},
          Case{7, 3, 1, 7, 3}, Case{400, 200, 3, 160, 80}, Case{400, 200, 6, 80, 160},
          Case{400, 200, 8, 80, 160}}) {
        vips::VImage image = rampImage(c.width, c.height).copy();
        image.set("orientation", c.orientation);
        std::vector<uint8_t> jpeg = encoded(image, ".jpg");
        Thumbnail t = thumbOf(jpeg);
        ImageInfo info = infoOf(jpeg);
        const bool quarter = c.orientation > 4;
        EXPECT_EQ(std::tie(t.width, t.height, info.width, info.height, info.bitcount),
                  std::make_tuple(c.thumbWidth, c.thumbHeight, quarter ? c.height : c.width,
                                  quarter ? c.width : c.height, 24))
            << c.width << "x" << c.height << ", orientation " << c.orientation;
        EXPECT_EQ(t.bgr.size(), rowStride(t.width, 24) * t.height);
    }
}

TEST_F(ThumbnailTest, PixelsAreBlueGreenRedRowsPaddedToFourBytes)
{
    const std::string photo = std::string(KAVDB_PHOTOS_DIR) + "/Fujifilm_FinePix_E500.jpg";
    Thumbnail t = thumbOf(test::readFileBytes(photo));
    ASSERT_EQ(t.width, 59); // 177 bytes of pixels a row, 3 of padding
    ASSERT_EQ(t.height, 100);
    std::vector<uint8_t> rgb = paddedBgrToRgb(t.bgr.data(), t.width, t.height);
    // The same pixels as libvips' own thumbnail of the file, within rounding.
    vips::VImage expected =
        vips::VImage::thumbnail(
            photo.c_str(), 160,
            vips::VImage::option()->set("height", 160)->set("size", VIPS_SIZE_DOWN))
            .copy_memory();
    for (int y : {0, 50, 99})
        for (int x : {0, 30, 58}) {
            std::vector<double> px = expected.getpoint(x, y);
            for (int band = 0; band < 3; ++band)
                EXPECT_NEAR(rgb[(static_cast<std::size_t>(y) * 59 + x) * 3 + band], px[band], 2)
                    << x << "," << y << " band " << band;
        }
}

TEST_F(ThumbnailTest, EveryKindOfSourceBecomes24BitColourOnWhite)
{
    struct Case {
        const char* what;
        vips::VImage image;
        const char* suffix;
        int bitcount;
    };
    const std::vector<Case> cases = {
        {"grey PNG", solidImage(50, 40, {128}), ".png", 8},
        {"RGBA PNG", solidImage(50, 40, {255, 0, 0, 0}), ".png", 32},
        {"16-bit PNG",
         rampImage(50, 40)
             .cast(VIPS_FORMAT_USHORT)
             .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16)),
         ".png", 48},
        {"TIFF", rampImage(300, 200), ".tif", 24},
        {"WebP", rampImage(300, 200), ".webp", 24},
        {"grey JPEG", solidImage(300, 200, {90}), ".jpg", 8},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = encoded(c.image, c.suffix);
        EXPECT_EQ(infoOf(bytes).bitcount, c.bitcount) << c.what;
        Thumbnail t = thumbOf(bytes);
        EXPECT_GT(t.width, 0) << c.what;
        EXPECT_EQ(t.bgr.size(), rowStride(t.width, 24) * t.height) << c.what;
    }
    Thumbnail clear = thumbOf(encoded(solidImage(20, 20, {255, 0, 0, 0}), ".png"));
    EXPECT_EQ(std::vector<uint8_t>(clear.bgr.begin(), clear.bgr.begin() + 3),
              (std::vector<uint8_t>{255, 255, 255})); // transparent pixels turn white
}

TEST_F(ThumbnailTest, DamagedOrForeignBytesAreRefused)
{
    std::vector<uint8_t> jpeg = encoded(rampImage(1200, 900), ".jpg");
    std::vector<uint8_t> truncated(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
    EXPECT_THROW(thumbOf(truncated), ImageError);
    EXPECT_THROW(thumbOf(text), ImageError);
    EXPECT_THROW(infoOf(text), ImageError);
    try {
        thumbOf(text);
    } catch (const ImageError& e) {
        EXPECT_STRNE(e.what(), "");
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
    }
}

TEST(RowStride, RoundsBitsUpToWholeWords)
{
    struct Case {
        int width, bits;
        std::size_t stride;
    };
    for (Case c : {Case{1, 24, 4}, Case{4, 24, 12}, Case{5, 24, 16}, Case{160, 24, 480},
                   Case{159, 24, 480}, Case{0, 24, 0}, Case{3, 8, 4}, Case{1, 32, 4}})
        EXPECT_EQ(rowStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

TEST(PaddedBgr, SwapsRedAndBlueZeroesPaddingAndRoundTripsForEveryPaddingWidth)
{
    // 5 x 2 pixels: 15 bytes of pixels per row, padded to 16.
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 30; ++i)
        rgb.push_back(static_cast<uint8_t>(10 * (i / 3) + i % 3 + 1)); // R, G, B: x1, x2, x3
    EXPECT_EQ(
        rgbToPaddedBgr(rgb.data(), 5, 2),
        (std::vector<uint8_t>{3,  2,  1,  13, 12, 11, 23, 22, 21, 33, 32, 31, 43, 42, 41, 0,
                              53, 52, 51, 63, 62, 61, 73, 72, 71, 83, 82, 81, 93, 92, 91, 0}));
    for (int width = 1; width <= 8; ++width) {
        std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * 3 * 3);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 7 + width);
        std::vector<uint8_t> bgr = rgbToPaddedBgr(pixels.data(), width, 3);
        EXPECT_EQ(bgr.size(), rowStride(width, 24) * 3);
        EXPECT_EQ(paddedBgrToRgb(bgr.data(), width, 3), pixels) << "width " << width;
    }
}

} // namespace
} // namespace kavdb::imaging
