/*
 * The thumbnail size of an image record and its byte-array value: the size follows from
 * the two thumbnail dimensions, and dimensions that give no sensible size store nothing.
 */
#include "store/image_fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace kavdb::store {
namespace {

ImageData withThumbnail(int32_t width, int32_t height, unsigned char* pixels)
{
    ImageData image{};
    image.Thumbnail = pixels;
    image.ThumbnailWidth = width;
    image.ThumbnailHeight = height;
    return image;
}

TEST(ThumbnailBytes, PaddedRowsTimesHeight)
{
    struct Case {
        int32_t width, height;
        int64_t bytes;
    } cases[] = {
        {1, 1, 4},         {4, 1, 12},
        {5, 2, 32},        {160, 120, 57600},
        {0, 5, 0},         {5, 0, 0},
        {-5, 2, 0},        {5, -2, 0},
        {INT32_MAX, 1, 0}, {INT32_MAX, INT32_MAX, 0},
        {1, INT32_MAX, 0}, {16384, 5461, 268419072}, // just below the limit
        {16384, 5462, 0},                            // just above it
    };
    for (const auto& c : cases) {
        EXPECT_EQ(thumbnailBytes(withThumbnail(c.width, c.height, nullptr)), c.bytes)
            << c.width << "x" << c.height;
    }
}

TEST(ThumbnailValue, WrapsExactlyTheRecordsBytes)
{
    std::vector<unsigned char> pixels(40);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>(i);
    }
    Value v;
    ASSERT_TRUE(thumbnailValue(withThumbnail(5, 2, pixels.data()), &v));
    ASSERT_TRUE(v.isBytes());
    EXPECT_EQ(v.asBytes(), std::vector<uint8_t>(pixels.begin(), pixels.begin() + 32));

    Value untouched = Value::integer(7);
    EXPECT_FALSE(thumbnailValue(withThumbnail(5, 2, nullptr), &untouched));
    EXPECT_FALSE(thumbnailValue(withThumbnail(0, 2, pixels.data()), &untouched));
    EXPECT_FALSE(thumbnailValue(withThumbnail(INT32_MAX, INT32_MAX, pixels.data()), &untouched));
    EXPECT_EQ(untouched, Value::integer(7));
}

} // namespace
} // namespace kavdb::store
