/*
 * Thumbnail pixel layouts: row stride and the RGB <-> padded BGR conversions.
 */
#include "imaging/pixels.h"

#include <gtest/gtest.h>

namespace kavdb::imaging {
namespace {

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
