/*
 * Camera metadata read from a photo's EXIF block with Exiv2, named as the items of the
 * catalogue's "ExifInfo" table: Make, Model, DateTaken, ExposureTime, FNumber, ISO,
 * FocalLength, Orientation, Lens, GPSLatitude, GPSLongitude. ISO and Orientation are
 * integers, the rest text (exif_format.h). Items the photo does not carry are left out.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kavdb::imaging {

struct CameraItem {
    std::string name;
    std::variant<std::string, int32_t> value;
};
using CameraMetadata = std::vector<CameraItem>;

/* The camera items of an encoded photo held in memory; empty when it has no EXIF block
 * or the block cannot be read. Never throws. */
CameraMetadata readCameraMetadata(const uint8_t* data, std::size_t size);

} // namespace kavdb::imaging
