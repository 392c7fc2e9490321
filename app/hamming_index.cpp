/*
 * The multi-index (hamming_index.h) and the grouping over it, with a union-find.
 */
#include "hamming_index.h"

#include <bit>
#include <numeric>

namespace kavdb {
namespace {

constexpr uint32_t kValues = 1u << 16;

/* The 16-bit masks of at most `bits` set bits. */
std::vector<uint32_t> masksUpTo(int bits)
{
    std::vector<uint32_t> masks;
    for (uint32_t m = 0; m < kValues; ++m)
        if (std::popcount(m) <= bits)
            masks.push_back(m);
    return masks;
}

class UnionFind {
  public:
    explicit UnionFind(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
    std::size_t find(std::size_t i)
    {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void unite(std::size_t a, std::size_t b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            parent_[std::max(a, b)] = std::min(a, b);
    }

  private:
    std::vector<std::size_t> parent_;
};

} // namespace

HammingIndex::HammingIndex(const std::vector<uint64_t>& hashes)
    : hashes_(hashes), members_(kBlocks), starts_(kBlocks)
{
    for (int b = 0; b < kBlocks; ++b) {
        std::vector<uint32_t>& start = starts_[b];
        start.assign(kValues + 1, 0);
        for (uint64_t h : hashes)
            ++start[block(h, b) + 1];
        std::partial_sum(start.begin(), start.end(), start.begin());
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        members_[b].resize(hashes.size());
        for (std::size_t i = 0; i < hashes.size(); ++i)
            members_[b][next[block(hashes[i], b)]++] = static_cast<uint32_t>(i);
    }
}

void HammingIndex::forEachPairWithin(
    int distance, const std::function<void(std::size_t, std::size_t)>& found) const
{
    const std::vector<uint32_t> masks = masksUpTo(distance / kBlocks);
    for (std::size_t i = 0; i < hashes_.size(); ++i)
        for (int b = 0; b < kBlocks; ++b)
            for (uint32_t mask : masks) {
                const uint32_t value = block(hashes_[i], b) ^ mask;
                for (uint32_t k = starts_[b][value]; k < starts_[b][value + 1]; ++k) {
                    const uint32_t j = members_[b][k];
                    if (j > i && std::popcount(hashes_[i] ^ hashes_[j]) <= distance)
                        found(i, j);
                }
            }
}

std::vector<std::vector<std::size_t>> nearGroups(const std::vector<uint64_t>& hashes, int distance,
                                                 const PairCheck& check)
{
    UnionFind sets(hashes.size());
    HammingIndex(hashes).forEachPairWithin(distance, [&](std::size_t i, std::size_t j) {
        if (sets.find(i) != sets.find(j) && (!check || check(i, j)))
            sets.unite(i, j);
    });
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> size(hashes.size(), 0);
    for (std::size_t i = 0; i < hashes.size(); ++i)
        ++size[sets.find(i)];
    std::vector<std::size_t> slot(hashes.size(), kNone);
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        const std::size_t root = sets.find(i);
        if (size[root] < 2)
            continue;
        if (slot[root] == kNone) {
            slot[root] = groups.size();
            groups.emplace_back();
        }
        groups[slot[root]].push_back(i);
    }
    return groups;
}

} // namespace kavdb
