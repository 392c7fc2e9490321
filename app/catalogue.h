/*
 * The kavdb tool's one door to the catalogue library: a thin RAII wrapper over the
 * KaDBSV facade (one process-wide catalogue, opened by KaDBSVInitDatabase and closed by
 * KaDBSVExitDatabase). It turns the library's records and lists into plain C++ values,
 * releases what the library hands out, and pairs each result code with the engine's
 * own description when the library reported one. Only include/kavdbmgr.h is used.
 */
#pragma once

#include "kavdbmgr.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kavdb {

/* One library call's result code and, when an engine error was reported, its text. */
struct Outcome {
    HRESULT code = S_OK;
    std::string detail;

    bool ok() const { return code >= 0; }
    bool is(HRESULT c) const { return code == c; }
    /* The code in plain words, followed by the engine's description when there is one. */
    std::string words() const;
};

/* A file's image record. The thumbnail is 24-bit BGR, rows padded to 4 bytes. */
struct ImageRecord {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitcount = 0;
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    std::vector<uint8_t> thumbnail;
    SYSTEMTIME updated{};

    bool hasThumbnail() const { return !thumbnail.empty(); }
};

/* A metadata item value: text, 32-bit integer, bytes or number (the MetaTag types 0, 1, 2
 * and 3). */
using ItemValue = std::variant<std::string, int32_t, std::vector<uint8_t>, double>;
struct Item {
    std::string name;
    ItemValue value;
};
struct TableItems {
    std::string table;
    std::vector<Item> items;
};

/* One item of the catalogue's configuration (kadb.ini): its table, name, type, size. */
struct ConfiguredItem {
    std::string table;
    std::string name;
    int32_t type = 0;
    int32_t size = 0;
};

/* Called for each path handed to readImages, by its index in the list; record is null
 * when the path has no row. */
using ImageVisitor = std::function<void(std::size_t index, const ImageRecord* record)>;

class Catalogue {
  public:
    /* Opens the catalogue at path, creating it when missing. Null on failure. */
    static std::unique_ptr<Catalogue> open(const std::string& path, Outcome& outcome);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    /* Registration and removal of catalogue entries (files on disk are never touched). */
    Outcome enrollFolder(const std::string& folder);
    Outcome enrollFile(const std::string& path);
    Outcome enrollImage(const std::string& path, const ImageRecord& image);
    Outcome deleteFile(const std::string& path);
    Outcome deleteFolder(const std::string& folder);
    Outcome moveFile(const std::string& from, const std::string& to, bool keepMark);
    Outcome copyFile(const std::string& from, const std::string& to, bool keepMark);

    /* Image records. */
    Outcome readImage(const std::string& path, ImageRecord& out);
    Outcome updateImage(const std::string& path, const ImageRecord& image);
    /* All paths must lie in one folder; sorted by name they are read in one pass. */
    Outcome readImages(const std::vector<std::string>& paths, const ImageVisitor& visit);

    /* Metadata, comments and marks. */
    Outcome writeItems(const std::string& path, const TableItems& items);
    /* Several tables in one call (one transaction). */
    Outcome writeItems(const std::string& path, const std::vector<TableItems>& tables);
    Outcome readItems(const std::string& path, std::vector<TableItems>& out);
    Outcome readComment(const std::string& path, std::string& out);
    Outcome writeComment(const std::string& path, const std::string& text);
    Outcome readMark(const std::string& path, int32_t& mark);
    Outcome writeMark(const std::string& path, int32_t mark);

    /* Keeping the catalogue in line with the disk: mode 1 drops changed files, mode 2
     * keeps them with an emptied thumbnail. */
    Outcome refreshFolder(const std::string& folder, int32_t mode);
    Outcome refreshAll(int32_t mode);

    /* Searches and free SQL. "No match" is success with nothing found. */
    Outcome query(const std::string& sql, std::vector<std::string>& paths);
    Outcome count(const std::string& sql, int32_t& n);
    Outcome fileList(const std::string& sql, bool namesOnly, std::vector<std::string>& out);
    Outcome execute(const std::string& sql);

    /* The text and place indexes the catalogue keeps in step itself. Searches give paths
     * best (nearest) first; "no match" is success with nothing found. */
    Outcome createTextIndex(const std::vector<std::string>& items);
    Outcome createPlaceIndex(const std::string& table, const std::string& latitude,
                             const std::string& longitude);
    Outcome searchText(const std::string& text, int32_t limit, std::vector<std::string>& paths);
    Outcome searchPlace(double latitude, double longitude, double metres, int32_t limit,
                        std::vector<std::string>& paths);
    /* The engine's planner statistics, sampled again when missing or out of date. */
    Outcome refreshStatistics();

    /* Checking the catalogue (problems: how many findings stand) and verified backups. */
    Outcome check(bool repair, std::vector<std::string>& report, int32_t& problems);
    Outcome backup(const std::string& path, std::vector<std::string>& report);

  private:
    Catalogue() = default;
};

/* The configured metadata items (kadb.ini), in configuration order; needs no catalogue. */
Outcome readConfiguration(std::vector<ConfiguredItem>& out);

/* Rows written so far of one table of a catalogue copy, and the rows it holds. */
using CopyProgress = std::function<void(const std::string& table, int64_t done, int64_t total)>;
/* Copies the catalogue at source into destination (created when missing), verified table
 * by table; the library's lines about the copy go to report. */
Outcome copyCatalogue(const std::string& source, const std::string& destination,
                      std::vector<std::string>& report, const CopyProgress& progress);

/* The modification time of a file as the catalogue stores it; false when unreadable. */
bool fileUpdateTime(const std::string& path, SYSTEMTIME& out);

/* A SYSTEMTIME as the catalogue's date-time text (compared as text by refresh). */
std::string timeText(const SYSTEMTIME& t);

} // namespace kavdb
