/*
 * Composed searches: KaAVDBQuery over 20,000 catalogued files for a metadata condition (an
 * equality a quarter of them meet, a pattern a tenth meet), against raw SQLite running the join
 * the composition writes and reading the same two columns of every row. The ratio is the
 * cost of composing, of translating the caller's Jet, and of the walk.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"

#include <sqlite3.h>

#include <cstring>
#include <string>

namespace {

using namespace kavdb::bench;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 200;

MetaTag textTag(const char* name, const std::string& value)
{
    MetaTag t{};
    std::strncpy(t.Name, name, sizeof t.Name - 1);
    t.Type = 0;
    t.Size = static_cast<uint32_t>(value.size() + 1);
    t.Data = const_cast<char*>(value.c_str());
    return t;
}

/* Every file with its ExifInfo row: four makes, a hundred models. */
const std::string& catalogue()
{
    static const std::string path = [] {
        std::string root = makeTree("search", kFolders, kFilesPerFolder);
        std::string p = freshCatalogue();
        KaAVDBCreate(p.c_str());
        DBHandle* h = nullptr;
        KaAVDBOpen(p.c_str(), &h);
        for (int f = 0; f < kFolders; ++f) {
            for (int i = 0; i < kFilesPerFolder; ++i) {
                std::string make = "Make" + std::to_string(i % 4);
                std::string model = "Model" + std::to_string(i % 100);
                MetaData meta{};
                std::strcpy(meta.TableName, "ExifInfo");
                meta.Tags = {textTag("Make", make), textTag("Model", model)};
                MetaDataList list{meta};
                std::string file =
                    root + "/d" + std::to_string(f) + "/f" + std::to_string(i) + ".jpg";
                KaAVDBRegisterFile(h, file.c_str(), &list, nullptr);
            }
        }
        KaAVDBClose(h);
        return p;
    }();
    return path;
}

const char* const kJoin = "SELECT PathTable.Pathname, MainTable.Filename FROM ExifInfo, MainTable, "
                          "PathTable WHERE PathTable.PathID = MainTable.PathID AND "
                          "MainTable.DataID1 = ExifInfo.DataID AND ";

void search(benchmark::State& state, const char* condition)
{
    DBHandle* h = nullptr;
    KaAVDBOpen(catalogue().c_str(), &h);
    std::string sql = std::string("SELECT * FROM ExifInfo WHERE ") + condition;
    for (auto _ : state) {
        StringList out;
        KaAVDBQuery(h, sql.c_str(), &out);
        benchmark::DoNotOptimize(out.size());
    }
    KaAVDBClose(h);
}

void raw(benchmark::State& state, const char* condition)
{
    sqlite3* db = nullptr;
    sqlite3_open(catalogue().c_str(), &db);
    std::string sql = std::string(kJoin) + condition;
    for (auto _ : state) {
        StringList out;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            out.push_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) +
                          reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(out.size());
    }
    sqlite3_close(db);
}

void BM_SearchEqual(benchmark::State& state)
{
    search(state, "ExifInfo.Make = 'make1'");
}

void BM_SearchEqual_baseline(benchmark::State& state)
{
    raw(state, "ExifInfo.Make = 'make1'");
}

void BM_SearchPattern(benchmark::State& state)
{
    search(state, "ExifInfo.Model LIKE 'model%3'");
}

void BM_SearchPattern_baseline(benchmark::State& state)
{
    raw(state, "ExifInfo.Model LIKE 'model%3'");
}

BENCHMARK(BM_SearchEqual)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SearchEqual_baseline)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SearchPattern)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SearchPattern_baseline)->Unit(benchmark::kMillisecond)->Repetitions(5);

} // namespace

KAVDB_BENCHMARK_MAIN();
