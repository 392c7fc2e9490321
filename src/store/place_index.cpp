/*
 * The R*Tree place index (place_index.h): its view, virtual table, file table, triggers
 * and queries. The R*Tree finds and ranks the points; PlaceFile keeps each file's exact
 * position and path in a b-tree ordered by place, so that files near each other share
 * pages. An R*Tree entry is removed by its key alone, so AFTER triggers suffice.
 */
#include "store/place_index.h"

#include "store/native_rows.h"

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "PlaceIndex";
constexpr const char* kTriggerPrefix = "PlaceIndex_";
constexpr std::size_t kTriggerCount = 6;

/* The key that orders PlaceFile, from an R*Tree point's bounds (r): bands 0.01 degree of
 * latitude high (1.1 km), ordered within by longitude to 0.0001 degree. Files within a
 * few kilometres of each other then lie on a few runs of pages: the 200 nearest of a
 * million photos read some 15 pages instead of 200 scattered ones. Computed from the
 * bounds, never from the exact position, so that a point's bounds alone find its row. */
constexpr const char* kCell =
    "(CAST(((r.minLat + r.maxLat) / 2 + 90) * 100 AS INTEGER) * 4000000 + "
    "CAST(((r.minLon + r.maxLon) / 2 + 180) * 10000 AS INTEGER))";

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
            std::string("INSERT INTO PlaceFile SELECT ") + kCell +
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
    return body({std::string("DELETE FROM PlaceFile WHERE (cell, id) IN (SELECT ") + kCell +
                     ", r.id FROM PlaceIndex AS r WHERE r.id " + ids + ")",
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
    std::size_t triggerCount(const std::vector<IndexedItem>&) const override
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
        runNative(c, "CREATE TABLE PlaceFile (cell INTEGER NOT NULL, id INTEGER NOT NULL, lat "
                     "REAL NOT NULL, lon REAL NOT NULL, path TEXT NOT NULL, PRIMARY KEY (cell, "
                     "id)) WITHOUT ROWID");
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

/* The file row of the engine's statement, path first, then latitude and longitude. */
PlacedFile placedOf(engine::DriverStatement& stmt)
{
    Value path = stmt.value(0);
    return {path.isText() ? path.asText() : std::string(), stmt.real(1), stmt.real(2)};
}

} // namespace

const CatalogueIndex& placeIndex()
{
    static const PlaceIndex index;
    return index;
}

void filesInBox(engine::Connection& c, const PlaceBox& box,
                const std::function<void(PlacedFile&&)>& visit)
{
    eachNativeRow(c,
                  std::string("SELECT f.path, f.lat, f.lon FROM PlaceIndex AS r JOIN PlaceFile AS "
                              "f ON f.cell = ") +
                      kCell +
                      " AND f.id = r.id WHERE r.minLat <= ? AND r.maxLat >= ? AND r.minLon <= ? "
                      "AND r.maxLon >= ?",
                  boxValues(box), [&](engine::DriverStatement& stmt) { visit(placedOf(stmt)); });
}

void pointsInBox(engine::Connection& c, const PlaceBox& box,
                 const std::function<void(const IndexedPoint&)>& visit)
{
    eachNativeRow(
        c,
        std::string("SELECT r.id, (r.minLat + r.maxLat) / 2, (r.minLon + r.maxLon) / 2, ") + kCell +
            " FROM PlaceIndex AS r WHERE r.minLat <= ? AND r.maxLat >= ? AND "
            "r.minLon <= ? AND r.maxLon >= ?",
        boxValues(box), [&](engine::DriverStatement& stmt) {
            visit({static_cast<int32_t>(stmt.key(0)), stmt.key(3), stmt.real(1), stmt.real(2)});
        });
}

bool placedFile(engine::Connection& c, const IndexedPoint& point, PlacedFile& file)
{
    // The key goes as a number: exact, as it stays far below 2^53.
    bool found = false;
    eachNativeRow(c, "SELECT path, lat, lon FROM PlaceFile WHERE cell = ? AND id = ?",
                  {Value::real(static_cast<double>(point.cell)), Value::integer(point.id)},
                  [&](engine::DriverStatement& stmt) {
                      file = placedOf(stmt);
                      found = true;
                  });
    return found;
}

} // namespace kavdb::store
