/*
 * Costs at a million photos, on catalogues made by the generator (generated_catalogue.h)
 * through the library's exports: adding 100 photos to a 1M catalogue against adding them
 * to a 1k one (target: at most 1.2 times), refreshing 1M unchanged files warm (target:
 * 10 s), starting kavdb and printing the first 200 results of a search (target: 200 ms),
 * finding every duplicate group among the 1M photos' stored fingerprints, and the
 * catalogue's size per photo. KAVDB_BENCH_MILLION=N makes the large catalogue N photos.
 */
#include "bench_main.h"
#include "commands/commands.h"
#include "generated_catalogue.h"

#include <benchmark/benchmark.h>
#include <vips/vips8>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kavdb;

namespace {

std::size_t largeCount()
{
    const char* text = std::getenv("KAVDB_BENCH_MILLION");
    long n = text ? std::atol(text) : 0;
    return n > 0 ? static_cast<std::size_t>(n) : 1000000;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/* Standard output sent to /dev/null while it lives (the commands print every path). */
struct Silenced {
    int saved = dup(1);
    Silenced()
    {
        std::fflush(stdout);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~Silenced()
    {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

commands::GlobalOptions globalFor(const bench::GeneratedCatalogue& c)
{
    setenv("KAVDB_CONFIG_DIR", c.dir.c_str(), 1);
    commands::GlobalOptions global;
    global.db = c.db;
    global.quiet = true;
    return global;
}

/* 100 small camera-like JPEGs in a folder of their own. */
std::string newPhotos(const std::string& dir)
{
    const std::string folder = dir + "/new-photos";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int i = 0; i < 100; ++i) {
        vips::VImage noise = vips::VImage::gaussnoise(
            640, 480, vips::VImage::option()->set("mean", 100.0 + i)->set("sigma", 30.0));
        vips::VImage::bandjoin({noise, noise.flipver(), noise.fliphor()})
            .cast(VIPS_FORMAT_UCHAR)
            .write_to_file((folder + "/NEW_" + std::to_string(i) + ".jpg").c_str());
    }
    return folder;
}

std::map<int64_t, double> addSeconds;

void BM_AddHundredPhotos(benchmark::State& state)
{
    bench::GeneratedCatalogue c =
        bench::generatedCatalogue(static_cast<std::size_t>(state.range(0)));
    commands::GlobalOptions global = globalFor(c);
    const std::string folder = newPhotos(c.dir);
    double seconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        if (commands::runAdd(global, {{folder}, false, 2}) != 0)
            state.SkipWithError("add failed");
        seconds = secondsSince(start);
        state.PauseTiming();
        commands::runRemove(global, {{folder}});
        state.ResumeTiming();
    }
    addSeconds[state.range(0)] = seconds;
    state.counters["ms_per_photo"] = seconds * 10;
    if (addSeconds.count(1000) && state.range(0) != 1000) {
        state.counters["vs_1k"] = seconds / addSeconds[1000];
        state.counters["target_vs_1k"] = 1.2;
    }
}

void BM_RefreshUnchanged(benchmark::State& state)
{
    bench::GeneratedCatalogue c = bench::generatedCatalogue(largeCount());
    commands::GlobalOptions global = globalFor(c);
    commands::runRefresh(global, {}); // warms the page cache
    for (auto _ : state)
        if (commands::runRefresh(global, {}) != 0)
            state.SkipWithError("refresh failed");
    state.counters["target_s"] = 10;
}

/* The kavdb program started as a user starts it, its output thrown away. */
double runKavdb(const std::vector<std::string>& args)
{
    Clock::time_point start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::vector<std::string> all = args;
        all.insert(all.begin(), KAVDB_EXE);
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return secondsSince(start);
}

void BM_OpenAndFirst200Results(benchmark::State& state)
{
    bench::GeneratedCatalogue c = bench::generatedCatalogue(largeCount());
    globalFor(c);
    std::vector<double> times;
    for (auto _ : state)
        for (int i = 0; i < 5; ++i)
            times.push_back(runKavdb({"--db", c.db, "search", "--where",
                                      "Make = 'Canon' AND ISO = 400", "--limit", "200"}));
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2] * 1000;
    state.counters["target_ms"] = 200;
}

void BM_DupesAmongAll(benchmark::State& state)
{
    bench::GeneratedCatalogue c = bench::generatedCatalogue(largeCount());
    commands::GlobalOptions global = globalFor(c);
    for (auto _ : state) {
        Silenced quiet;
        if (commands::runDupes(global, {}) != 0)
            state.SkipWithError("dupes failed");
    }
    state.counters["target_s"] = 60;
}

void BM_CatalogueSize(benchmark::State& state)
{
    bench::GeneratedCatalogue c = bench::generatedCatalogue(largeCount());
    for (auto _ : state)
        benchmark::DoNotOptimize(c.count);
    double bytes = static_cast<double>(fs::file_size(c.db));
    state.counters["bytes_per_photo"] = bytes / static_cast<double>(c.count);
    state.counters["thumbnail_bytes"] = 40 * 24 / 8 * 30;
}

} // namespace

BENCHMARK(BM_CatalogueSize)->Iterations(1);
BENCHMARK(BM_AddHundredPhotos)
    ->ArgName("catalogue")
    ->Arg(1000)
    ->Arg(static_cast<int64_t>(largeCount()))
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RefreshUnchanged)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_OpenAndFirst200Results)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DupesAmongAll)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    return kavdb::bench::runBenchmarks(argc, argv);
}
