/*
 * A catalogue made with an older configuration lacks the item columns added since (the
 * number items GPSAltitude and FocalLength35, ExposureText, DateSource): kavdb adds each
 * missing column before it writes, with the Jet type of its configured kind. A column
 * already there keeps its type: a catalogue whose camera numbers were made as text keeps
 * comparing them as text. A configured table beyond those the library adds itself (the
 * Fingerprint table) is made whole, with its link column and key.
 */
#pragma once

#include "catalogue.h"

#include <vector>

namespace kavdb {

/* Adds the configured items that the catalogue's tables lack, and the tables past the
 * library's own that it lacks altogether. */
Outcome addMissingColumns(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured);

/* The Jet column type of a configured kind; empty for an unknown kind. */
std::string jetColumnType(int32_t kind);

} // namespace kavdb
