/*
 * Finding every pair of 64-bit hashes within a Hamming distance without comparing all
 * pairs: a multi-index over the hashes' four 16-bit blocks. Two hashes within distance d
 * agree within d / 4 bits on at least one block (four blocks cannot all differ in more),
 * so only hashes in buckets whose block values are that close are compared, bucket
 * against bucket, each bucket's hashes side by side in memory. Blocks are searched on
 * as many threads as the machine has processors.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace kavdb {

using HashPair = std::pair<uint32_t, uint32_t>; // indices, first < second

/* Every pair of hashes at most `distance` bits apart (a pair may come more than once). */
std::vector<HashPair> pairsWithin(const std::vector<uint64_t>& hashes, int distance);

/* Whether a pair the index found belongs together after all (a finer check). */
using PairCheck = std::function<bool(std::size_t, std::size_t)>;

/* The groups of hashes joined by chains of pairs within `distance` that pass `check`
 * (single linkage), each group's indices ascending, groups of one left out. */
std::vector<std::vector<std::size_t>> nearGroups(const std::vector<uint64_t>& hashes, int distance,
                                                 const PairCheck& check = nullptr);

} // namespace kavdb
