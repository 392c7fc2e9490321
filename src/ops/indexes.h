/*
 * Making the catalogue's text and place indexes from items the application names. Every
 * name is checked against the configuration and the catalogue before anything is
 * written; an index already made of the same items is left as it is.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* items: "Table.Item" each, text items of configured tables. */
HResult createTextIndex(DBHandle* h, const StringList* items);
HResult createPlaceIndex(DBHandle* h, const char* table, const char* latitude,
                         const char* longitude);
/* The planner's statistics sampled again when they are missing or out of date. */
HResult refreshStatistics(DBHandle* h);

} // namespace kavdb::ops
