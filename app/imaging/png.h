/*
 * PNG encoding of packed 8-bit RGB pixels, for the contact sheet's data URIs.
 */
#pragma once

#include <cstdint>
#include <vector>

namespace kavdb::imaging {

/* PNG bytes of width x height packed RGB pixels; throws ImageError. */
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, int width, int height);

} // namespace kavdb::imaging
