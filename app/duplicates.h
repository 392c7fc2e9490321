/*
 * Duplicate photos from their fingerprints (fingerprint.h): identical files share their
 * content hash; similar pictures (resized, re-encoded, slightly cropped copies) have
 * perceptual hashes within a few bits, found through the Hamming index, never by
 * comparing every pair; each pair found is then checked on the finer hash, which tells a
 * copy from the next frame of a burst.
 */
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavdb {

struct FingerprintedFile {
    std::string path;
    std::string content;           // content hash
    std::optional<uint64_t> image; // perceptual hash, when the picture was decoded
    std::vector<uint64_t> detail;  // the finer 256-bit hash (four words), or empty
};

struct DuplicateGroup {
    bool identical = false;         // same bytes; else similar pictures
    std::vector<std::string> paths; // sorted
};

/* The default for how many of 64 bits similar pictures may differ in; measured on resized,
 * re-encoded and cropped copies against burst-like near misses (dupes_test.cpp). */
constexpr int kDefaultDistance = 8;
constexpr int kMaxDistance = 12;
/* How many of the finer hash's 256 bits may differ (measured the same way). */
constexpr int kDetailDistance = 22;

/* Groups of identical files, then groups of similar pictures (pictures chained by
 * pairs within `distance` bits; every file of such a picture is listed, so identical
 * files that also have similar ones appear in both kinds of group). */
std::vector<DuplicateGroup> findDuplicates(const std::vector<FingerprintedFile>& files,
                                           int distance);

} // namespace kavdb
