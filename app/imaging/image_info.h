/*
 * The facts the catalogue keeps about a photo's pixels: its displayed width and height (the
 * photo upright, as its thumbnail shows it: a JPEG whose orientation tag turns it by a
 * quarter has its stored sides swapped; a HEIF file is upright already once decoded) and
 * its bits per pixel (bands times bits per band: 24 for an RGB JPEG, 8 for grey, 32 for
 * RGBA, 48 for 16-bit RGB).
 */
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavdb::imaging {

struct ImageInfo {
    int width = 0;
    int height = 0;
    int bitcount = 0;
};

/* Reads only the header of an encoded image held in memory; throws ImageError. */
ImageInfo readImageInfo(const uint8_t* data, std::size_t size);

} // namespace kavdb::imaging
