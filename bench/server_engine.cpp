/*
 * The PostgreSQL engine beside raw libpq doing the same rows: registering a folder tree
 * (raw: prepared statements in one transaction), a composed search (raw: the join the
 * composition writes, in the server's spelling), and the round trips one single-file
 * export costs (counted by the driver). Each at 10,000 and 100,000 files. Also the client's
 * memory over a forward-only walk, which must stay flat in the rows walked. The program
 * starts its own server (scripts/pg-test-server) and stops it at exit.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"
#include "store/engine/connection.h"
#include "store/engine/recordset.h"
#include "store/engine/round_trips.h"

#include <dirent.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

namespace {

using namespace kavdb::bench;

constexpr int kFilesPerFolder = 100;

std::string serverCommand(const char* action)
{
    return std::string("bash '" KAVDB_SOURCE_DIR "/scripts/pg-test-server' ") + action +
           " kavdb-bench-" + std::to_string(::getpid());
}

/* The server's base URI, the server started on first use and stopped at exit. */
const std::string& baseUri()
{
    static const std::string uri = [] {
        std::FILE* out = ::popen(serverCommand("start").c_str(), "r");
        char line[512] = {};
        bool read = out != nullptr && std::fgets(line, sizeof line, out) != nullptr;
        if (out == nullptr || ::pclose(out) != 0 || !read) {
            throw std::runtime_error("the benchmark's server did not start");
        }
        std::atexit([] { std::system(serverCommand("stop").c_str()); });
        std::string u = line;
        return u.substr(0, u.find('\n'));
    }();
    return uri;
}

/* The URI of database name on the server. */
std::string databaseUri(const std::string& name)
{
    const std::string& base = baseUri();
    std::size_t slash = base.find('/', base.find("://") + 3);
    return base.substr(0, slash + 1) + name + base.substr(base.find('?'));
}

PGconn* rawConnect(const std::string& uri)
{
    PGconn* conn = PQconnectdb(uri.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        throw std::runtime_error(PQerrorMessage(conn));
    }
    return conn;
}

void rawRun(PGconn* conn, const std::string& sql)
{
    PGresult* r = PQexec(conn, sql.c_str());
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    PQclear(r);
    if (!ok) {
        throw std::runtime_error(sql + ": " + PQerrorMessage(conn));
    }
}

/* A fresh, empty catalogue database. */
std::string freshServerCatalogue()
{
    static int n = 0;
    scratchDir(); // the configuration the catalogue is made from
    std::string uri = databaseUri("c" + std::to_string(++n));
    if (KaAVDBCreate(uri.c_str()) != S_OK) {
        throw std::runtime_error("cannot create " + uri);
    }
    return uri;
}

void dropCatalogue(const std::string& uri)
{
    PGconn* admin = rawConnect(databaseUri("postgres"));
    std::string name = uri.substr(uri.rfind('/', uri.find('?')) + 1);
    rawRun(admin, "DROP DATABASE " + name.substr(0, name.find('?')) + " WITH (FORCE)");
    PQfinish(admin);
}

/* Registers the tree of state.range(0) files once per iteration, each time into a fresh
 * catalogue: connect and disconnect (and the catalogue's making and dropping) untimed. */
template <class Connect, class Register, class Disconnect>
void registerTrees(benchmark::State& state, Connect connect, Register registerTree,
                   Disconnect disconnect)
{
    const int files = static_cast<int>(state.range(0));
    std::string root =
        makeTree("walk" + std::to_string(files), files / kFilesPerFolder, kFilesPerFolder);
    for (auto _ : state) {
        state.PauseTiming();
        std::string uri = freshServerCatalogue();
        auto connection = connect(uri);
        state.ResumeTiming();
        registerTree(connection, root);
        state.PauseTiming();
        disconnect(connection);
        dropCatalogue(uri);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * files);
}

void ServerRegisterFolder(benchmark::State& state)
{
    registerTrees(
        state,
        [](const std::string& uri) {
            DBHandle* h = nullptr;
            KaAVDBOpen(uri.c_str(), &h);
            return h;
        },
        [&](DBHandle* h, const std::string& root) {
            if (KaAVDBRegisterFolder(h, root.c_str()) != S_OK) {
                state.SkipWithError("RegisterFolder failed");
            }
        },
        [](DBHandle* h) { KaAVDBClose(h); });
}

