/*
 * A file's row in one metadata table, forgotten: the file's link to the row is cleared
 * and the row itself removed when no other file links to it. Metadata writes keep the
 * items a write does not mention, so a photo read again starts from here: an item the
 * new file lacks is then Null, as after its first reading, never a 0 or an empty text.
 * Plain SQL over MainTable and the metadata table, through the catalogue's own calls.
 */
#pragma once

#include "catalogue.h"

#include <string>

namespace kavdb {

/* tableNumber: the table's place in the configuration (its link column DataID<n>). A
 * file without a row there is no failure. */
Outcome clearTableRow(Catalogue& catalogue, const std::string& path, const std::string& table,
                      int tableNumber);

} // namespace kavdb
