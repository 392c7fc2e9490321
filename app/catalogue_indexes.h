/*
 * The indexes kavdb keeps in its catalogues: a text index over what people write about
 * photos and what cameras call themselves, a place index over their GPS positions, and
 * an index on the date taken.
 * Made by the first command that writes to a catalogue; the library keeps them in step.
 */
#pragma once

#include "catalogue.h"

#include <string>
#include <vector>

namespace kavdb {

/* "Table.Item" for each configured text item the text index reads. */
std::vector<std::string> textIndexItems(const std::vector<ConfiguredItem>& configured);

/* Makes the indexes unless they exist as they should; an engine without the text or place
 * index is not a failure. */
Outcome ensureIndexes(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured);

} // namespace kavdb
