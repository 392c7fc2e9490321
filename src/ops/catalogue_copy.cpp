/*
 * The catalogue copy (catalogue_copy.h). Rows travel a batch at a time, so memory stays
 * flat whatever the catalogue's size; dst's call holds one transaction for all of them.
 */
#include "ops/catalogue_copy.h"

#include "store/catalogue.h"
#include "store/catalogue_audit.h"
#include "store/place_index.h"
#include "store/table_rows.h"
#include "store/text_index.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace kavdb::ops {

namespace {

/* Rows read and written at a time: a few megabytes even with thumbnails. */
constexpr std::size_t kBatch = 256;

/* The tables that hold the catalogue's rows, parents before children: folders, the
 * metadata tables, then the files that name both. The indexes' definitions are made
 * again rather than copied, with the indexes they define. */
std::vector<std::string> rowTables(DBHandle* h)
{
    std::vector<std::string> tables =
        store::catalogueTables(store::configOf(h), store::connectionOf(h));
    std::erase(tables, "IndexItems");
    std::erase(tables, "MainTable");
    tables.push_back("MainTable");
    return tables;
}

bool sameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

/* dst's shape of a table of src: src's columns as dst spells them; the code of what dst
 * lacks, with a line in the report. */
HResult matchShape(engine::Connection& dst, const store::TableShape& from, store::TableShape& to,
                   StringList& report)
{
    if (!dst.driver().tableExists(from.table)) {
        report.push_back(from.table + ": the destination has no such table");
        return KAVDB_E_NO_SUCH_TABLE;
    }
    store::TableShape theirs = store::tableShape(dst, from.table);
    to = {from.table, theirs.key, {}};
    for (const std::string& column : from.columns) {
        auto it = std::find_if(theirs.columns.begin(), theirs.columns.end(),
                               [&](const std::string& c) { return sameName(c, column); });
        if (it == theirs.columns.end()) {
            report.push_back(from.table + "." + column + ": the destination has no such item");
            return KAVDB_E_UNKNOWN_COLUMN;
        }
        to.columns.push_back(*it);
    }
    return S_OK;
}

/* The first of dst's tables that holds rows; "" when none does. */
std::string tableWithRows(DBHandle* dst)
{
    for (const std::string& table : rowTables(dst)) {
        if (store::rowCount(store::connectionOf(dst), table) > 0) {
            return table;
        }
    }
    return {};
}

void copyRows(engine::Connection& src, engine::Connection& dst, const store::TableShape& from,
              const store::TableShape& to, KaCopyProgress progress, void* context)
{
    const int64_t total = store::rowCount(src, from.table);
    int64_t done = 0;
    auto tell = [&] {
        if (progress != nullptr) {
            progress(context, from.table.c_str(), done, total);
        }
    };
    tell();
    store::eachRowBatch(src, from, kBatch, [&](const std::vector<store::NativeRow>& rows) {
        store::insertRows(dst, to, rows);
        done += static_cast<int64_t>(rows.size());
        tell();
    });
}

/* Both sides read back; a line per table, false when any disagrees. copied gets each
 * table's shape in dst and the digest of src's rows. */
bool verify(engine::Connection& src, engine::Connection& dst,
            const std::vector<std::pair<store::TableShape, store::TableShape>>& shapes,
            StringList& report, CopiedTables& copied)
{
    bool agree = true;
    for (const auto& [from, to] : shapes) {
        store::TableDigest a = store::digestRows(src, from);
        store::TableDigest b = store::digestRows(dst, to);
        copied.shapes.push_back(to);
        copied.source.push_back(a);
        char sum[17];
        std::snprintf(sum, sizeof sum, "%016" PRIx64, a.checksum);
        if (a.rows == b.rows && a.checksum == b.checksum) {
            report.push_back(from.table + ": " + std::to_string(a.rows) + " rows, checksum " + sum +
                             ", the same on both sides");
        } else {
            report.push_back(from.table + ": " + std::to_string(a.rows) + " rows in the source, " +
                             std::to_string(b.rows) + " in the copy, or different values");
            agree = false;
        }
    }
    return agree;
}

/* The text and place indexes of src made again in dst, which fills them from the rows
 * just copied; an index dst's engine cannot hold is named in the report. */
void remakeIndex(const std::string& name, const store::CatalogueIndex& index,
                 engine::Connection& src, engine::Connection& dst, StringList& report)
{
    if (!index.available(src) || !index.present(src)) {
        return;
    }
    if (index.available(dst)) {
        index.create(dst, index.items(src));
        report.push_back(name + ": made again");
    } else {
        report.push_back(name + ": not carried, the destination cannot hold one");
    }
}

void remakeIndexes(engine::Connection& src, engine::Connection& dst, StringList& report)
{
    remakeIndex("text index", store::textIndex(), src, dst, report);
    remakeIndex("place index", store::placeIndex(), src, dst, report);
}

} // namespace

HResult copyCatalogue(DBHandle* src, DBHandle* dst, StringList* report, KaCopyProgress progress,
                      void* context, CopiedTables* copied)
{
    engine::Connection& from = store::connectionOf(src);
    engine::Connection& to = store::connectionOf(dst);
    std::string occupied = tableWithRows(dst);
    if (!occupied.empty()) {
        report->push_back("the destination already holds a catalogue with rows (" + occupied +
                          "); nothing was copied");
        return KAVDB_E_ALREADY_EXISTS;
    }
    std::vector<std::pair<store::TableShape, store::TableShape>> shapes;
    for (const std::string& table : rowTables(src)) {
        store::TableShape theirs;
        store::TableShape ours = store::tableShape(from, table);
        HResult hr = matchShape(to, ours, theirs, *report);
        if (hr < 0) {
            return hr;
        }
        shapes.emplace_back(std::move(ours), std::move(theirs));
    }
    for (const auto& [ours, theirs] : shapes) {
        copyRows(from, to, ours, theirs, progress, context);
    }
    remakeIndexes(from, to, *report);
    CopiedTables read;
    if (!verify(from, to, shapes, *report, read)) {
        throw store::EngineError(KAVDB_E_DAMAGED, "kavdb.copy",
                                 "The copy does not hold the catalogue's rows; nothing of it "
                                 "was kept.");
    }
    if (copied != nullptr) {
        *copied = std::move(read);
    }
    return S_OK;
}

} // namespace kavdb::ops
