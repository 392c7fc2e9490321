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

/* The same for an image whose own orientation tag does not count: it is turned upright by
 * `orientation` (the EXIF values 1 to 8; others leave it as stored). A RAW file's
 * embedded preview is such an image: the RAW's tag says how to turn it. */
Thumbnail makeTurnedThumbnail(const uint8_t* data, std::size_t size, int orientation,
                              int box = kThumbnailBox);

/* The thumbnail of pixels already decoded: packed 8-bit RGB rows. */
Thumbnail makeThumbnailOfRgb(const uint8_t* rgb, int width, int height, int orientation,
                             int box = kThumbnailBox);

} // namespace kavdb::imaging
