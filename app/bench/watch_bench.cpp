/*
 * How soon `kavdb watch` catalogues a new photo: photos of 2000 x 1500 pixels (about 1 MB)
 * are written into a watched folder in chunks over a tenth of a second, as a copy or a
 * camera writes them, one after another; the latency is from the last write to the
 * watch's "added" line (the entry stored). With the default settle time (1 s), through
 * inotify and by scanning (every 500 ms). Target: within 2 s of the last write.
 */
#include "bench_main.h"
#include "commands/watch_process.h"

#include <benchmark/benchmark.h>
#include <vips/vips8>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kTargetSeconds = 2;
constexpr int kPhotos = 12;

std::vector<uint8_t> photoBytes()
{
    vips::VImage noise = vips::VImage::gaussnoise(
        2000, 1500, vips::VImage::option()->set("mean", 128.0)->set("sigma", 40.0));
    vips::VImage photo =
        vips::VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
    void* buffer = nullptr;
    std::size_t size = 0;
    photo.write_to_buffer(".jpg", &buffer, &size);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

/* Writes the photo in ten chunks over 100 ms; returns when the last chunk was written. */
Clock::time_point writeSlowly(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    const std::size_t chunk = bytes.size() / 10 + 1;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        out.write(reinterpret_cast<const char*>(bytes.data() + at),
                  static_cast<std::streamsize>(std::min(chunk, bytes.size() - at)));
        out.flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Clock::now();
}

/* range(0): 1 scans (--poll), 0 uses inotify. */
void BM_WatchLatency(benchmark::State& state)
{
    const fs::path root =
        fs::temp_directory_path() / ("kavdb-watch-bench-" + std::to_string(getpid()));
    fs::create_directories(root / "photos");
    fs::copy_file(KAVDB_INI_PATH, root / "kadb.ini", fs::copy_options::overwrite_existing);
    setenv("KAVDB_CONFIG_DIR", root.c_str(), 1);
    const std::vector<uint8_t> bytes = photoBytes();
    std::vector<double> latencies;
    for (auto _ : state) {
        std::vector<std::string> args = {(root / "photos").string()};
        if (state.range(0))
            args.insert(args.end(), {"--poll", "--interval", "500"});
        kavdb::test::WatchProcess watch(KAVDB_EXE, (root / "c.mdb").string(), args, 1000);
        if (!watch.ready()) {
            state.SkipWithError("the watch did not start");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1)); // a scan's starting point
        for (int i = 0; i < kPhotos; ++i) {
            const std::string path =
                (root / "photos" /
                 ("IMG_" + std::to_string(state.range(0)) + "_" + std::to_string(i) + ".jpg"))
                    .string();
            Clock::time_point written = writeSlowly(path, bytes);
            if (watch.line(10) != "added " + path) {
                state.SkipWithError("the watch did not report the photo");
                break;
            }
            latencies.push_back(std::chrono::duration<double>(Clock::now() - written).count());
        }
    }
    fs::remove_all(root);
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_s"] = latencies[latencies.size() / 2];
        state.counters["max_s"] = latencies.back();
    }
    state.counters["target_s"] = kTargetSeconds;
}

} // namespace

BENCHMARK(BM_WatchLatency)
    ->ArgName("poll")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    return kavdb::bench::runBenchmarks(argc, argv);
}
