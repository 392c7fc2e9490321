/*
 * Generated catalogues for the scale benchmarks: N photos (1,000 per folder) made through
 * the library's own export, KaAVDBRegisterFile, one call per photo as an application
 * registers a photo it has read: the image record (6000 x 4000, 24 bits, a thumbnail of
 * thumbSide pixels across, the file's time) and its items: camera items (makes, models,
 * dates over twenty years, exposure, GPS positions around fifty places for 60% of the
 * photos), captions with keywords for a third of them, and fingerprints. Each photo has
 * its (empty) file on disk with the time stored, so a refresh finds it unchanged. A
 * catalogue made once is kept under $KAVDB_BENCH_DIR (default /tmp) and reused.
 *
 * Registering costs more the more photos a catalogue holds (the library looks for an
 * equal metadata row with a query no index serves), so a million photos registered one
 * by one would take days. Only the first folder (1,000 photos) is registered so; every
 * further folder is a copy of it made through the library's SQL export: its PathTable
 * row, fresh Fingerprint rows (each photo its own hashes), and its MainTable rows copied
 * from the first folder's with their folder and fingerprint links changed. The rows are
 * those registration made, sharing the first folder's camera and caption rows as
 * registration does for equal items; the files on disk get the first folder's times.
 */
#pragma once

#include "catalogue.h"
#include "catalogue_records.h"
#include "fingerprint.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace kavdb::bench {

struct GeneratedCatalogue {
    std::string dir; // holds kadb.ini, the catalogue and photos/
    std::string db;
    std::string photos; // the folder tree of the photos' files
    std::size_t count = 0;
};

inline std::vector<TableItems> generatedItems(std::size_t i, std::mt19937_64& rng)
{
    static const char* makes[] = {"Canon",   "NIKON CORPORATION", "SONY",  "FUJIFILM",
                                  "OLYMPUS", "Panasonic",         "Apple", "PENTAX"};
    static const char* words[] = {"harbour",  "boats", "sea",    "mountain", "snow",      "family",
                                  "birthday", "city",  "night",  "forest",   "river",     "bridge",
                                  "market",   "beach", "sunset", "garden",   "cathedral", "train"};
    const int make = static_cast<int>(rng() % 8);
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", 2005 + int(rng() % 20),
                  1 + int(rng() % 12), 1 + int(rng() % 28), int(rng() % 24), int(rng() % 60),
                  int(rng() % 60));
    std::vector<Item> exif = {
        {"Make", std::string(makes[make])},
        {"Model", std::string(makes[make]) + " M" + std::to_string(rng() % 5)},
        {"DateTaken", std::string(date)},
        {"DateSource", std::string("DateTimeOriginal")},
        {"ExposureTime", 1.0 / (30 + rng() % 2000)},
        {"FNumber", 1.8 + (rng() % 100) / 10.0},
        {"ISO", static_cast<int32_t>(100 << (rng() % 6))},
        {"FocalLength", static_cast<double>(14 + rng() % 300)},
        {"Orientation", static_cast<int32_t>(1 + (rng() % 8 == 0 ? 5 : 0))}};
    if (rng() % 10 < 6) { // around fifty places, within some 20 km of each
        const int place = static_cast<int>(rng() % 50);
        exif.push_back({"GPSLatitude", -60 + place * 2.4 + (rng() % 4000) / 10000.0});
        exif.push_back({"GPSLongitude", -170 + place * 6.8 + (rng() % 4000) / 10000.0});
    }
    std::vector<TableItems> tables = {{"ExifInfo", exif}};
    if (i % 3 == 0)
        tables.push_back(
            {"Caption",
             {{"Title", std::string(words[rng() % 18]) + " " + std::to_string(i)},
              {"Keywords", std::string(words[rng() % 18]) + "; " + words[rng() % 18]}}});
    tables.push_back({kFingerprintTable,
                      {{kContentHashItem, hashText(rng()) + hashText(rng())},
                       {kImageHashItem, hashText(rng())},
                       {kDetailHashItem, hashText({rng(), rng(), rng(), rng()})}}});
    return tables;
}

/* Registers photo i (its file made here) through the library. */
inline bool registerGenerated(DBHandle* db, const std::string& photos, std::size_t i,
                              const std::vector<uint8_t>& thumb, int side, std::mt19937_64& rng)
{
    char name[64];
    std::snprintf(name, sizeof name, "/d%04zu/IMG_%07zu.jpg", i / 1000, i);
    const std::string path = photos + name;
    if (i % 1000 == 0)
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream{path};
    ImageRecord image{6000, 4000, 24, side, side * 3 / 4, thumb, {}};
    fileUpdateTime(path, image.updated);
    ImageData data = records::borrowImage(image);
    const std::vector<TableItems> tables = generatedItems(i, rng); // the list borrows them
    MetaDataList list;
    for (const TableItems& items : tables)
        records::borrowItems(items, list);
    const HRESULT hr = KaAVDBRegisterFile(db, path.c_str(), &list, &data);
    if (hr != S_OK)
        std::fprintf(stderr, "%s: cannot be registered (0x%08x)\n", path.c_str(),
                     static_cast<unsigned>(hr));
    return hr == S_OK;
}

