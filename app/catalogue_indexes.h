/*
 * The indexes kavdb keeps in its catalogues: a text index over what people write about
 * photos and what cameras call themselves, and a place index over their GPS positions.
 * Made by the first command that writes to a catalogue; the library keeps them in step.
 */
#pragma once

#include "catalogue.h"

#include <string>
#include <vector>

namespace kavdb {

/* "Table.Item" for each configured text item the text index reads. */
std::vector<std::string> textIndexItems(const std::vector<ConfiguredItem>& configured);

/* Makes both indexes unless they exist as they should; an engine without them is not a
 * failure. */
Outcome ensureIndexes(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured);

} // namespace kavdb
