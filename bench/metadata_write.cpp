/*
 * Metadata writing: KaAVDBWriteData for 10,000 registered files whose tags repeat in 100
 * distinct tuples (so rows are shared), against raw SQLite doing the same per-file work
 * in one transaction per file, as each export call is one: find the folder and the file
 * row, find the metadata row equal to the tuple or insert it, and set the file's link.
 */
#include "bench_support.h"
#include "kavdbmgr.h"
#include "ratio_reporter.h"

#include <sqlite3.h>

#include <cstring>
#include <vector>

namespace {

using namespace kavdb::bench;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 100;
constexpr int kTuples = 100;

std::string folderOf(const std::string& root, int f)
{
    return root + "/d" + std::to_string(f) + "/";
}
std::string fileName(int i)
{
    return "f" + std::to_string(i) + ".jpg";
}

struct Tuple {
    std::string make, model;
    int32_t iso;
};

Tuple tupleOf(int file)
{
    int t = file % kTuples;
    return {"Make" + std::to_string(t % 10), "Model" + std::to_string(t), 100 + t};
}

/* A freshly created catalogue with every file of the tree registered, no metadata yet. */
std::string registeredCatalogue(const std::string& root)
{
    std::string path = freshCatalogue();
    DBHandle* h = nullptr;
    KaAVDBCreate(path.c_str());
    KaAVDBOpen(path.c_str(), &h);
    KaAVDBRegisterFolder(h, root.c_str());
    KaAVDBClose(h);
    return path;
}

MetaTag tag(const char* name, uint32_t type, const void* data, uint32_t size)
{
    MetaTag t{};
    std::strncpy(t.Name, name, sizeof t.Name - 1);
    t.Type = type;
    t.Size = size;
    t.Data = const_cast<void*>(data);
    return t;
}

/* One MetaDataList per tuple; the tags point into tuples, which outlive the lists. */
std::vector<MetaDataList> metadataLists(std::vector<Tuple>& tuples)
{
    std::vector<MetaDataList> lists(kTuples);
    for (int t = 0; t < kTuples; ++t) {
        tuples.push_back(tupleOf(t));
    }
    for (int t = 0; t < kTuples; ++t) {
        const Tuple& v = tuples[static_cast<std::size_t>(t)];
        MetaData m;
        std::strcpy(m.TableName, "ExifInfo");
        m.Tags.push_back(tag("Make", 0, v.make.c_str(), uint32_t(v.make.size() + 1)));
        m.Tags.push_back(tag("Model", 0, v.model.c_str(), uint32_t(v.model.size() + 1)));
        m.Tags.push_back(tag("ISO", 1, &v.iso, 4));
        lists[static_cast<std::size_t>(t)].push_back(m);
    }
    return lists;
}

void WriteData(benchmark::State& state)
{
    std::string root = makeTree("meta", kFolders, kFilesPerFolder);
    std::vector<Tuple> tuples;
    tuples.reserve(kTuples);
    std::vector<MetaDataList> lists = metadataLists(tuples);
    for (auto _ : state) {
        state.PauseTiming();
        std::string catalogue = registeredCatalogue(root);
        DBHandle* h = nullptr;
        KaAVDBOpen(catalogue.c_str(), &h);
        state.ResumeTiming();
        int file = 0;
        for (int f = 0; f < kFolders; ++f) {
            std::string folder = folderOf(root, f);
            for (int i = 0; i < kFilesPerFolder; ++i, ++file) {
                std::string path = folder + fileName(i);
                auto& list = lists[static_cast<std::size_t>(file % kTuples)];
                if (KaAVDBWriteData(h, path.c_str(), &list) != S_OK) {
                    state.SkipWithError("WriteData failed");
                }
            }
        }
        state.PauseTiming();
        KaAVDBClose(h);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(WriteData)->Unit(benchmark::kMillisecond)->Iterations(3);

/* The statements of the hand-written version, prepared once per run. */
struct Statements {
    sqlite3_stmt* folder = nullptr;
    sqlite3_stmt* file = nullptr;
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* link = nullptr;

    explicit Statements(sqlite3* db)
    {
        prepare(db, "SELECT PathID FROM PathTable WHERE Pathname = ?", &folder);
        prepare(db, "SELECT FieldID, DataID1 FROM MainTable WHERE PathID = ? AND Filename = ?",
                &file);
        prepare(db,
                "SELECT DataID FROM ExifInfo WHERE Make = ? COLLATE BINARY AND"
                " Model = ? COLLATE BINARY AND ISO = ?",
                &find);
        prepare(db, "INSERT INTO ExifInfo(Make, Model, ISO) VALUES(?,?,?)", &insert);
        prepare(db, "UPDATE MainTable SET DataID1 = ? WHERE FieldID = ?", &link);
    }
    ~Statements()
    {
        for (sqlite3_stmt* s : {folder, file, find, insert, link}) {
            sqlite3_finalize(s);
        }
    }
    static void prepare(sqlite3* db, const char* sql, sqlite3_stmt** s)
    {
        sqlite3_prepare_v2(db, sql, -1, s, nullptr);
    }
};

sqlite3_int64 stepForInt(sqlite3_stmt* s, int column)
{
    sqlite3_int64 v = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, column) : 0;
    sqlite3_reset(s);
    return v;
}

void bindTuple(sqlite3_stmt* s, const Tuple& t)
{
    sqlite3_bind_text(s, 1, t.make.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, t.model.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(s, 3, t.iso);
}

bool writeOneFile(sqlite3* db, Statements& st, const std::string& folder, const std::string& name,
                  const Tuple& t)
{
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_text(st.folder, 1, folder.c_str(), -1, SQLITE_STATIC);
    sqlite3_int64 pathId = stepForInt(st.folder, 0);
    sqlite3_bind_int64(st.file, 1, pathId);
    sqlite3_bind_text(st.file, 2, name.c_str(), -1, SQLITE_STATIC);
    sqlite3_int64 fieldId = stepForInt(st.file, 0);
    bindTuple(st.find, t);
    sqlite3_int64 dataId = stepForInt(st.find, 0);
    if (dataId == 0) {
        bindTuple(st.insert, t);
        sqlite3_step(st.insert);
        sqlite3_reset(st.insert);
        dataId = sqlite3_last_insert_rowid(db);
    }
    sqlite3_bind_int64(st.link, 1, dataId);
    sqlite3_bind_int64(st.link, 2, fieldId);
    bool ok = sqlite3_step(st.link) == SQLITE_DONE && fieldId != 0;
    sqlite3_reset(st.link);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return ok;
}

void WriteData_baseline(benchmark::State& state)
{
    std::string root = makeTree("meta", kFolders, kFilesPerFolder);
    std::vector<Tuple> tuples;
    for (int t = 0; t < kTuples; ++t) {
        tuples.push_back(tupleOf(t));
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::string catalogue = registeredCatalogue(root);
        sqlite3* db = nullptr;
        sqlite3_open(catalogue.c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                     nullptr);
        state.ResumeTiming();
        {
            Statements st(db);
            int file = 0;
            for (int f = 0; f < kFolders; ++f) {
                std::string folder = folderOf(root, f);
                for (int i = 0; i < kFilesPerFolder; ++i, ++file) {
                    const Tuple& t = tuples[static_cast<std::size_t>(file % kTuples)];
                    if (!writeOneFile(db, st, folder, fileName(i), t)) {
                        state.SkipWithError("baseline write failed");
                    }
                }
            }
        }
        state.PauseTiming();
        sqlite3_close(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder);
}
BENCHMARK(WriteData_baseline)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

KAVDB_BENCHMARK_MAIN();
