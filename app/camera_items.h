/*
 * Camera metadata as the items of the catalogue's "ExifInfo" table, shaped by the
 * configuration the catalogue was opened with: only items the table configures are
 * kept, each with its configured kind (integer or text), texts cut to the configured size.
 */
#pragma once

#include "catalogue.h"
#include "imaging/exif.h"

#include <string>
#include <vector>

namespace kavdb {

/* The metadata table camera items go to. */
inline const char* const kCameraTable = "ExifInfo";

/* The camera items that the configuration's ExifInfo table can hold. */
TableItems cameraTableItems(const imaging::CameraMetadata& camera,
                            const std::vector<ConfiguredItem>& configured);

} // namespace kavdb
