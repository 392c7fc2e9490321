/*
 * RAW camera files (CR2, CR3, NEF, ARW, DNG, ORF, RW2, RAF and their kin): the facts the
 * catalogue keeps and the thumbnail. The thumbnail comes from the preview the camera
 * embedded, found by Exiv2's PreviewManager (decoding a small JPEG costs a fraction of
 * developing the sensor data); LibRaw is the fallback, first its own thumbnail, then a
 * half-size development. The RAW's orientation turns the result.
 */
#pragma once

#include "imaging/image_info.h"
#include "imaging/thumbnail.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kavdb::imaging {

/* True for a file name whose extension (any letter case) names a RAW format. */
bool isRawFileName(const std::filesystem::path& name);

/* The RAW extensions, lower case with their dot. */
const std::vector<std::string>& rawExtensions();

/* Width and height are the developed picture's, upright; a RAW counts 48 bits per pixel
 * (16-bit RGB, what it develops to). */
struct RawPicture {
    ImageInfo info;
    Thumbnail thumb;
};

/* Reads a RAW file held in memory; throws ImageError when neither a preview nor the
 * sensor data can be decoded. */
RawPicture readRaw(const uint8_t* data, std::size_t size, int box = kThumbnailBox);

} // namespace kavdb::imaging
