/*
 * A photo's items (camera and descriptive metadata) shaped by the configuration the
 * catalogue was opened with: only items a configured table holds are kept, each in its
 * configured kind (text cut to the configured size, whole number, or number), grouped by
 * table in configuration order.
 */
#pragma once

#include "catalogue.h"
#include "metadata/values.h"

#include <string>
#include <vector>

namespace kavdb {

/* The items the configuration can hold, one TableItems per table that gets any. */
std::vector<TableItems> configuredTables(const metadata::PhotoItems& items,
                                         const std::vector<ConfiguredItem>& configured);

/* The 1-based number of a table in the configuration (its link column is DataID<n>);
 * 0 when it is not configured. */
int tableNumber(const std::vector<ConfiguredItem>& configured, const std::string& table);

/* A number as the shortest text that reads back as the same double ("7.1", "135"). */
std::string numberText(double value);

} // namespace kavdb
