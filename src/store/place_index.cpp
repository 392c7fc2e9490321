/*
 * The R*Tree place index (place_index.h): its view, virtual table, file table, triggers
 * and queries; on a server, the searches are server_place_index.h's. The R*Tree ranks the points
 * near a place; PlaceFile keeps each file's exact position and path in a b-tree ordered by place,
 * so that files near each other share pages and a box is read in runs. An R*Tree entry is removed
 * by its key alone, so AFTER triggers suffice.
 */
#include "store/place_index.h"

#include "store/native_rows.h"
#include "store/server_place_index.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "PlaceIndex";
constexpr const char* kTriggerPrefix = "PlaceIndex_";
constexpr std::size_t kTriggerCount = 6;

/* Where PlaceFile keeps a point's row, from its R*Tree bounds (r): its cell, then the
 * centre of its bounds. Cells are bands 0.01 degree of latitude high (1.1 km), ordered
 * within by longitude to 0.0001 degree: the files of a box lie on one run of the table per
 * band, and the files of one spot lie together. Made of the bounds, never of the exact
 * position, so that a point's bounds alone find its row. */
constexpr int64_t kBandsPerDegree = 100;
constexpr int64_t kCellsPerDegree = 10000;
constexpr int64_t kBandWidth = 4000000; // cells a band holds: 360 degrees' and more
constexpr const char* kSpotLat = "(r.minLat + r.maxLat) / 2";
constexpr const char* kSpotLon = "(r.minLon + r.maxLon) / 2";

/* The cell of the point r, in SQL. */
std::string cellSql()
{
    return std::string("CAST((") + kSpotLat + " + 90) * " + std::to_string(kBandsPerDegree) +
           " AS INTEGER) * " + std::to_string(kBandWidth) + " + CAST((" + kSpotLon + " + 180) * " +
           std::to_string(kCellsPerDegree) + " AS INTEGER)";
}

/* The spot of the point r as PlaceFile's key begins: cell, spotLat, spotLon. */
std::string spotColumns()
{
    return cellSql() + ", " + kSpotLat + ", " + kSpotLon;
}

std::string viewSql(const IndexedItem& lat, const IndexedItem& lon)
{
    std::string la = "g." + quotedName(lat.item);
    std::string lo = "g." + quotedName(lon.item);
    return "CREATE VIEW PlaceSource AS SELECT m.FieldID AS id, m.PathID AS PathID, m." +
           quotedName(lat.link) + " AS link, " + la + " AS lat, " + lo +
           " AS lon, p.Pathname || m.Filename AS path FROM MainTable AS m JOIN " +
           quotedName(lat.table) + " AS g ON g.DataID = m." + quotedName(lat.link) +
           " JOIN PathTable AS p ON p.PathID = m.PathID WHERE typeof(" + la +
           ") IN ('integer', 'real') AND typeof(" + lo + ") IN ('integer', 'real') AND " + la +
           " BETWEEN -90 AND 90 AND " + lo + " BETWEEN -180 AND 180";
}

/* The statements that index the files of PlaceSource (as s) where holds: the points,
 * then their file rows. */
std::vector<std::string> addPoints(const std::string& where)
{
    return {"INSERT INTO PlaceIndex SELECT s.id, s.lat, s.lat, s.lon, s.lon FROM PlaceSource AS "
            "s WHERE " +
                where,
            "INSERT INTO PlaceFile SELECT " + spotColumns() +
                ", r.id, s.lat, s.lon, s.path FROM PlaceSource AS s JOIN PlaceIndex AS r ON "
                "r.id = s.id WHERE " +
                where};
}

/* A trigger's body: each statement ended. */
std::string body(const std::vector<std::string>& statements)
{
    std::string text;
    for (const std::string& sql : statements) {
        text += sql + "; ";
    }
    return text;
}

/* Removes the files whose ids the condition on id selects: the file rows first, found
 * through their points. */
std::string dropPoints(const std::string& ids)
{
    return body({"DELETE FROM PlaceFile WHERE (cell, spotLat, spotLon, id) IN (SELECT " +
                     spotColumns() + ", r.id FROM PlaceIndex AS r WHERE r.id " + ids + ")",
                 "DELETE FROM PlaceIndex WHERE id " + ids});
}

