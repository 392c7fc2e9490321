/*
 * XMP sidecars: the files photo managers write beside a photo to hold what they know of
 * it, named "name.xmp" (the photo's name without its extension) or "name.ext.xmp". A
 * sidecar belongs to its photo: its items are read with the photo's, and it is never
 * catalogued as a file of its own while its photo is beside it.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb {

/* The sidecars of a photo that exist on disk, "name.ext.xmp" before "name.xmp". */
std::vector<std::string> sidecarsOf(const std::string& photo);

/* True for a sidecar whose photo is in the same folder. */
bool isSidecarOfAPhoto(const std::string& path);

/* Where a photo's sidecar goes when the photo becomes `to`: the same form of name. */
std::string sidecarFor(const std::string& sidecar, const std::string& from, const std::string& to);

} // namespace kavdb
