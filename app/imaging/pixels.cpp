/*
 * Conversions between packed RGB rows and the catalogue's padded BGR thumbnail rows.
 */
#include "imaging/pixels.h"

namespace kavdb::imaging {

std::vector<uint8_t> rgbToPaddedBgr(const uint8_t* rgb, int width, int height)
{
    const std::size_t stride = rowStride(width, 24);
    std::vector<uint8_t> out(stride * height, 0); // padding bytes stay zero
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = rgb + static_cast<std::size_t>(y) * width * 3;
        uint8_t* dst = out.data() + y * stride;
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

std::vector<uint8_t> paddedBgrToRgb(const uint8_t* bgr, int width, int height)
{
    const std::size_t stride = rowStride(width, 24);
    std::vector<uint8_t> out(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bgr + y * stride;
        uint8_t* dst = out.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return out;
}

} // namespace kavdb::imaging
