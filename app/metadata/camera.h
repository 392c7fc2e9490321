/*
 * Camera metadata as the items of the catalogue's "ExifInfo" table, read with Exiv2's own
 * readers where it has them (dateTimeOriginal, isoSpeed with the maker notes, lensName):
 * Make, Model, DateTaken with DateSource (which field gave it), ExposureTime (seconds) and
 * ExposureText ("1/160"), FNumber, ISO, FocalLength, FocalLength35, Orientation, Lens,
 * GPSLatitude, GPSLongitude, GPSAltitude. Numbers are numbers (values.h). An item the
 * photo does not carry is left out: nothing is ever guessed or taken from a field that
 * means something else (a file's modification date is not the date taken).
 */
#pragma once

#include "metadata/blocks.h"
#include "metadata/values.h"

#include <vector>

namespace kavdb::metadata {

/* The metadata table camera items go to. */
inline const char* const kCameraTable = "ExifInfo";

/* The camera items of a photo's blocks; sidecars (XMP of their own) are consulted for the
 * date taken after the photo's own EXIF, before its embedded XMP. */
PhotoItems cameraItems(const Blocks& blocks, const std::vector<Exiv2::XmpData>& sidecars = {});

/* True when a lens name agrees with the focal length the photo was taken at: a name
 * whose millimetres ("28mm", "17-85 mm") cannot have taken it is a guess. Names without
 * millimetres agree. */
bool lensAgrees(const std::string& lens, double focalLength);

} // namespace kavdb::metadata