/* Runs a prepared statement with text parameters; the first column of its first row. */
std::string rawPrepared(PGconn* conn, const char* name, std::vector<const char*> values)
{
    PGresult* r = PQexecPrepared(conn, name, static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0);
    std::string first = PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    PQclear(r);
    return first;
}

/* The same rows by hand: each folder listed, its folder row, then its file rows, in one
 * transaction. */
void rawRegister(PGconn* conn, const std::string& root)
{
    rawRun(conn, "BEGIN");
    PQclear(PQprepare(conn, "folder",
                      "INSERT INTO \"PathTable\"(\"Pathname\") VALUES ($1) RETURNING \"PathID\"", 1,
                      nullptr));
    PQclear(PQprepare(conn, "file",
                      "INSERT INTO \"MainTable\"(\"PathID\", \"Filename\") VALUES ($1, $2)", 2,
                      nullptr));
    for (const auto& dir : std::filesystem::directory_iterator(root)) {
        std::string folder = dir.path().string() + "/";
        std::string id = rawPrepared(conn, "folder", {folder.c_str()});
        DIR* d = opendir(folder.c_str());
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.') {
                rawPrepared(conn, "file", {id.c_str(), e->d_name});
            }
        }
        closedir(d);
    }
    rawRun(conn, "COMMIT");
}

void ServerRegisterFolder_baseline(benchmark::State& state)
{
    registerTrees(state, rawConnect, rawRegister, PQfinish);
}

/* A catalogue of files rows made on the server itself, each file with an ExifInfo row of
 * one of four makes and a hundred models, and a comment and thumbnail on every file. */
const std::string& generatedCatalogue(int files)
{
    static std::map<int, std::string> made;
    auto found = made.find(files);
    if (found != made.end()) {
        return found->second;
    }
    std::string uri = freshServerCatalogue();
    PGconn* conn = rawConnect(uri);
    const std::string n = std::to_string(files);
    const std::string per = std::to_string(kFilesPerFolder);
    rawRun(conn, "INSERT INTO \"PathTable\"(\"PathID\", \"Pathname\") SELECT g, '/photos/d' || g "
                 "|| '/' FROM generate_series(1, " +
                     n + " / " + per + ") g");
    rawRun(conn, "INSERT INTO \"ExifInfo\"(\"DataID\", \"Make\", \"Model\") SELECT g, 'Make' || "
                 "(g % 4), 'Model' || (g % 100) FROM generate_series(1, " +
                     n + ") g");
    rawRun(conn, "INSERT INTO \"MainTable\"(\"FieldID\", \"PathID\", \"Filename\", \"Comment\", "
                 "\"Width\", \"Height\", \"Bitcount\", \"ThumbnailWidth\", \"ThumbnailHeight\", "
                 "\"Thumbnail\", \"UpdateTM\", \"DataID1\") SELECT g, (g - 1) / " +
                     per + " + 1, 'f' || ((g - 1) % " + per +
                     ") || '.jpg', 'comment ' || g, 640, 480, 24, 4, 4, "
                     "decode(repeat('ab', 48), 'hex'), '2008/01/01 00:00:00', g FROM "
                     "generate_series(1, " +
                     n + ") g");
    for (const char* table : {"PathTable", "ExifInfo", "MainTable"}) {
        rawRun(conn, std::string("ANALYZE \"") + table + "\"");
    }
    PQfinish(conn);
    return made[files] = uri;
}

const char* const kCondition = "ExifInfo.Make = 'make1'";

void ServerSearch(benchmark::State& state)
{
    DBHandle* h = nullptr;
    KaAVDBOpen(generatedCatalogue(static_cast<int>(state.range(0))).c_str(), &h);
    std::string sql = std::string("SELECT * FROM ExifInfo WHERE ") + kCondition;
    for (auto _ : state) {
        StringList out;
        if (KaAVDBQuery(h, sql.c_str(), &out) != S_OK) {
            state.SkipWithError("Query failed");
        }
        benchmark::DoNotOptimize(out.size());
    }
    KaAVDBClose(h);
}

