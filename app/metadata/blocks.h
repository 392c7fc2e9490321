/*
 * The metadata blocks of a photo: its EXIF, IPTC-IIM and XMP, parsed by Exiv2 from the
 * bytes already in memory. Containers Exiv2 does not open itself here (HEIF, AVIF) hand
 * their EXIF and XMP blocks over through libvips, whose loader finds them in the file.
 * A sidecar (name.xmp or name.ext.xmp) is an XMP packet alone, read from its own file.
 */
#pragma once

#include <exiv2/exiv2.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavdb::metadata {

struct Blocks {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
};

/* The blocks of an encoded photo held in memory; a block the photo lacks, or one that
 * cannot be parsed, is left empty. Never throws. */
Blocks readBlocks(const uint8_t* data, std::size_t size);

/* The XMP packet of a sidecar file; empty when it cannot be read or parsed. */
Exiv2::XmpData readSidecar(const std::string& path);

/* Exiv2 set up for this process: its warnings muted (a damaged maker note is not the
 * user's business) and its XMP parser started with a lock, as photos are read on several
 * threads. Every function here calls it. */
void startExiv2();

} // namespace kavdb::metadata
