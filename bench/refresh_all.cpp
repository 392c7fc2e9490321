/*
 * Refreshing a whole catalogue of unchanged files (the common case: nothing to do but
 * look), against a baseline that only stats the same files and formats their times.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"

#include <sys/stat.h>

#include <ctime>
#include <vector>

namespace {

using namespace kavdb::bench;

constexpr int kFolders = 500;
constexpr int kFilesPerFolder = 100;

std::vector<std::string> filePaths(const std::string& root)
{
    std::vector<std::string> paths;
    for (int f = 0; f < kFolders; ++f) {
        for (int i = 0; i < kFilesPerFolder; ++i) {
            paths.push_back(root + "/d" + std::to_string(f) + "/f" + std::to_string(i) + ".jpg");
        }
    }
    return paths;
}

/* Every file registered with its true update time, so that a refresh changes nothing. */
const std::string& catalogue()
{
    static const std::string path = [] {
        std::string root = makeTree("refresh", kFolders, kFilesPerFolder);
        std::string cat = freshCatalogue();
        DBHandle* h = nullptr;
        KaAVDBCreate(cat.c_str());
        KaAVDBOpen(cat.c_str(), &h);
        for (const auto& file : filePaths(root)) {
            ImageData image{};
            GetFileUpdateTM(file.c_str(), &image.UpdateTM);
            KaAVDBRegisterFile(h, file.c_str(), nullptr, &image);
        }
        KaAVDBClose(h);
        return cat;
    }();
    return path;
}

void RefreshAll(benchmark::State& state)
{
    DBHandle* h = nullptr;
    KaAVDBOpen(catalogue().c_str(), &h);
    for (auto _ : state) {
        if (KaAVDBRefreshAll(h, 2) != S_OK) {
            state.SkipWithError("RefreshAll failed");
        }
    }
    KaAVDBClose(h);
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(RefreshAll)->Unit(benchmark::kMillisecond)->Iterations(5);

void RefreshAll_baseline(benchmark::State& state)
{
    catalogue();
    std::vector<std::string> paths = filePaths(scratchDir() + "/refresh");
    for (auto _ : state) {
        size_t changed = 0;
        for (const auto& p : paths) {
            struct stat st {};
            if (::stat(p.c_str(), &st) != 0) {
                ++changed;
                continue;
            }
            std::tm local{};
            localtime_r(&st.st_mtim.tv_sec, &local);
            SYSTEMTIME t{static_cast<uint16_t>(local.tm_year + 1900),
                         static_cast<uint16_t>(local.tm_mon + 1),
                         static_cast<uint16_t>(local.tm_wday),
                         static_cast<uint16_t>(local.tm_mday),
                         static_cast<uint16_t>(local.tm_hour),
                         static_cast<uint16_t>(local.tm_min),
                         static_cast<uint16_t>(local.tm_sec),
                         static_cast<uint16_t>(st.st_mtim.tv_nsec / 1000000)};
            char text[48];
            SYSTEMTIMEtoSTR(t, text);
            changed += text[0] == 'x';
        }
        benchmark::DoNotOptimize(changed);
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(RefreshAll_baseline)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

KAVDB_BENCHMARK_MAIN();