/* The join the composition writes, as the server reads it, and the same list built. */
void ServerSearch_baseline(benchmark::State& state)
{
    PGconn* conn = rawConnect(generatedCatalogue(static_cast<int>(state.range(0))));
    const char* sql = "SELECT \"PathTable\".\"Pathname\", \"MainTable\".\"Filename\" FROM "
                      "\"ExifInfo\", \"MainTable\", \"PathTable\" WHERE \"PathTable\".\"PathID\" = "
                      "\"MainTable\".\"PathID\" AND \"MainTable\".\"DataID1\" = "
                      "\"ExifInfo\".\"DataID\" AND \"ExifInfo\".\"Make\" = 'make1'";
    for (auto _ : state) {
        StringList out;
        PGresult* r = PQexecParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
        for (int i = 0; i < PQntuples(r); ++i) {
            out.push_back(std::string(PQgetvalue(r, i, 0)) + PQgetvalue(r, i, 1));
        }
        PQclear(r);
        benchmark::DoNotOptimize(out.size());
    }
    PQfinish(conn);
}

/* One export on one file of the catalogue, with the server round trips it costs. */
template <class Export> void readOne(benchmark::State& state, Export call)
{
    DBHandle* h = nullptr;
    KaAVDBOpen(generatedCatalogue(static_cast<int>(state.range(0))).c_str(), &h);
    const std::string path = "/photos/d7/f42.jpg";
    call(h, path.c_str()); // the connection's first call reads the server's names
    uint64_t before = kavdb::engine::serverRoundTrips();
    for (auto _ : state) {
        if (call(h, path.c_str()) != S_OK) {
            state.SkipWithError("the export failed");
        }
    }
    state.counters["round_trips"] =
        static_cast<double>(kavdb::engine::serverRoundTrips() - before) /
        static_cast<double>(state.iterations());
    KaAVDBClose(h);
}

void ServerReadComment(benchmark::State& state)
{
    readOne(state, [](DBHandle* h, const char* path) {
        char text[1024];
        return KaAVDBReadComment(h, path, text);
    });
}

void ServerReadData(benchmark::State& state)
{
    readOne(state, [](DBHandle* h, const char* path) {
        MetaDataList data;
        HRESULT hr = KaAVDBReadData(h, path, &data);
        FreeMetaDataList(&data);
        return hr;
    });
}

void ServerReadImage(benchmark::State& state)
{
    readOne(state, [](DBHandle* h, const char* path) {
        ImageData image{};
        HRESULT hr = KaAVDBReadImage(h, path, &image);
        FreeImageData(&image);
        return hr;
    });
}

void ServerWriteComment(benchmark::State& state)
{
    readOne(state, [](DBHandle* h, const char* path) {
        return KaAVDBWriteComment(h, path, "a comment written");
    });
}

