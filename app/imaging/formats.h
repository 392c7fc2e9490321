/*
 * Which files kavdb treats as photos: those whose extension names an image format that
 * this machine's libvips can decode (JPEG, PNG, TIFF, WebP, GIF always; HEIF/AVIF, JPEG 2000
 * and others only when libvips was built with their loaders), and RAW camera files. Other
 * files are catalogued without an image record.
 */
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavdb::imaging {

/* True for a file name whose extension (any letter case) is a decodable image format. */
bool isImageFileName(const std::filesystem::path& name);

/* True when the name's extension, in any letter case, is one of `extensions` (lower case,
 * with their dot). */
bool hasExtension(const std::filesystem::path& name, const std::vector<std::string>& extensions);

/* The extensions accepted here, lower case with their dot, for help texts. */
const std::vector<std::string>& imageExtensions();

} // namespace kavdb::imaging
