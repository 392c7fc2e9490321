/*
 * Thumbnail pixel layouts. The catalogue keeps thumbnails the way Windows keeps a 24-bit
 * DIB: pixels in B, G, R byte order, each row padded to a multiple of 4 bytes, top row
 * first. libvips and PNG work with tightly packed R, G, B rows. These functions convert
 * between the two.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavdb::imaging {

/* Bytes per row of a width-pixel row at bitsPerPixel, rounded up to whole 32-bit words. */
constexpr std::size_t rowStride(int width, int bitsPerPixel)
{
    return ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

/* Tightly packed RGB rows to padded BGR rows (the catalogue's thumbnail layout). */
std::vector<uint8_t> rgbToPaddedBgr(const uint8_t* rgb, int width, int height);

/* Padded BGR rows to tightly packed RGB rows; the input holds rowStride(width,24)*height. */
std::vector<uint8_t> paddedBgrToRgb(const uint8_t* bgr, int width, int height);

} // namespace kavdb::imaging
