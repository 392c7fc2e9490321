/*
 * Finding every pair of 64-bit hashes within a Hamming distance without comparing all
 * pairs: a multi-index over the hashes' four 16-bit blocks. Two hashes within distance d
 * agree within d / 4 bits on at least one block (four blocks cannot all differ in more),
 * so each hash looks only at the buckets of its blocks' near values, and each candidate
 * found there is checked whole.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kavdb {

class HammingIndex {
  public:
    explicit HammingIndex(const std::vector<uint64_t>& hashes);

    /* Calls found(i, j), i < j, for every pair of hashes at most `distance` bits apart
     * (some pairs more than once). */
    void forEachPairWithin(int distance,
                           const std::function<void(std::size_t, std::size_t)>& found) const;

    static constexpr int kBlocks = 4;

  private:
    static uint32_t block(uint64_t hash, int b) { return (hash >> (16 * b)) & 0xffff; }

    const std::vector<uint64_t>& hashes_;
    // Per block: the hashes' indices ordered by that block's value, and where each
    // value's bucket starts (65,537 entries).
    std::vector<std::vector<uint32_t>> members_;
    std::vector<std::vector<uint32_t>> starts_;
};

/* Whether a pair the index found belongs together after all (a finer check). */
using PairCheck = std::function<bool(std::size_t, std::size_t)>;

/* The groups of hashes joined by chains of pairs within `distance` that pass `check`
 * (single linkage), each group's indices ascending, groups of one left out. */
std::vector<std::vector<std::size_t>> nearGroups(const std::vector<uint64_t>& hashes, int distance,
                                                 const PairCheck& check = nullptr);

} // namespace kavdb