/* One text column of a query, through the library's file-list export. */
inline std::vector<std::string> queryTexts(DBHandle* db, const std::string& sql)
{
    StringList list;
    KaAVDBGetQueryFileList(db, sql.c_str(), &list, 1);
    return {list.begin(), list.end()};
}

inline void execute(DBHandle* db, const std::string& sql)
{
    if (KaAVDBExecuteSQL(db, sql.c_str()) != S_OK) {
        std::fprintf(stderr, "generator statement failed: %s\n", sql.c_str());
        std::abort();
    }
}

/* Folder k (k >= 1) as a copy of folder 0 (see the head comment). */
inline void copyFirstFolder(DBHandle* db, const std::string& photos, std::size_t k,
                            std::size_t files, std::mt19937_64& rng)
{
    char name[32];
    std::snprintf(name, sizeof name, "/d%04zu/", k);
    const std::string folder = photos + name;
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < files; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "IMG_%07zu.jpg", i);
        std::ofstream{folder + file};
        std::filesystem::last_write_time(
            folder + file, std::filesystem::last_write_time(photos + "/d0000/" + file));
    }
    execute(db, "INSERT INTO PathTable (Pathname) VALUES ('" + folder + "')");
    const std::string pathId =
        queryTexts(db, "SELECT CStr(PathID) AS Filename FROM PathTable WHERE Pathname = '" +
                           folder + "'")
            .at(0);
    const std::string before =
        queryTexts(db, "SELECT CStr(Max(DataID)) AS Filename FROM Fingerprint").at(0);
    for (std::size_t i = 0; i < files; ++i)
        execute(db, "INSERT INTO Fingerprint (ContentHash, ImageHash, DetailHash) VALUES ('" +
                        hashText(rng()) + hashText(rng()) + "', '" + hashText(rng()) + "', '" +
                        hashText({rng(), rng(), rng(), rng()}) + "')");
    execute(db, "INSERT INTO MainTable (PathID, Filename, Width, Height, Bitcount, "
                "ThumbnailWidth, ThumbnailHeight, Thumbnail, UpdateTM, Comment, Marking, DataID1, "
                "DataID2, DataID3, DataID4, DataID5, DataID6, DataID7, DataID8, DataID9, "
                "DataID10) SELECT " +
                    pathId +
                    ", Filename, Width, Height, Bitcount, ThumbnailWidth, ThumbnailHeight, "
                    "Thumbnail, UpdateTM, Comment, Marking, DataID1, DataID2, DataID3, DataID4, "
                    "DataID5, DataID6, DataID7, DataID8, DataID9, DataID10 + " +
                    before + " FROM MainTable WHERE PathID = 1");
}

/* Statistics as kavdb keeps them in its catalogues (sampled again only when stale). */
inline void refreshStatistics(const std::string& db)
{
    DBHandle* h = nullptr;
    if (KaAVDBOpen(db.c_str(), &h) != S_OK || KaAVDBRefreshStatistics(h) != S_OK)
        std::abort();
    KaAVDBClose(h);
}

inline GeneratedCatalogue generatedCatalogue(std::size_t count, int thumbSide = 40)
{
    const char* base = std::getenv("KAVDB_BENCH_DIR");
    GeneratedCatalogue c;
    c.dir = std::string(base ? base : "/tmp") + "/kavdb-catalogue-" + std::to_string(count) + "-" +
            std::to_string(thumbSide);
    c.db = c.dir + "/catalogue.mdb";
    c.photos = c.dir + "/photos";
    c.count = count;
    std::filesystem::create_directories(c.photos);
    std::filesystem::copy_file(KAVDB_INI_PATH, c.dir + "/kadb.ini",
                               std::filesystem::copy_options::overwrite_existing);
    setenv("KAVDB_CONFIG_DIR", c.dir.c_str(), 1);
    if (std::filesystem::exists(c.dir + "/complete")) {
        refreshStatistics(c.db);
        return c;
    }
    std::filesystem::remove(c.db);
    KaSetErrorHandler([](const char* message, HRESULT, const char*, const char* description) {
        std::fprintf(stderr, "%s: %s\n", message, description ? description : "");
    });
    DBHandle* db = nullptr;
    if (KaAVDBCreate(c.db.c_str()) != S_OK || KaAVDBOpen(c.db.c_str(), &db) != S_OK)
        std::abort();
    std::mt19937_64 rng(count);
    std::vector<uint8_t> thumb(((thumbSide * 24 + 31) / 32) * 4 * (thumbSide * 3 / 4));
    for (uint8_t& b : thumb)
        b = static_cast<uint8_t>(rng());
    const std::size_t first = std::min<std::size_t>(count, 1000);
    for (std::size_t i = 0; i < first; ++i)
        if (!registerGenerated(db, c.photos, i, thumb, thumbSide, rng))
            std::abort();
    for (std::size_t k = 1; k * 1000 < count; ++k) {
        copyFirstFolder(db, c.photos, k, std::min<std::size_t>(1000, count - k * 1000), rng);
        if (k % 100 == 0)
            std::fprintf(stderr, "generated %zu photos\n", (k + 1) * 1000);
    }
    KaAVDBClose(db);
    std::ofstream(c.dir + "/complete") << count << "\n";
    refreshStatistics(c.db);
    return c;
}

} // namespace kavdb::bench
