/*
 * A catalogue made with an older configuration lacks the item columns added since (the
 * number items GPSAltitude and FocalLength35, ExposureText, DateSource): kavdb adds each
 * missing column before it writes, with the Jet type of its configured kind. A column
 * already there keeps its type: a catalogue whose camera numbers were made as text keeps
 * comparing them as text.
 */
#pragma once

#include "catalogue.h"

#include <vector>

namespace kavdb {

/* Adds the configured items that the catalogue's tables lack; a table the catalogue lacks
 * altogether is the library's to add. */
Outcome addMissingColumns(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured);

/* The Jet column type of a configured kind; empty for an unknown kind. */
std::string jetColumnType(int32_t kind);

} // namespace kavdb
