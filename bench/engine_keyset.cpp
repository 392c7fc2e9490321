/*
 * Walking a keyset recordset over a large table and reading two fields of every row,
 * against raw SQLite stepping the same statement and reading the same two columns. The
 * keyset takes the row keys at open and reads each row on demand; the ratio of the two
 * times is the cost of that, and of the engine's values.
 */
#include "bench_support.h"
#include "ratio_reporter.h"
#include "store/engine/connection.h"
#include "store/engine/recordset.h"

#include <sqlite3.h>

#include <map>
#include <string>

namespace {

using namespace kavdb::engine;

/* A catalogue-shaped file table of n rows, made once per size. */
const std::string& tableOf(int n)
{
    static std::map<int, std::string> made;
    auto it = made.find(n);
    if (it != made.end()) {
        return it->second;
    }
    std::string path = kavdb::bench::freshCatalogue();
    Connection::create(path);
    Connection c;
    c.open(path);
    c.execute("CREATE TABLE MainTable (FieldID COUNTER PRIMARY KEY, PathID INTEGER, "
              "Filename TEXT(255), Width INTEGER, Height INTEGER, UpdateTM LONGTEXT, "
              "Comment LONGTEXT)");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO MainTable (PathID, Filename, Width, Height, UpdateTM) "
                       "VALUES (?, ?, ?, ?, '2004070501090807006')",
                       -1, &insert, nullptr);
    for (int i = 0; i < n; ++i) {
        std::string name = "IMG_" + std::to_string(100000 + i) + ".JPG";
        sqlite3_bind_int(insert, 1, 1 + i / 1000);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, 640 + i % 7);
        sqlite3_bind_int(insert, 4, 480);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return made[n] = path;
}

/* Every row: the keys come with the walk. */
constexpr const char* kSql = "SELECT * FROM MainTable";
/* Rows chosen by a condition: the keys are taken at open, then the walk. */
constexpr const char* kWhereSql = "SELECT * FROM MainTable WHERE Width >= 640";

void walkKeyset(benchmark::State& state, const char* sql)
{
    Connection c;
    c.open(tableOf(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        Recordset rs(c, sql, Cursor::Keyset);
        long width = 0;
        std::size_t names = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            Value name = rs.get("Filename");
            width += rs.get("Width").asInt();
            names += name.asText().size();
        }
        benchmark::DoNotOptimize(width);
        benchmark::DoNotOptimize(names);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void walkRaw(benchmark::State& state, const char* sql)
{
    sqlite3* db = nullptr; // as the engine opens it: the same page cache
    sqlite3_open(tableOf(static_cast<int>(state.range(0))).c_str(), &db);
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        long width = 0;
        std::size_t names = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string name(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)),
                             static_cast<std::size_t>(sqlite3_column_bytes(stmt, 2)));
            width += sqlite3_column_int(stmt, 3);
            names += name.size();
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(width);
        benchmark::DoNotOptimize(names);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_KeysetWalk(benchmark::State& state)
{
    walkKeyset(state, kSql);
}

void BM_KeysetWalk_baseline(benchmark::State& state)
{
    walkRaw(state, kSql);
}

void BM_KeysetWalkWhere(benchmark::State& state)
{
    walkKeyset(state, kWhereSql);
}

void BM_KeysetWalkWhere_baseline(benchmark::State& state)
{
    walkRaw(state, kWhereSql);
}

BENCHMARK(BM_KeysetWalk)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysetWalk_baseline)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysetWalkWhere)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysetWalkWhere_baseline)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

KAVDB_BENCHMARK_MAIN();
