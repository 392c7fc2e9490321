/*
 * The engine's planner statistics for a file catalogue. Without them SQLite takes every
 * table for a million rows and walks MainTable first in a composed search, reading every
 * file's record (the whole file at a million photos) to keep a few thousand; with them it
 * starts from the narrow metadata table and looks the files up by their link's index.
 */
#pragma once

#include "store/engine/connection.h"

namespace kavdb::store {

/* Samples every table and index again when there is no sample yet or MainTable's row
 * count has changed tenfold since the last one; true when it sampled. A server keeps its
 * own statistics: false there, nothing done. */
bool refreshStatistics(engine::Connection& c);

} // namespace kavdb::store
