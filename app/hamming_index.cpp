/*
 * The multi-index (hamming_index.h) and the grouping over it, with a union-find.
 */
#include "hamming_index.h"

#include <algorithm>
#include <bit>
#include <future>
#include <numeric>
#include <thread>

namespace kavdb {
namespace {

constexpr int kBlocks = 4;
constexpr uint32_t kValues = 1u << 16;

uint32_t blockOf(uint64_t hash, int b)
{
    return (hash >> (16 * b)) & 0xffff;
}

/* The 16-bit masks of at most `bits` set bits. */
std::vector<uint32_t> masksUpTo(int bits)
{
    std::vector<uint32_t> masks;
    for (uint32_t m = 0; m < kValues; ++m)
        if (std::popcount(m) <= bits)
            masks.push_back(m);
    return masks;
}

/* The hashes ordered by one block's value, with where each value's bucket starts. */
struct Buckets {
    std::vector<uint64_t> hashes;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> starts; // kValues + 1 entries
};

Buckets bucketsOf(const std::vector<uint64_t>& hashes, int b)
{
    Buckets out{std::vector<uint64_t>(hashes.size()), std::vector<uint32_t>(hashes.size()),
                std::vector<uint32_t>(kValues + 1, 0)};
    for (uint64_t h : hashes)
        ++out.starts[blockOf(h, b) + 1];
    std::partial_sum(out.starts.begin(), out.starts.end(), out.starts.begin());
    std::vector<uint32_t> next(out.starts.begin(), out.starts.end() - 1);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        const uint32_t at = next[blockOf(hashes[i], b)]++;
        out.hashes[at] = hashes[i];
        out.indices[at] = static_cast<uint32_t>(i);
    }
    return out;
}

void addPair(std::vector<HashPair>& out, uint32_t a, uint32_t b)
{
    out.push_back(a < b ? HashPair{a, b} : HashPair{b, a});
}

/* The pairs found through one block: buckets v and v ^ mask, each pair of buckets once. */
std::vector<HashPair> pairsThroughBlock(const std::vector<uint64_t>& hashes, int b, int distance,
                                        const std::vector<uint32_t>& masks)
{
    const Buckets buckets = bucketsOf(hashes, b);
    const auto& h = buckets.hashes;
    std::vector<HashPair> out;
    for (uint32_t v = 0; v < kValues; ++v) {
        const uint32_t first = buckets.starts[v], end = buckets.starts[v + 1];
        for (uint32_t mask : masks) {
            const uint32_t w = v ^ mask;
            if (first == end || w < v)
                continue;
            for (uint32_t x = first; x < end; ++x)
                for (uint32_t y = (w == v ? x + 1 : buckets.starts[w]); y < buckets.starts[w + 1];
                     ++y)
                    if (std::popcount(h[x] ^ h[y]) <= distance)
                        addPair(out, buckets.indices[x], buckets.indices[y]);
        }
    }
    return out;
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

std::vector<HashPair> pairsWithin(const std::vector<uint64_t>& hashes, int distance)
{
    const std::vector<uint32_t> masks = masksUpTo(distance / kBlocks);
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<HashPair> pairs;
    for (int first = 0; first < kBlocks; first += static_cast<int>(threads)) {
        std::vector<std::future<std::vector<HashPair>>> running;
        for (int b = first; b < std::min<int>(kBlocks, first + static_cast<int>(threads)); ++b)
            running.push_back(std::async(std::launch::async, pairsThroughBlock, std::cref(hashes),
                                         b, distance, std::cref(masks)));
        for (auto& r : running) {
            std::vector<HashPair> found = r.get();
            pairs.insert(pairs.end(), found.begin(), found.end());
        }
    }
    return pairs;
}

std::vector<std::vector<std::size_t>> nearGroups(const std::vector<uint64_t>& hashes, int distance,
                                                 const PairCheck& check)
{
    UnionFind sets(hashes.size());
    for (auto [i, j] : pairsWithin(hashes, distance))
        if (sets.find(i) != sets.find(j) && (!check || check(i, j)))
            sets.unite(i, j);
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
