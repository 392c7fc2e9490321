/*
 * `kavdb add` against a decode-only baseline. A temporary folder receives photos of
 * 2000 x 1500 pixels made with libvips (2,000 of them; KAVDB_BENCH_PHOTOS=N for a quicker
 * run). The baseline only thumbnails each file with shrink-on-load and keeps nothing; the
 * add benchmark catalogues the folder into a fresh catalogue: registration, header,
 * thumbnail, camera metadata and every write. Target: add takes at most 1.5 times the
 * baseline's time. Both report files per second and the processor time of the process;
 * add also reports both ratios (wall clock and processor time), once with
 * one photo read at a time (--jobs 1, the baseline's footing) and once with the default
 * read-ahead on worker threads.
 */
#include "bench_main.h"
#include "commands/commands.h"

#include <benchmark/benchmark.h>
#include <vips/vips8>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vips::VImage;

namespace {

constexpr int kPhotoWidth = 2000;
constexpr int kPhotoHeight = 1500;
constexpr int kDistinctPhotos = 8; // the rest are copies: decoding costs the same

int photoCount()
{
    const char* text = std::getenv("KAVDB_BENCH_PHOTOS");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 2000;
}

/* A camera-like JPEG: smooth gradients with sensor-like noise and camera EXIF. */
std::vector<uint8_t> makePhoto(int seed)
{
    VImage x = VImage::xyz(kPhotoWidth, kPhotoHeight)[0];
    VImage y = VImage::xyz(kPhotoWidth, kPhotoHeight)[1];
    VImage r = (x * (200.0 / kPhotoWidth) + 20 * seed % 50);
    VImage g = (y * (180.0 / kPhotoHeight) + 10);
    VImage b = ((x + y) * (120.0 / (kPhotoWidth + kPhotoHeight)) + 60);
    VImage noise = VImage::gaussnoise(kPhotoWidth, kPhotoHeight,
                                      VImage::option()->set("sigma", 6.0)->set("seed", seed));
    VImage photo = (VImage::bandjoin({r, g, b}) + noise)
                       .cast(VIPS_FORMAT_UCHAR)
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    photo.set("exif-ifd0-Make", "KavdbBench");
    photo.set("exif-ifd0-Model", ("Model " + std::to_string(seed)).c_str());
    void* buffer = nullptr;
    std::size_t size = 0;
    photo.write_to_buffer(".jpg", &buffer, &size, VImage::option()->set("Q", 88));
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

/* The benchmark's folder of photos and its own configuration, made once. */
struct Workspace {
    fs::path root;
    fs::path photos;
    std::vector<std::string> files;

    Workspace()
    {
        root = fs::temp_directory_path() / ("kavdb-bench-" + std::to_string(getpid()));
        photos = root / "photos";
        fs::create_directories(photos);
        fs::copy_file(KAVDB_INI_PATH, root / "kadb.ini");
        setenv("KAVDB_CONFIG_DIR", root.c_str(), 1);
        std::vector<std::vector<uint8_t>> distinct;
        for (int i = 0; i < kDistinctPhotos; ++i)
            distinct.push_back(makePhoto(i + 1));
        for (int i = 0; i < photoCount(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%05d.jpg", i);
            const std::vector<uint8_t>& bytes = distinct[i % kDistinctPhotos];
            std::ofstream(photos / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            files.push_back((photos / name).string());
        }
    }
    ~Workspace() { fs::remove_all(root); }
};

Workspace& workspace()
{
    static Workspace w;
    return w;
}

/* Processor time of the whole process (every thread), in seconds. On a busy machine the
 * wall-clock ratio swings with the other load; this one hardly does. */
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double baselineSeconds = 0;
double baselineCpuSeconds = 0;

void BM_ShrinkOnLoadBaseline(benchmark::State& state)
{
    Workspace& w = workspace();
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpuStart = processCpuSeconds();
        for (const std::string& file : w.files) {
            VImage thumb =
                VImage::thumbnail(file.c_str(), 160, VImage::option()->set("height", 160));
            std::size_t size = 0;
            void* pixels = thumb.write_to_memory(&size);
            benchmark::DoNotOptimize(pixels);
            g_free(pixels);
        }
        baselineSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        baselineCpuSeconds = processCpuSeconds() - cpuStart;
    }
    state.counters["cpu_s"] = baselineCpuSeconds;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.files.size()));
}

/* range(0): photos read at once, 0 for the default (one per processor). */
void BM_KavdbAdd(benchmark::State& state)
{
    Workspace& w = workspace();
    kavdb::commands::GlobalOptions global;
    global.db = (w.root / "catalogue.mdb").string();
    global.quiet = true;
    kavdb::commands::AddOptions options;
    options.targets = {w.photos.string()};
    options.jobs = static_cast<unsigned>(state.range(0));
    double seconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(global.db + suffix);
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        double cpuStart = processCpuSeconds();
        int code = kavdb::commands::runAdd(global, options);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuSeconds = processCpuSeconds() - cpuStart;
        if (code != 0)
            state.SkipWithError("kavdb add failed");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.files.size()));
    state.counters["cpu_s"] = cpuSeconds;
    if (baselineSeconds > 0) {
        state.counters["vs_baseline"] = seconds / baselineSeconds;
        state.counters["cpu_vs_baseline"] = cpuSeconds / baselineCpuSeconds;
    }
}

} // namespace

BENCHMARK(BM_ShrinkOnLoadBaseline)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
// --jobs 1 reads one photo at a time on one thread, like the baseline; 0 lets add read
// ahead on worker threads (one per processor).
BENCHMARK(BM_KavdbAdd)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    return kavdb::bench::runBenchmarks(argc, argv, [] { workspace(); });
}
