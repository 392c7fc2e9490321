/*
 * Images for the imaging tests, made with libvips in memory: solid colours and gradients
 * in any size, encoded in any format libvips writes.
 */
#pragma once

#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kavdb::test {

inline void startTestVips()
{
    imaging::startVips("kavdb_app_tests");
}

/* width x height of one colour (1, 3 or 4 bands of 8 bits). */
inline vips::VImage solidImage(int width, int height, const std::vector<double>& colour)
{
    return vips::VImage::black(width, height)
        .cast(VIPS_FORMAT_UCHAR)
        .new_from_image(colour)
        .copy(vips::VImage::option()->set("interpretation", colour.size() >= 3
                                                                ? VIPS_INTERPRETATION_sRGB
                                                                : VIPS_INTERPRETATION_B_W));
}

/* A colour ramp, so that encoders have something to compress. */
inline vips::VImage rampImage(int width, int height)
{
    vips::VImage x = vips::VImage::xyz(width, height)[0];
    vips::VImage y = vips::VImage::xyz(width, height)[1];
    vips::VImage r = (x * 255.0 / std::max(width - 1, 1)).cast(VIPS_FORMAT_UCHAR);
    vips::VImage g = (y * 255.0 / std::max(height - 1, 1)).cast(VIPS_FORMAT_UCHAR);
    return vips::VImage::bandjoin({r, g, r}).copy(
        vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

/* The image encoded by libvips' saver for suffix (".jpg", ".png", ...). */
inline std::vector<uint8_t> encoded(const vips::VImage& image, const char* suffix)
{
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(suffix, &buffer, &size);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

inline std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace kavdb::test
