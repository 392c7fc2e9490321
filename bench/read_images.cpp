/*
 * Reading the image records of one folder through the callback walk, against raw SQLite
 * reading the same thumbnails with one statement. Each also reports how far the heap grew
 * at its peak during the walk, which must not depend on the size of the folder.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"

#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

using namespace kavdb::bench;

constexpr int kThumbSide = 64; // 64 x 64 at 24 bits: 12,288 bytes

struct Folder {
    std::string catalogue;
    std::string folder;
    StringList paths; // in name order
};

/* A catalogue holding one folder of n files with thumbnails, made once per size. */
const Folder& folderOf(int n)
{
    static std::map<int, Folder> made;
    auto it = made.find(n);
    if (it != made.end()) {
        return it->second;
    }
    Folder f;
    f.catalogue = freshCatalogue();
    f.folder = scratchDir() + "/images" + std::to_string(n) + "/";
    std::vector<unsigned char> pixels(kThumbSide * 3 * kThumbSide, 0x5a);
    ImageData image{
        pixels.data(), kThumbSide, kThumbSide, 4000, 3000, 24, {2004, 7, 1, 5, 9, 8, 7, 6}};
    DBHandle* h = nullptr;
    KaAVDBCreate(f.catalogue.c_str());
    KaAVDBOpen(f.catalogue.c_str(), &h);
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "img%06d.jpg", i);
        f.paths.push_back(f.folder + name);
        KaAVDBRegisterFile(h, f.paths.back().c_str(), nullptr, &image);
    }
    KaAVDBClose(h);
    return made[n] = std::move(f);
}

/* The heap's growth above its level at the start of a walk, at its highest. Sampling
 * walks the allocator's bins, so it runs in one extra walk that is not timed. */
struct HeapPeak {
    size_t start = mallinfo2().uordblks;
    size_t peak = start;
    void sample() { peak = std::max(peak, mallinfo2().uordblks); }
    double grownKiB() const { return static_cast<double>(peak - start) / 1024.0; }
};

struct Walk {
    explicit Walk(bool measure) : measure(measure) {}
    bool measure;
    HeapPeak heap;
    size_t bytes = 0;
    int found = 0;

    void take(const unsigned char* thumbnail)
    {
        if (measure) {
            heap.sample();
        }
        bytes += thumbnail[100];
        ++found;
    }
};

int32_t onImage(int32_t status, void* context, ImageReadRecord* record)
{
    if (status == 1 && record->Image.Thumbnail != nullptr) {
        static_cast<Walk*>(context)->take(record->Image.Thumbnail);
    }
    FreeImageData(&record->Image);
    return 0;
}

/* Runs walk over the timed iterations, then once more, untimed, measuring the heap. */
template <class WalkFn> void runWalks(benchmark::State& state, WalkFn&& walkOnce)
{
    for (auto _ : state) {
        Walk walk(false);
        if (!walkOnce(walk) || walk.found != state.range(0)) {
            state.SkipWithError("the walk did not read every file");
        }
    }
    Walk measured(true);
    walkOnce(measured);
    state.counters["peak_heap_growth_KiB"] = measured.heap.grownKiB();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ReadImages(benchmark::State& state)
{
    const Folder& f = folderOf(static_cast<int>(state.range(0)));
    DBHandle* h = nullptr;
    KaAVDBOpen(f.catalogue.c_str(), &h);
    StringList paths = f.paths;
    runWalks(state,
             [&](Walk& walk) { return KaAVDBReadImages(h, &walk, &paths, &onImage) == S_OK; });
    KaAVDBClose(h);
}
BENCHMARK(ReadImages)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

/* The same records read by hand: one statement, each thumbnail copied into a buffer of
 * its own and the time text decoded, as an application would need them. */
bool readByHand(sqlite3* db, sqlite3_stmt* st, const std::string& folder, Walk& walk)
{
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(st, 1, folder.c_str(), -1, SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ImageReadRecord record{};
        std::snprintf(record.Path, sizeof record.Path, "%s%s", folder.c_str(),
                      reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        record.Image.Width = sqlite3_column_int(st, 1);
        record.Image.Height = sqlite3_column_int(st, 2);
        record.Image.Bitcount = sqlite3_column_int(st, 3);
        record.Image.ThumbnailWidth = sqlite3_column_int(st, 4);
        record.Image.ThumbnailHeight = sqlite3_column_int(st, 5);
        int size = sqlite3_column_bytes(st, 6);
        auto* thumb = static_cast<unsigned char*>(std::malloc(size));
        std::memcpy(thumb, sqlite3_column_blob(st, 6), size);
        record.Image.Thumbnail = thumb;
        STRtoSYSTEMTIME(&record.Image.UpdateTM,
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 7)));
        walk.take(thumb);
        std::free(thumb);
    }
    sqlite3_reset(st);
    return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void ReadImages_baseline(benchmark::State& state)
{
    const Folder& f = folderOf(static_cast<int>(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open(f.catalogue.c_str(), &db);
    // The page cache the library's connections use, so that both read from the same place.
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT Filename, Width, Height, Bitcount, ThumbnailWidth, ThumbnailHeight,"
                       " Thumbnail, UpdateTM FROM MainTable WHERE PathID = (SELECT PathID FROM"
                       " PathTable WHERE Pathname = ?) ORDER BY Filename",
                       -1, &st, nullptr);
    runWalks(state, [&](Walk& walk) { return readByHand(db, st, f.folder, walk); });
    sqlite3_finalize(st);
    sqlite3_close(db);
}
BENCHMARK(ReadImages_baseline)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

KAVDB_BENCHMARK_MAIN();
