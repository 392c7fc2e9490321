/*
 * One photo into the catalogue: the file is read from disk once, and from those bytes come
 * its size and bit depth, its thumbnail, its metadata (camera items, and what people wrote
 * in it or in its XMP sidecars), its fingerprints and (from the file system) its
 * modification time; then the
 * image record and the items are stored. Used by `add` for new photos and by `refresh`
 * for photos whose thumbnail was emptied.
 */
#pragma once

#include "catalogue.h"
#include "metadata/values.h"

#include <string>
#include <vector>

namespace kavdb {

struct PhotoRecord {
    ImageRecord image;
    metadata::PhotoItems items; // the fingerprints among them (fingerprint.h)
    std::string contentHash;
};

/* Reads and decodes the photo at path; throws imaging::ImageError with a plain reason. */
PhotoRecord readPhoto(const std::string& path);

/* Stores the record of a photo. hasRow: the file already has its catalogue row (the
 * folder walk registered it), so the image record is updated; otherwise the file is
 * registered with it. Items go to the tables the configuration gives them; the camera
 * items of a photo read again replace the old ones whole (what the file no longer
 * carries becomes Null), while descriptive items it lacks keep what was set by hand. */
Outcome storePhoto(Catalogue& catalogue, const std::string& path, const PhotoRecord& photo,
                   bool hasRow, const std::vector<ConfiguredItem>& configured);

} // namespace kavdb
