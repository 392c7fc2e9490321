/*
 * Reading RAW files: DNGs of 4000 x 3000 sensor pixels (24 MB of 16-bit samples each)
 * with a 1600-pixel embedded JPEG preview, as cameras write them, are read the way `kavdb
 * add` reads photos (file, size, thumbnail from the preview, metadata) with two readers
 * at once, and then catalogued by `kavdb add --jobs 2`. Target: at least 30 RAW files a
 * second on 2 cores. A third run reads DNGs without a preview (LibRaw develops them at
 * half size), the fallback's cost, for reference. KAVDB_BENCH_RAWS=N sets the number of
 * files (60 by default).
 */
#include "bench_main.h"
#include "commands/commands.h"
#include "dng_file.h"
#include "photo_prefetch.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr double kTargetFilesPerSecond = 30;

int rawCount()
{
    const char* text = std::getenv("KAVDB_BENCH_RAWS");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 60;
}

vips::VImage scene()
{
    vips::VImage x = vips::VImage::xyz(4000, 3000)[0];
    vips::VImage y = vips::VImage::xyz(4000, 3000)[1];
    vips::VImage noise =
        vips::VImage::gaussnoise(4000, 3000, vips::VImage::option()->set("sigma", 8.0));
    return (vips::VImage::bandjoin(
                {x * (200.0 / 4000), y * (180.0 / 3000), (x + y) * (100.0 / 7000) + 40}) +
            noise)
        .cast(VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

struct RawFolder {
    fs::path dir;
    std::vector<std::string> files;
};

struct Workspace {
    fs::path root = fs::temp_directory_path() / ("kavdb-raw-bench-" + std::to_string(getpid()));
    RawFolder withPreview;
    RawFolder withoutPreview;

    Workspace()
    {
        fs::create_directories(root);
        fs::copy_file(KAVDB_INI_PATH, root / "kadb.ini");
        setenv("KAVDB_CONFIG_DIR", root.c_str(), 1);
        vips::VImage picture = scene().copy_memory();
        fill(withPreview, "preview", kavdb::test::makeDng({picture, 6, 1600, "Bench"}), rawCount());
        // Developing costs about a second each: a few files tell its rate.
        fill(withoutPreview, "sensor-only", kavdb::test::makeDng({picture, 1, 0, "Bench"}), 6);
    }
    ~Workspace() { fs::remove_all(root); }

    void fill(RawFolder& folder, const char* name, const std::vector<uint8_t>& bytes, int count)
    {
        folder.dir = root / name;
        fs::create_directories(folder.dir);
        for (int i = 0; i < count; ++i) {
            char file[32];
            std::snprintf(file, sizeof file, "RAW_%04d.dng", i);
            std::ofstream(folder.dir / file, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            folder.files.push_back((folder.dir / file).string());
        }
    }
};

Workspace& workspace()
{
    static Workspace w;
    return w;
}

void report(benchmark::State& state, std::size_t files, double seconds)
{
    state.counters["files_per_s"] = files / seconds;
    state.counters["target_files_per_s"] = kTargetFilesPerSecond;
}

/* range(0): 1 with the preview, 0 without. */
void BM_ReadRaw(benchmark::State& state)
{
    RawFolder& folder = state.range(0) ? workspace().withPreview : workspace().withoutPreview;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        kavdb::PhotoPrefetch reader(folder.files, 2);
        for (std::size_t i = 0; i < folder.files.size(); ++i) {
            kavdb::PhotoRead read = reader.next();
            if (!read.photo)
                state.SkipWithError(read.error.c_str());
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, folder.files.size(), seconds);
}

void BM_AddRaw(benchmark::State& state)
{
    Workspace& w = workspace();
    kavdb::commands::GlobalOptions global;
    global.db = (w.root / "catalogue.mdb").string();
    global.quiet = true;
    kavdb::commands::AddOptions options;
    options.targets = {w.withPreview.dir.string()};
    options.jobs = 2;
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (kavdb::commands::runAdd(global, options) != 0)
            state.SkipWithError("kavdb add failed");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state, w.withPreview.files.size(), seconds);
}

} // namespace

BENCHMARK(BM_ReadRaw)
    ->ArgName("preview")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_AddRaw)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    return kavdb::bench::runBenchmarks(argc, argv, [] { workspace(); });
}
