/*
 * One photo into the catalogue: the file is read from disk once, and from those bytes come
 * its size and bit depth, its thumbnail, its camera metadata and (from the file system) its
 * modification time; then the image record and the camera items are stored. Used by
 * `add` for new photos and by `refresh` for photos whose thumbnail was emptied.
 */
#pragma once

#include "catalogue.h"
#include "imaging/exif.h"

#include <string>
#include <vector>

namespace kavdb {

struct PhotoRecord {
    ImageRecord image;
    imaging::CameraMetadata camera;
};

/* Reads and decodes the photo at path; throws imaging::ImageError with a plain reason. */
PhotoRecord readPhoto(const std::string& path);

/* Stores the record of a photo. hasRow: the file already has its catalogue row (the
 * folder walk registered it), so the image record is updated; otherwise the file is
 * registered with it. Camera items go to ExifInfo when the configuration has them. */
Outcome storePhoto(Catalogue& catalogue, const std::string& path, const PhotoRecord& photo,
                   bool hasRow, const std::vector<ConfiguredItem>& configured);

} // namespace kavdb
