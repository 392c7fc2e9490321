/*
 * Catalogue thumbnails: at most kThumbnailBox pixels on each side, upright (the photo's
 * orientation tag applied), never enlarged, 24-bit BGR rows padded to 4 bytes (pixels.h).
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavdb::imaging {

constexpr int kThumbnailBox = 160;

struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr; // rowStride(width, 24) * height bytes
};

/* Makes the thumbnail of an encoded image held in memory; throws ImageError for a file
 * that is truncated, damaged or not an image. */
Thumbnail makeThumbnail(const uint8_t* data, std::size_t size, int box = kThumbnailBox);

} // namespace kavdb::imaging
