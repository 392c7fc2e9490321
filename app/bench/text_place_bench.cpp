/*
 * The text and place indexes and the verified backup at a million photos, on a copy of
 * the generator's catalogue (generated_catalogue.h) given both indexes through the
 * library's exports: the first 200 results of text searches (target: p95 <= 100 ms), a
 * 10 km radius around the generated places, all of it and its nearest 200 (target: p95
 * <= 5 ms), and a backup followed
 * by a check of the catalogue (target: <= 10 s together). KAVDB_BENCH_MILLION=N makes
 * the catalogue N photos. KAVDB_BENCH_SERVER=URI runs the searches on a copy of it in that
 * PostgreSQL database instead (copied once, by KaAVDBCopyCatalogue); a server catalogue
 * has no backup of its own to time.
 */
#include "bench_main.h"
#include "generated_catalogue.h"

#include <algorithm>
#include <chrono>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kavdb;

namespace {

DBHandle* indexed = nullptr;
std::string indexedDir;

std::size_t largeCount()
{
    const char* text = std::getenv("KAVDB_BENCH_MILLION");
    long n = text ? std::atol(text) : 0;
    return n > 0 ? static_cast<std::size_t>(n) : 1000000;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* serverUri()
{
    return std::getenv("KAVDB_BENCH_SERVER");
}

/* The copy the searches read: a file beside the original, or the server's database. */
std::string copyOf(const bench::GeneratedCatalogue& c)
{
    if (serverUri() != nullptr) {
        StringList report;
        HRESULT hr = KaAVDBCopyCatalogue(c.db.c_str(), serverUri(), &report, nullptr, nullptr);
        if (hr != S_OK && hr != KAVDB_E_ALREADY_EXISTS) // already there: made by a run before
            std::abort();
        return serverUri();
    }
    const std::string db = c.dir + "/indexed.mdb";
    if (!fs::exists(db)) {
        fs::copy_file(c.db, db + ".part", fs::copy_options::overwrite_existing);
        fs::rename(db + ".part", db);
    }
    return db;
}

/* The generator's catalogue copied once and given both indexes (the original is left as
 * the other benchmarks know it). */
void prepare()
{
    bench::GeneratedCatalogue c = bench::generatedCatalogue(largeCount());
    indexedDir = c.dir;
    const std::string db = copyOf(c);
    if (KaAVDBOpen(db.c_str(), &indexed) != S_OK)
        std::abort();
    Clock::time_point start = Clock::now();
    StringList items{"Caption.Title", "Caption.Description", "Caption.Keywords",
                     "ExifInfo.Make", "ExifInfo.Model",      "ExifInfo.Lens"};
    if (KaAVDBCreateTextIndex(indexed, &items) != S_OK ||
        KaAVDBCreatePlaceIndex(indexed, "ExifInfo", "GPSLatitude", "GPSLongitude") != S_OK ||
        KaAVDBRefreshStatistics(indexed) != S_OK)
        std::abort();
    std::fprintf(stderr, "indexes ready in %.1f s\n", msSince(start) / 1000);
}

double percentile(std::vector<double> times, double p)
{
    std::sort(times.begin(), times.end());
    return times[static_cast<std::size_t>(p * (times.size() - 1))];
}

/* Runs search once per iteration with manual timing; p95 and median beside the target. */
template <class Search> void timedSearches(benchmark::State& state, double targetMs, Search search)
{
    std::vector<double> times;
    std::size_t found = 0;
    for (auto _ : state) {
        StringList out;
        Clock::time_point start = Clock::now();
        search(times.size(), out);
        double ms = msSince(start);
        times.push_back(ms);
        found += out.size();
        state.SetIterationTime(ms / 1000);
    }
    state.counters["p95_ms"] = percentile(times, 0.95);
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["results"] = static_cast<double>(found) / times.size();
    state.counters["target_p95_ms"] = targetMs;
}

const char* const kQueries[] = {"harbour boats", "sunset",          "canon", "\"boats 12\"",
                                "mountain snow", "img_00001*",      "d0500", "nikon m3",
                                "bridge",        "cathedral train", "sea",   "famil*"};

void BM_TextFirst200(benchmark::State& state)
{
    timedSearches(state, 100, [](std::size_t i, StringList& out) {
        KaAVDBSearchText(indexed, kQueries[i % std::size(kQueries)], 200, &out);
    });
}

void BM_TextOneQuery(benchmark::State& state)
{
    const char* query = kQueries[state.range(0)];
    state.SetLabel(query);
    timedSearches(state, 100, [query](std::size_t, StringList& out) {
        KaAVDBSearchText(indexed, query, 200, &out);
    });
}

/* Every photo within 10 km of one of the generator's places (some 4,000 of them), or the
 * nearest 200 (range 200), as --near --within 10km --limit 200 asks. */
void BM_Within10km(benchmark::State& state)
{
    const auto limit = static_cast<int32_t>(state.range(0));
    timedSearches(state, 5, [limit](std::size_t i, StringList& out) {
        const int place = static_cast<int>((i * 7) % 50);
        KaAVDBSearchPlace(indexed, -60 + place * 2.4 + 0.2, -170 + place * 6.8 + 0.2, 10000, limit,
                          &out);
    });
}

void BM_BackupAndCheck(benchmark::State& state)
{
    if (serverUri() != nullptr)
        state.SkipWithError("a server catalogue's backups are its server's");
    for (auto _ : state) {
        const std::string target = indexedDir + "/backup.mdb";
        fs::remove(target);
        Clock::time_point start = Clock::now();
        StringList report;
        HRESULT backup = KaAVDBBackup(indexed, target.c_str(), &report);
        double backupMs = msSince(start);
        int32_t problems = -1;
        HRESULT check = KaAVDBCheck(indexed, 0, &report, &problems);
        double totalMs = msSince(start);
        for (const std::string& line : report)
            std::fprintf(stderr, "  %s\n", line.c_str());
        if (backup != S_OK || check != S_OK)
            state.SkipWithError("backup or check failed");
        state.counters["backup_s"] = backupMs / 1000;
        state.counters["check_s"] = (totalMs - backupMs) / 1000;
        state.counters["total_s"] = totalMs / 1000;
        state.counters["target_s"] = 10;
        state.counters["problems"] = problems;
        fs::remove(target);
    }
}

} // namespace

BENCHMARK(BM_TextFirst200)->Iterations(240)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextOneQuery)
    ->DenseRange(0, static_cast<int>(std::size(kQueries)) - 1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Within10km)
    ->Arg(0)
    ->Arg(200)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackupAndCheck)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    return bench::runBenchmarks(argc, argv, prepare);
}