std::vector<std::string> triggerSql(const IndexedItem& lat, const IndexedItem& lon)
{
    const std::string link = quotedName(lat.link);
    const std::string linked = "IN (SELECT FieldID FROM MainTable WHERE " + link + " = old.DataID)";
    const std::string positions = quotedName(lat.table);
    return {"CREATE TRIGGER PlaceIndex_file_add AFTER INSERT ON MainTable BEGIN " +
                body(addPoints("s.id = new.FieldID")) + "END",
            "CREATE TRIGGER PlaceIndex_file_drop AFTER DELETE ON MainTable BEGIN " +
                dropPoints("= old.FieldID") + "END",
            "CREATE TRIGGER PlaceIndex_file_after AFTER UPDATE OF FieldID, PathID, Filename, " +
                link + " ON MainTable BEGIN " + dropPoints("= old.FieldID") +
                body(addPoints("s.id = new.FieldID")) + "END",
            "CREATE TRIGGER PlaceIndex_folder_after AFTER UPDATE OF Pathname ON PathTable BEGIN " +
                dropPoints("IN (SELECT FieldID FROM MainTable WHERE PathID = old.PathID)") +
                body(addPoints("s.PathID = new.PathID")) + "END",
            "CREATE TRIGGER PlaceIndex_position_after AFTER UPDATE OF " + quotedName(lat.item) +
                ", " + quotedName(lon.item) + " ON " + positions + " BEGIN " + dropPoints(linked) +
                body(addPoints("s.link = new.DataID")) + "END",
            "CREATE TRIGGER PlaceIndex_position_drop AFTER DELETE ON " + positions + " BEGIN " +
                dropPoints(linked) + "END"};
}

void dropPlaceIndex(engine::Connection& c)
{
    dropTriggers(c, kTriggerPrefix);
    runNative(c, "DROP TABLE IF EXISTS PlaceFile");
    runNative(c, "DROP TABLE IF EXISTS PlaceIndex");
    runNative(c, "DROP VIEW IF EXISTS PlaceSource");
}

class PlaceIndex final : public CatalogueIndex {
  public:
    PlaceIndex() : CatalogueIndex(kIndex, "ENABLE_RTREE", kTriggerPrefix) {}
    void create(engine::Connection& c, const std::vector<IndexedItem>& items) const override;
    std::vector<std::string> problems(engine::Connection& c) const override;

  private:
    std::size_t triggerCount(engine::Connection&, const std::vector<IndexedItem>&) const override
    {
        return kTriggerCount;
    }
};

void PlaceIndex::create(engine::Connection& c, const std::vector<IndexedItem>& items) const
{
    wholeOrNothing(c, [&] {
        dropPlaceIndex(c);
        runNative(c, viewSql(items.at(0), items.at(1)));
        runNative(c, "CREATE VIRTUAL TABLE PlaceIndex USING rtree(id, minLat, maxLat, minLon, "
                     "maxLon)");
        // A search reads this table alone, never the file rows (a page each, with their
        // thumbnails).
        runNative(c, "CREATE TABLE PlaceFile (cell INTEGER NOT NULL, spotLat REAL NOT NULL, "
                     "spotLon REAL NOT NULL, id INTEGER NOT NULL, lat REAL NOT NULL, lon REAL NOT "
                     "NULL, path TEXT NOT NULL, PRIMARY KEY (cell, spotLat, spotLon, id)) WITHOUT "
                     "ROWID");
        for (const std::string& sql : triggerSql(items.at(0), items.at(1))) {
            runNative(c, sql);
        }
        saveIndexItems(c, kIndex, items);
        for (const std::string& sql : addPoints("1")) {
            runNative(c, sql);
        }
    });
}

std::vector<std::string> PlaceIndex::problems(engine::Connection& c) const
{
    std::vector<std::string> problems = triggerProblems(c);
    countProblem(c, "SELECT count(*) FROM PlaceIndex", "points", "SELECT count(*) FROM PlaceSource",
                 "files with a position", problems);
    countProblem(c, "SELECT count(*) FROM PlaceFile", "file rows",
                 "SELECT count(*) FROM PlaceIndex", "points", problems);
    std::vector<NativeRow> rows = nativeRows(c, "SELECT rtreecheck('PlaceIndex')");
    if (rows.empty() || rows[0].empty() || rows[0][0].toText() != "ok") {
        problems.push_back("it is damaged: " +
                           (rows.empty() ? std::string() : rows[0][0].toText()));
    }
    return problems;
}

/* The box's edges as the queries below bind them. */
std::vector<Value> boxValues(const PlaceBox& box)
{
    return {Value::real(box.north), Value::real(box.south), Value::real(box.east),
            Value::real(box.west)};
}

} // namespace

void visitPlaced(engine::DriverStatement& stmt, const PlacedVisit& visit)
{
    // The engine's own bytes where it lends them, rather than a copy of every path met.
    engine::DriverStatement::BytesView bytes = stmt.bytesView(0);
    if (bytes.kind == engine::Kind::Text) {
        return visit({std::string_view(reinterpret_cast<const char*>(bytes.data), bytes.size),
                      stmt.real(1), stmt.real(2)});
    }
    Value path = stmt.value(0);
    visit({path.isText() ? std::string_view(path.asText()) : std::string_view(), stmt.real(1),
           stmt.real(2)});
}

const CatalogueIndex& placeIndex()
{
    static const PlaceIndex onFile;
    static const EngineForms index(onFile, serverPlaceIndex());
    return index;
}

