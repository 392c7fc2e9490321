/*
 * A 64-bit perceptual hash of a picture (the DCT hash known as pHash): the picture in
 * grey at 32 x 32, its lowest 8 x 8 spatial frequencies, one bit per frequency for
 * "above the median". Resizing, re-encoding or cropping a few per cent changes few bits;
 * another picture differs in about half of them. Computed from the catalogue thumbnail,
 * which is already decoded.
 */
#pragma once

#include "imaging/thumbnail.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace kavdb::imaging {

/* The hash of a thumbnail (24-bit BGR rows padded to 4 bytes, as thumbnail.h makes them). */
uint64_t perceptualHash(const Thumbnail& thumb);

/* A finer hash of 256 bits (four words) from the 16 x 16 lowest frequencies of the
 * picture at 64 x 64: it tells a picture from the next frame of a burst, where the subject
 * has moved, which the 64-bit hash does not. */
std::vector<uint64_t> detailHash(const Thumbnail& thumb);

/* The number of bits in which two hashes differ. */
inline int hammingDistance(uint64_t a, uint64_t b)
{
    return std::popcount(a ^ b);
}

} // namespace kavdb::imaging
