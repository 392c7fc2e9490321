/*
 * What people wrote about a photo, from its IPTC-IIM datasets and XMP packets (embedded,
 * and in sidecar files), as items of the catalogue's tables:
 *   Caption   Title, Description, Keywords      Rating   Stars, Label
 *   People    PersonName                         Location Country, City, Place
 * Keywords and people are lists: one text of entries separated by "; " (values.h). Each
 * item comes from the first source that has it: sidecars first (what a photo manager
 * wrote last), then the embedded XMP, then IPTC-IIM.
 */
#pragma once

#include "metadata/blocks.h"
#include "metadata/values.h"

#include <vector>

namespace kavdb::metadata {

PhotoItems descriptiveItems(const Blocks& blocks, const std::vector<Exiv2::XmpData>& sidecars = {});

} // namespace kavdb::metadata
