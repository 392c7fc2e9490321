/*
 * The R*Tree place index (place_index.h): its view, virtual table, triggers and queries.
 * An R*Tree entry is removed by its key alone, so AFTER triggers suffice.
 */
#include "store/place_index.h"

#include "store/native_rows.h"

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "PlaceIndex";
constexpr const char* kTriggerPrefix = "PlaceIndex_";
constexpr std::size_t kTriggerCount = 5;

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

std::string addPoints(const std::string& where)
{
    return "INSERT INTO PlaceIndex SELECT id, lat, lat, lon, lon, lat, lon, path FROM "
           "PlaceSource WHERE " +
           where + ";";
}

std::vector<std::string> triggerSql(const IndexedItem& lat, const IndexedItem& lon)
{
    const std::string link = quotedName(lat.link);
    return {"CREATE TRIGGER PlaceIndex_file_add AFTER INSERT ON MainTable BEGIN " +
                addPoints("id = new.FieldID") + " END",
            "CREATE TRIGGER PlaceIndex_file_drop AFTER DELETE ON MainTable BEGIN DELETE FROM "
            "PlaceIndex WHERE id = old.FieldID; END",
            "CREATE TRIGGER PlaceIndex_file_after AFTER UPDATE OF FieldID, PathID, Filename, " +
                link + " ON MainTable BEGIN DELETE FROM PlaceIndex WHERE id = old.FieldID; " +
                addPoints("id = new.FieldID") + " END",
            "CREATE TRIGGER PlaceIndex_folder_after AFTER UPDATE OF Pathname ON PathTable BEGIN "
            "DELETE FROM PlaceIndex WHERE id IN (SELECT FieldID FROM MainTable WHERE PathID = "
            "old.PathID); " +
                addPoints("PathID = new.PathID") + " END",
            "CREATE TRIGGER PlaceIndex_position_after AFTER UPDATE OF " + quotedName(lat.item) +
                ", " + quotedName(lon.item) + " ON " + quotedName(lat.table) +
                " BEGIN DELETE FROM PlaceIndex WHERE id IN (SELECT FieldID FROM MainTable WHERE " +
                link + " = old.DataID); " + addPoints("link = new.DataID") + " END"};
}

void dropPlaceIndex(engine::Connection& c)
{
    dropTriggers(c, kTriggerPrefix);
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
        // The exact position and the path ride along as auxiliary columns: a search reads the
        // index alone, never the file rows (a page each, with their thumbnails).
        runNative(c, "CREATE VIRTUAL TABLE PlaceIndex USING rtree(id, minLat, maxLat, minLon, "
                     "maxLon, +lat, +lon, +path)");
        for (const std::string& sql : triggerSql(items.at(0), items.at(1))) {
            runNative(c, sql);
        }
        saveIndexItems(c, kIndex, items);
        runNative(c, addPoints("1"));
    });
}

std::vector<std::string> PlaceIndex::problems(engine::Connection& c) const
{
    std::vector<std::string> problems = triggerProblems(c);
    countProblem(c, "SELECT count(*) FROM PlaceIndex", "points", "SELECT count(*) FROM PlaceSource",
                 "files with a position", problems);
    std::vector<NativeRow> rows = nativeRows(c, "SELECT rtreecheck('PlaceIndex')");
    if (rows.empty() || rows[0].empty() || rows[0][0].toText() != "ok") {
        problems.push_back("it is damaged: " +
                           (rows.empty() ? std::string() : rows[0][0].toText()));
    }
    return problems;
}

} // namespace

const CatalogueIndex& placeIndex()
{
    static const PlaceIndex index;
    return index;
}

/* The file row of the engine's statement, path first, then latitude and longitude. */
PlacedFile placedOf(engine::DriverStatement& stmt)
{
    Value path = stmt.value(0);
    return {path.isText() ? path.asText() : std::string(), stmt.real(1), stmt.real(2)};
}

void filesInBox(engine::Connection& c, const PlaceBox& box,
                const std::function<void(PlacedFile&&)>& visit)
{
    eachNativeRow(
        c,
        "SELECT path, lat, lon FROM PlaceIndex WHERE minLat <= ? AND maxLat >= ? AND minLon <= ? "
        "AND maxLon >= ?",
        {Value::real(box.north), Value::real(box.south), Value::real(box.east),
         Value::real(box.west)},
        [&](engine::DriverStatement& stmt) { visit(placedOf(stmt)); });
}

void pointsInBox(engine::Connection& c, const PlaceBox& box,
                 const std::function<void(const IndexedPoint&)>& visit)
{
    eachNativeRow(c,
                  "SELECT id, (minLat + maxLat) / 2, (minLon + maxLon) / 2 FROM PlaceIndex WHERE "
                  "minLat <= ? AND maxLat >= ? AND minLon <= ? AND maxLon >= ?",
                  {Value::real(box.north), Value::real(box.south), Value::real(box.east),
                   Value::real(box.west)},
                  [&](engine::DriverStatement& stmt) {
                      visit({static_cast<int32_t>(stmt.key(0)), stmt.real(1), stmt.real(2)});
                  });
}

bool placedFile(engine::Connection& c, int32_t id, PlacedFile& file)
{
    // From the R*Tree's own table of its extra columns (lat, lon, path as a0, a1, a2), read
    // only: a statement on the R*Tree that reads them prepares one of its own inside the
    // engine each time, and the file's row reaches its link past the thumbnail.
    bool found = false;
    eachNativeRow(c, "SELECT a2, a0, a1 FROM PlaceIndex_rowid WHERE rowid = ?",
                  {Value::integer(id)}, [&](engine::DriverStatement& stmt) {
                      file = placedOf(stmt);
                      found = true;
                  });
    return found;
}

} // namespace kavdb::store
