/*
 * PNG and JPEG encoding of packed 8-bit RGB pixels, for the contact sheet's thumbnail
 * files, through libvips' savers.
 */
#pragma once

#include <cstdint>
#include <vector>

namespace kavdb::imaging {

/* PNG bytes of width x height packed RGB pixels; throws ImageError. */
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, int width, int height);

/* JPEG bytes (quality 85) of width x height packed RGB pixels; throws ImageError. */
std::vector<uint8_t> encodeJpeg(const std::vector<uint8_t>& rgb, int width, int height);

} // namespace kavdb::imaging
