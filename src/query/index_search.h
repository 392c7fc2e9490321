/*
 * Searches through the catalogue's own indexes: by text (text_match.h, ranked by the
 * index) and by place (a box from the index, then the exact distance on the sphere).
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::query {

using store::HResult;

/* Appends the full paths of the files matching text to out, best first, at most limit
 * (all when limit < 1). KAVDB_E_NOT_FOUND when none match (a text without words matches
 * none), KAVDB_E_NO_SUCH_TABLE when the catalogue has no text index,
 * KAVDB_E_NOT_SUPPORTED when its engine cannot have one. */
HResult searchText(DBHandle* h, const char* text, int32_t limit, StringList* out);

/* The same for files within metres of a position (signed degrees), nearest first. */
HResult searchPlace(DBHandle* h, double latitude, double longitude, double metres, int32_t limit,
                    StringList* out);

/* Great-circle distance in metres between two positions (a sphere of 6,371,008.8 m). */
double distanceMetres(double lat1, double lon1, double lat2, double lon2);

} // namespace kavdb::query