BENCHMARK(ServerRegisterFolder)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(ServerRegisterFolder_baseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(ServerSearch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(ServerSearch_baseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);
BENCHMARK(ServerReadComment)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ServerReadData)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ServerReadImage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(ServerWriteComment)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

/* The ways a text column can compare ignoring case on the server: the catalogue's
 * nondeterministic ICU collation (what it uses), citext, and plain text with an index on
 * lower(). Each table holds the same 100,000 names. */
enum Caseless : int64_t { kCollation, kCitext, kLower };

constexpr int kCaselessRows = 100000;

const std::string& caselessDatabase()
{
    static const std::string uri = [] {
        PGconn* admin = rawConnect(databaseUri("postgres"));
        rawRun(admin, "CREATE DATABASE caseless");
        PQfinish(admin);
        std::string db = databaseUri("caseless");
        PGconn* conn = rawConnect(db);
        const std::string names = "SELECT n, 'Größe-' || n || '-Photo' FROM generate_series(1, " +
                                  std::to_string(kCaselessRows) + ") AS n";
        for (const char* sql :
             {"CREATE COLLATION kavdb_nocase (provider = icu, locale = 'und-u-ks-level2', "
              "deterministic = false)",
              "CREATE EXTENSION citext",
              "CREATE TABLE t_collation (id int, name text COLLATE kavdb_nocase)",
              "CREATE TABLE t_citext (id int, name citext)",
              "CREATE TABLE t_lower (id int, name text)"}) {
            rawRun(conn, sql);
        }
        for (const char* table : {"t_collation", "t_citext", "t_lower"}) {
            rawRun(conn, "INSERT INTO " + std::string(table) + " " + names);
        }
        rawRun(conn, "CREATE INDEX ON t_collation (name)");
        rawRun(conn, "CREATE INDEX ON t_citext (name)");
        rawRun(conn, "CREATE INDEX ON t_lower (lower(name))");
        rawRun(conn, "ANALYZE");
        PQfinish(conn);
        return db;
    }();
    return uri;
}

/* Rows a look-up finds for value. */
int caselessRows(PGconn* conn, const std::string& value)
{
    const char* values[] = {value.c_str()};
    PGresult* r = PQexecPrepared(conn, "q", 1, values, nullptr, nullptr, 0);
    int rows = PQresultStatus(r) == PGRES_TUPLES_OK ? PQntuples(r) : -1;
    PQclear(r);
    return rows;
}

/* One look-up by a name written in another case, prepared once. */
void ServerCaselessLookup(benchmark::State& state)
{
    static const char* const kWays[][2] = {
        {"collation", "SELECT id FROM t_collation WHERE name = $1"},
        {"citext", "SELECT id FROM t_citext WHERE name = $1"},
        {"lower() index", "SELECT id FROM t_lower WHERE lower(name) = lower($1)"},
    };
    const auto way = static_cast<std::size_t>(state.range(0));
    PGconn* conn = rawConnect(caselessDatabase());
    PQclear(PQprepare(conn, "q", kWays[way][1], 1, nullptr));
    int i = 0;
    for (auto _ : state) {
        int n = (i++ * 7919) % kCaselessRows + 1;
        if (caselessRows(conn, "größe-" + std::to_string(n) + "-PHOTO") != 1) {
            state.SkipWithError("a name in another case was not found once");
            break;
        }
    }
    state.SetLabel(kWays[way][0]);
    PQfinish(conn);
}

/* The process's resident memory now, in MB. */
double residentMb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

/* A forward-only walk inside a transaction over a table of range(0) rows of 1 KB each:
 * the client's memory grown by the last row (client_MB) must not grow with the rows. */
void ServerForwardWalk(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string db = "walk" + std::to_string(rows);
    static std::set<int> made;
    if (made.insert(rows).second) {
        PGconn* admin = rawConnect(databaseUri("postgres"));
        rawRun(admin, "CREATE DATABASE " + db);
        PQfinish(admin);
        PGconn* raw = rawConnect(databaseUri(db));
        rawRun(raw, "CREATE TABLE big (id integer PRIMARY KEY, t text)");
        rawRun(raw, "INSERT INTO big SELECT g, repeat('x', 1000) FROM generate_series(1, " +
                        std::to_string(rows) + ") AS g");
        PQfinish(raw);
    }
    kavdb::engine::Connection c;
    c.open(databaseUri(db));
    double grown = 0;
    for (auto _ : state) {
        double before = residentMb();
        kavdb::engine::Transaction t(c, kavdb::engine::Access::Read);
        kavdb::engine::Recordset rs(c, "SELECT id, t FROM big", kavdb::engine::Cursor::ForwardOnly);
        int walked = 0;
        for (; !rs.eof(); rs.moveNext()) {
            ++walked;
        }
        grown = std::max(grown, residentMb() - before);
        rs.close();
        t.commit();
        if (walked != rows) {
            state.SkipWithError("the walk missed rows");
        }
    }
    c.close();
    state.counters["client_MB"] = grown;
}

} // namespace

BENCHMARK(ServerForwardWalk)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

BENCHMARK(ServerCaselessLookup)
    ->Arg(kCollation)
    ->Arg(kCitext)
    ->Arg(kLower)
    ->Unit(benchmark::kMicrosecond);

KAVDB_BENCHMARK_MAIN();
