/*
 * Pixel-row arithmetic of the image records: a thumbnail holds 24-bit pixels in rows
 * padded to a multiple of 4 bytes, so its byte size is RowStride(width, 24) * height.
 */
#pragma once

#include "store/datetext.h"

#include <cstdint>

namespace kavdb::frame {

/* Bytes in one pixel row: width * bitsPerPixel bits rounded up to whole 32-bit words. */
inline int64_t RowStride(int32_t width, int32_t bitsPerPixel) noexcept
{
    return store::rowStride(width, bitsPerPixel);
}

} // namespace kavdb::frame