void filesInBox(engine::Connection& c, const PlaceBox& box, const PlacedVisit& visit,
                const LongitudeSpan& span)
{
    if (onServer(c)) {
        return serverFilesInBox(c, box, visit);
    }
    // A band's run of cells read in order, rather than each point's row looked up from the
    // R*Tree: at 1M photos, every photo within 10 km took 1.1 ms of the engine's time
    // instead of 6.5 ms. A point's cell comes from its bounds, so the box grows by more
    // than they can stray (a 32-bit float's step at 180 degrees is 0.000015 degree).
    constexpr double kStray = 0.0002;
    auto cellsFrom = [](double degrees, int64_t perDegree) {
        return std::max<int64_t>(0, static_cast<int64_t>(std::floor(degrees * perDegree)));
    };
    const int64_t last = cellsFrom(box.north + kStray + 90, kBandsPerDegree);
    for (int64_t band = cellsFrom(box.south - kStray + 90, kBandsPerDegree); band <= last; ++band) {
        // A circle's band is read only as wide as the circle is there: a fifth fewer rows
        // than its box.
        const double south = static_cast<double>(band) / kBandsPerDegree - 90 - kStray;
        auto [from, to] = span ? span(south, south + 1.0 / kBandsPerDegree + 2 * kStray)
                               : std::pair{box.west, box.east};
        from = std::max(from, box.west);
        to = std::min(to, box.east);
        if (from > to) {
            continue;
        }
        // The cells go as numbers: exact, as they stay far below 2^53.
        const int64_t first = band * kBandWidth + cellsFrom(from - kStray + 180, kCellsPerDegree);
        const int64_t end = band * kBandWidth + cellsFrom(to + kStray + 180, kCellsPerDegree);
        eachNativeRow(
            c, "SELECT path, lat, lon FROM PlaceFile WHERE cell BETWEEN ? AND ?",
            {Value::real(static_cast<double>(first)), Value::real(static_cast<double>(end))},
            [&](engine::DriverStatement& stmt) { visitPlaced(stmt, visit); });
    }
}

void pointsInBox(engine::Connection& c, const PlaceBox& box,
                 const std::function<void(const IndexedPoint&)>& visit)
{
    if (onServer(c)) {
        return serverPointsInBox(c, box, visit);
    }
    eachNativeRow(
        c,
        "SELECT r.id, " + spotColumns() +
            " FROM PlaceIndex AS r WHERE r.minLat <= ? AND r.maxLat >= ? AND r.minLon "
            "<= ? AND r.maxLon >= ?",
        boxValues(box), [&](engine::DriverStatement& stmt) {
            visit({static_cast<int32_t>(stmt.key(0)), stmt.key(1), stmt.real(2), stmt.real(3)});
        });
}

namespace {

bool sameSpot(const IndexedPoint& a, const IndexedPoint& b)
{
    return a.cell == b.cell && a.latitude == b.latitude && a.longitude == b.longitude;
}

bool bySpotThenId(const IndexedPoint& a, const IndexedPoint& b)
{
    return std::tie(a.cell, a.latitude, a.longitude, a.id) <
           std::tie(b.cell, b.latitude, b.longitude, b.id);
}

/* Calls visit for the file of every point of one spot in [first, last), sorted by id. */
void placedAtSpot(engine::Connection& c, std::vector<IndexedPoint>::const_iterator first,
                  std::vector<IndexedPoint>::const_iterator last, const PlacedVisit& visit)
{
    // The key goes as a number: exact, as it stays far below 2^53.
    eachNativeRow(c,
                  "SELECT path, lat, lon, id FROM PlaceFile WHERE cell = ? AND spotLat = ? AND "
                  "spotLon = ? AND id BETWEEN ? AND ?",
                  {Value::real(static_cast<double>(first->cell)), Value::real(first->latitude),
                   Value::real(first->longitude), Value::integer(first->id),
                   Value::integer((last - 1)->id)},
                  [&](engine::DriverStatement& stmt) {
                      const int64_t id = stmt.key(3); // the rows come in the order of ids
                      while (first != last && first->id < id) {
                          ++first;
                      }
                      if (first != last && first->id == id) {
                          visitPlaced(stmt, visit);
                      }
                  });
}

} // namespace

void placedFiles(engine::Connection& c, std::vector<IndexedPoint> points, const PlacedVisit& visit)
{
    if (onServer(c)) {
        return serverPlacedFiles(c, points, visit);
    }
    // The points of one spot are read together, one statement over its rows from the
    // lowest id wanted to the highest: a thousand photos taken at one spot (the generated
    // catalogue's places) cost one statement, not a thousand (its nearest 200: 1.9 ms of
    // CPU to 1.5 ms, median).
    std::sort(points.begin(), points.end(), bySpotThenId);
    for (auto first = points.cbegin(); first != points.cend();) {
        auto last = std::find_if(first, points.cend(),
                                 [&](const IndexedPoint& p) { return !sameSpot(p, *first); });
        placedAtSpot(c, first, last, visit);
        first = last;
    }
}

} // namespace kavdb::store
