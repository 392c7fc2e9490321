/*
 * Registration costs: a folder walk against raw SQLite inserting the same rows, and the
 * cost of deleting one file, which must not grow with the catalogue.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"

#include <dirent.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <vector>

namespace {

using namespace kavdb::bench;

void RegisterFolder(benchmark::State& state)
{
    std::string root = makeTree("walk", 100, 100);
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = freshCatalogue();
        DBHandle* h = nullptr;
        KaAVDBCreate(path.c_str());
        KaAVDBOpen(path.c_str(), &h);
        state.ResumeTiming();
        if (KaAVDBRegisterFolder(h, root.c_str()) != S_OK) {
            state.SkipWithError("RegisterFolder failed");
        }
        state.PauseTiming();
        KaAVDBClose(h);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(RegisterFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

void exec(sqlite3* db, const char* sql)
{
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

/* The same rows inserted by hand: list each folder, one folder row and its file rows. */
void RegisterFolder_baseline(benchmark::State& state)
{
    std::string root = makeTree("walk", 100, 100);
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = freshCatalogue();
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE PathTable(PathID INTEGER PRIMARY KEY AUTOINCREMENT, Pathname TEXT,"
                 " Comment TEXT COLLATE NOCASE);"
                 "CREATE TABLE MainTable(FieldID INTEGER PRIMARY KEY AUTOINCREMENT, PathID INTEGER,"
                 " Filename TEXT, Width INTEGER, Height INTEGER, Bitcount INTEGER,"
                 " ThumbnailWidth INTEGER, ThumbnailHeight INTEGER, Thumbnail BLOB,"
                 " UpdateTM TEXT, Comment TEXT, Marking INTEGER, DataID1 INTEGER, DataID2 INTEGER);"
                 "CREATE INDEX p ON PathTable(Pathname); CREATE INDEX m ON MainTable(PathID,"
                 " Filename); CREATE INDEX d1 ON MainTable(DataID1);"
                 "CREATE INDEX d2 ON MainTable(DataID2);");
        state.ResumeTiming();
        sqlite3_stmt* folderIns = nullptr;
        sqlite3_stmt* fileIns = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO PathTable(Pathname) VALUES(?)", -1, &folderIns,
                           nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO MainTable(PathID, Filename) VALUES(?,?)", -1, &fileIns,
                           nullptr);
        exec(db, "BEGIN");
        for (const auto& dir : std::filesystem::directory_iterator(root)) {
            std::string folder = dir.path().string() + "/";
            sqlite3_bind_text(folderIns, 1, folder.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(folderIns);
            sqlite3_reset(folderIns);
            sqlite3_int64 id = sqlite3_last_insert_rowid(db);
            DIR* d = opendir(folder.c_str());
            while (dirent* e = readdir(d)) {
                if (e->d_name[0] == '.') {
                    continue;
                }
                sqlite3_bind_int64(fileIns, 1, id);
                sqlite3_bind_text(fileIns, 2, e->d_name, -1, SQLITE_TRANSIENT);
                sqlite3_step(fileIns);
                sqlite3_reset(fileIns);
            }
            closedir(d);
        }
        exec(db, "COMMIT");
        sqlite3_finalize(folderIns);
        sqlite3_finalize(fileIns);
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(RegisterFolder_baseline)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7);

/* A catalogue of files in folders of 100, registered once per size. */
DBHandle* catalogueOf(int files)
{
    static std::map<int, DBHandle*> open;
    if (open.count(files) != 0) {
        return open[files];
    }
    std::string root = makeTree("del" + std::to_string(files), files / 100, 100);
    std::string path = freshCatalogue();
    DBHandle* h = nullptr;
    KaAVDBCreate(path.c_str());
    KaAVDBOpen(path.c_str(), &h);
    KaAVDBRegisterFolder(h, root.c_str());
    return open[files] = h;
}

/* Deletes (and re-registers, untimed) files of one folder in turn. */
void deleteOneFile(benchmark::State& state, int files)
{
    DBHandle* h = catalogueOf(files);
    std::string folder = scratchDir() + "/del" + std::to_string(files) + "/d7/";
    int i = 0;
    for (auto _ : state) {
        std::string file = folder + "f" + std::to_string(i++ % 100) + ".jpg";
        if (KaAVDBDeleteFile(h, file.c_str()) != S_OK) {
            state.SkipWithError("DeleteFile failed");
        }
        state.PauseTiming();
        KaAVDBRegisterFile(h, file.c_str(), nullptr, nullptr);
        state.ResumeTiming();
    }
}

// The "baseline" of the large catalogue is the same call in a small one: the ratio is
// how much the cost per call grows with the catalogue.
void DeleteFileIn100k(benchmark::State& state)
{
    deleteOneFile(state, 100000);
}
void DeleteFileIn100k_baseline(benchmark::State& state)
{
    deleteOneFile(state, 1000);
}
BENCHMARK(DeleteFileIn100k_baseline)->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(DeleteFileIn100k)->Unit(benchmark::kMicrosecond)->Iterations(300);

} // namespace

KAVDB_BENCHMARK_MAIN();
