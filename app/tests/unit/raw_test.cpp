/*
 * RAW files: the thumbnail from the embedded preview or, without one, from LibRaw, turned
 * upright by the file's orientation; the displayed size; and real camera files whose
 * pixels were cut away, which give no picture (the DNG still gives its metadata).
 */
#include "dng_file.h"
#include "imaging/pixels.h"
#include "imaging/raw.h"
#include "metadata/camera.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavdb::imaging {
namespace {

/* 400 x 300: the left half red, the right half blue. */
vips::VImage halves()
{
    vips::VImage red = test::solidImage(200, 300, {220, 20, 20});
    vips::VImage blue = test::solidImage(200, 300, {20, 20, 220});
    return red.join(blue, VIPS_DIRECTION_HORIZONTAL);
}

/* True when the thumbnail pixel at (x, y) is more red than blue. */
bool reddish(const Thumbnail& t, int x, int y)
{
    const uint8_t* px = t.bgr.data() + rowStride(t.width, 24) * y + 3 * x;
    return px[2] > px[0] + 60;
}

TEST(RawTest, ThumbnailIsUprightFromThePreviewOrTheSensorData)
{
    test::startTestVips();
    struct Case {
        int preview, orientation, width, height;
        int redX, redY; // where the red half shows
    };
    for (Case c : {Case{256, 1, 160, 120, 5, 60}, Case{256, 6, 120, 160, 60, 5},
                   Case{0, 3, 160, 120, 154, 60}, Case{0, 8, 120, 160, 60, 154}}) {
        std::vector<uint8_t> dng = test::makeDng({halves(), c.orientation, c.preview});
        RawPicture raw = readRaw(dng.data(), dng.size());
        SCOPED_TRACE("preview " + std::to_string(c.preview) + ", orientation " +
                     std::to_string(c.orientation));
        EXPECT_EQ(raw.thumb.width, c.width);
        EXPECT_EQ(raw.thumb.height, c.height);
        EXPECT_EQ(raw.info.width, c.width == 160 ? 400 : 300);
        EXPECT_EQ(raw.info.height, c.width == 160 ? 300 : 400);
        EXPECT_EQ(raw.info.bitcount, 48);
        EXPECT_TRUE(reddish(raw.thumb, c.redX, c.redY));
        EXPECT_FALSE(
            reddish(raw.thumb, raw.thumb.width - 1 - c.redX, raw.thumb.height - 1 - c.redY));
    }
}

TEST(RawTest, CameraFilesWithoutPixelsKeepTheirMetadataButGiveNoPicture)
{
    // Whether the CR3 gives metadata is Exiv2's build's (ISO BMFF support); reading it is
    // the tool's, and must not fail.
    for (const char* file : {"Canon_EOS_R6_pruned.CR3", "Apple_iPhone_12_Pro_pruned.dng"}) {
        std::vector<uint8_t> bytes =
            test::readFileBytes(std::string(KAVDB_PHOTOS_DIR) + "/../raw/" + file);
        ASSERT_FALSE(bytes.empty()) << file;
        EXPECT_THROW(readRaw(bytes.data(), bytes.size()), ImageError) << file;
        metadata::PhotoItems items =
            metadata::cameraItems(metadata::readBlocks(bytes.data(), bytes.size()));
        auto model = std::find_if(items.begin(), items.end(),
                                  [](const metadata::PhotoItem& i) { return i.name == "Model"; });
        if (std::string(file).ends_with(".dng")) {
            EXPECT_TRUE(model != items.end() &&
                        model->value == metadata::ItemValue(std::string("iPhone 12 Pro")));
        }
    }
}

} // namespace
} // namespace kavdb::imaging
