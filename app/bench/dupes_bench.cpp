/*
 * Grouping duplicates among 1,000,000 photos: fingerprints as a large catalogue holds them
 * (every photo its content hash and perceptual hashes; 5% of the pictures with a resized
 * or re-encoded copy, a few bits off, 1% with an identical copy), grouped at the default
 * distance through the Hamming index. Target: all groups in at most 60 s on 2 cores.
 * KAVDB_BENCH_HASHES=N sets the number of photos.
 */
#include "duplicates.h"
#include "fingerprint.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

constexpr double kTargetSeconds = 60;

std::size_t photoCount()
{
    const char* text = std::getenv("KAVDB_BENCH_HASHES");
    long n = text ? std::atol(text) : 0;
    return n > 0 ? static_cast<std::size_t>(n) : 1000000;
}

uint64_t flipped(uint64_t hash, int bits, std::mt19937_64& rng)
{
    for (int i = 0; i < bits; ++i)
        hash ^= uint64_t{1} << (rng() % 64);
    return hash;
}

std::vector<kavdb::FingerprintedFile> catalogueFingerprints(std::size_t count)
{
    std::mt19937_64 rng(2024);
    std::vector<kavdb::FingerprintedFile> files;
    files.reserve(count);
    while (files.size() < count) {
        const std::string path = "/photos/" + std::to_string(files.size() / 1000) + "/IMG_" +
                                 std::to_string(files.size()) + ".jpg";
        const uint64_t image = rng();
        std::vector<uint64_t> detail = {rng(), rng(), rng(), rng()};
        files.push_back({path, kavdb::hashText(rng()) + kavdb::hashText(rng()), image, detail});
        const uint64_t roll = rng() % 100;
        if (roll < 5) { // a similar copy: a few bits off, the finer hash close too
            for (uint64_t& word : detail)
                word = flipped(word, 2, rng);
            files.push_back({path + ".small.jpg", kavdb::hashText(rng()) + kavdb::hashText(rng()),
                             flipped(image, static_cast<int>(rng() % 5), rng), detail});
        } else if (roll < 6) { // an identical copy
            files.push_back({path + ".copy.jpg", files.back().content, image, detail});
        }
    }
    files.resize(count);
    return files;
}

void BM_GroupDuplicates(benchmark::State& state)
{
    static const std::vector<kavdb::FingerprintedFile> files = catalogueFingerprints(photoCount());
    std::size_t groups = 0;
    for (auto _ : state)
        groups = kavdb::findDuplicates(files, kavdb::kDefaultDistance).size();
    state.counters["photos"] = static_cast<double>(files.size());
    state.counters["groups"] = static_cast<double>(groups);
    state.counters["target_s"] = kTargetSeconds;
}

} // namespace

BENCHMARK(BM_GroupDuplicates)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_MAIN();
