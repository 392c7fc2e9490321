/*
 * Grouping duplicates (duplicates.h): one hash per distinct content goes to the index.
 */
#include "duplicates.h"

#include "hamming_index.h"

#include <algorithm>
#include <bit>
#include <unordered_map>

namespace kavdb {
namespace {

bool byFirstPath(const DuplicateGroup& a, const DuplicateGroup& b)
{
    return a.identical != b.identical ? a.identical : a.paths.front() < b.paths.front();
}

/* Bits in which two finer hashes differ; 0 when either is missing (the coarse hash
 * decides alone). */
int detailDistance(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b)
{
    int bits = 0;
    for (std::size_t w = 0; w < a.size() && a.size() == b.size(); ++w)
        bits += std::popcount(a[w] ^ b[w]);
    return bits;
}

} // namespace

std::vector<DuplicateGroup> findDuplicates(const std::vector<FingerprintedFile>& files,
                                           int distance)
{
    // Distinct contents, each with its files and its picture's hash.
    std::unordered_map<std::string, std::size_t> contentIndex;
    std::vector<std::vector<std::string>> pathsOf;
    std::vector<std::optional<uint64_t>> hashOf;
    std::vector<const std::vector<uint64_t>*> detailOf;
    for (const FingerprintedFile& file : files) {
        auto [it, fresh] = contentIndex.try_emplace(file.content, pathsOf.size());
        if (fresh) {
            pathsOf.emplace_back();
            hashOf.push_back(file.image);
            detailOf.push_back(&file.detail);
        }
        pathsOf[it->second].push_back(file.path);
    }
    std::vector<DuplicateGroup> groups;
    for (std::vector<std::string>& paths : pathsOf) {
        std::sort(paths.begin(), paths.end());
        if (paths.size() > 1)
            groups.push_back({true, paths});
    }
    std::vector<uint64_t> hashes;
    std::vector<std::size_t> contentOf;
    for (std::size_t c = 0; c < hashOf.size(); ++c)
        if (hashOf[c]) {
            hashes.push_back(*hashOf[c]);
            contentOf.push_back(c);
        }
    auto detailsAgree = [&](std::size_t i, std::size_t j) {
        return detailDistance(*detailOf[contentOf[i]], *detailOf[contentOf[j]]) <= kDetailDistance;
    };
    for (const std::vector<std::size_t>& near : nearGroups(hashes, distance, detailsAgree)) {
        DuplicateGroup group{false, {}};
        for (std::size_t member : near)
            for (const std::string& path : pathsOf[contentOf[member]])
                group.paths.push_back(path);
        std::sort(group.paths.begin(), group.paths.end());
        groups.push_back(std::move(group));
    }
    std::sort(groups.begin(), groups.end(), byFirstPath);
    return groups;
}

} // namespace kavdb
