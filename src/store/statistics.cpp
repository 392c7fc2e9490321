/*
 * Planner statistics (statistics.h).
 */
#include "store/statistics.h"

#include "store/index_definition.h"
#include "store/native_rows.h"

#include <algorithm>

namespace kavdb::store {
namespace {

// Plans change on orders of magnitude, not on the last thousand files; sampling again at
// every tenfold keeps the cost of keeping them to a handful of samples over a catalogue's life.
constexpr int64_t kStaleFactor = 10;
// Rows read of each index: 65 ms for the whole catalogue at a million files, where a full
// pass reads every page. The plans turn on sizes apart by orders of magnitude (a thousand
// metadata rows against a million files), which a sample tells as well.
constexpr int kSampleRows = 1000;

/* MainTable's row count as the last sample saw it; -1 when there is none. The first
 * number of an index's statistics is its table's row count. */
int64_t sampledFiles(engine::Connection& c)
{
    if (nativeCount(c, "SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_stat1'") == 0) {
        return -1;
    }
    return nativeCount(
        c, "SELECT CAST(stat AS INTEGER) FROM sqlite_stat1 WHERE tbl = 'MainTable' LIMIT 1");
}

/* An upper bound of MainTable's row count in two key look-ups, where count(*) would read a
 * whole index: only deleting most of a catalogue makes it far off, and then sampling
 * again costs little. Each end has a query of its own: SQLite finds a lone min() or max()
 * at the end of the key, but reads the whole table for the two in one query. */
int64_t filesBound(engine::Connection& c)
{
    return nativeCount(c, "SELECT coalesce((SELECT max(FieldID) FROM MainTable) - "
                          "(SELECT min(FieldID) FROM MainTable) + 1, 0)");
}

bool stale(int64_t sampled, int64_t files)
{
    if (sampled < 0) {
        return true;
    }
    int64_t low = std::max<int64_t>(std::min(sampled, files), 1);
    return std::max(sampled, files) >= kStaleFactor * low;
}

} // namespace

bool refreshStatistics(engine::Connection& c)
{
    if (onServer(c) || !stale(sampledFiles(c), filesBound(c))) {
        return false;
    }
    runNative(c, "PRAGMA analysis_limit = " + std::to_string(kSampleRows));
    runNative(c, "ANALYZE");
    return true;
}

} // namespace kavdb::store
