/*
 * The server's place index (server_place_index.h): its view, table, triggers and
 * queries. A change removes the rows of the files it touches and adds again those the
 * view still places, in AFTER triggers; a removed file's row goes with it by the table's
 * key. A box is one range of the b-tree's latitudes, its longitudes checked in the index.
 */
#include "store/server_place_index.h"

#include "store/native_rows.h"

namespace kavdb::store {

using engine::Value;

namespace {

constexpr const char* kIndex = "PlaceIndex";
constexpr const char* kTriggerPrefix = "PlaceIndex_";
constexpr std::size_t kTriggerCount = 3;

std::string viewSql(const IndexedItem& lat, const IndexedItem& lon)
{
    std::string la = "g." + quotedName(lat.item);
    std::string lo = "g." + quotedName(lon.item);
    return "CREATE VIEW \"PlaceSource\" AS SELECT m.\"FieldID\" AS id, m.\"PathID\", m." +
           quotedName(lat.link) + " AS link, " + la + " AS lat, " + lo +
           " AS lon, p.\"Pathname\" || m.\"Filename\" AS path FROM \"MainTable\" AS m JOIN " +
           quotedName(lat.table) + " AS g ON g.\"DataID\" = m." + quotedName(lat.link) +
           " JOIN \"PathTable\" AS p ON p.\"PathID\" = m.\"PathID\" WHERE " + la +
           " BETWEEN -90 AND 90 AND " + lo + " BETWEEN -180 AND 180";
}

/* The rows of PlaceSource (as s) where holds, added to the index. */
std::string addPlaces(const std::string& where)
{
    return "INSERT INTO \"PlaceIndex\" (\"FieldID\", latitude, longitude, path) SELECT s.id, "
           "s.lat, s.lon, s.path FROM \"PlaceSource\" AS s WHERE " +
           where;
}

/* A trigger named after what it watches, which removes the rows of the files whose keys
 * ids gives and adds again those of PlaceSource where holds, after events on table; and
 * the function it runs. */
std::vector<std::string> keepInStep(const std::string& name, const std::string& events,
                                    const std::string& table, const std::string& ids,
                                    const std::string& where)
{
    return serverTriggerSql(kTriggerPrefix + name, events, table,
                            "DELETE FROM \"PlaceIndex\" WHERE \"FieldID\" IN (" + ids + "); " +
                                addPlaces(where) + ";");
}

std::vector<std::string> triggerSql(const IndexedItem& lat, const IndexedItem& lon)
{
    const std::string link = quotedName(lat.link);
    std::vector<std::string> sql =
        keepInStep("file", "INSERT OR UPDATE OF \"FieldID\", \"PathID\", \"Filename\", " + link,
                   "MainTable", "old.\"FieldID\", new.\"FieldID\"", "s.id = new.\"FieldID\"");
    auto add = [&sql](std::vector<std::string> more) {
        sql.insert(sql.end(), more.begin(), more.end());
    };
    add(keepInStep("folder", "UPDATE OF \"Pathname\"", "PathTable",
                   "SELECT \"FieldID\" FROM \"MainTable\" WHERE \"PathID\" = new.\"PathID\"",
                   "s.\"PathID\" = new.\"PathID\""));
    add(keepInStep("position",
                   "UPDATE OF " + quotedName(lat.item) + ", " + quotedName(lon.item) + " OR DELETE",
                   lat.table,
                   "SELECT \"FieldID\" FROM \"MainTable\" WHERE " + link +
                       " IN (old.\"DataID\", new.\"DataID\")",
                   "s.link IN (old.\"DataID\", new.\"DataID\")"));
    return sql;
}

void dropPlaceIndex(engine::Connection& c)
{
    dropTriggers(c, kTriggerPrefix);
    runAsWritten(c, "DROP TABLE IF EXISTS \"PlaceIndex\"");
    runAsWritten(c, "DROP VIEW IF EXISTS \"PlaceSource\"");
}

class ServerPlaceIndex final : public CatalogueIndex {
  public:
    ServerPlaceIndex() : CatalogueIndex(kIndex, "", kTriggerPrefix) {}
    void create(engine::Connection& c, const std::vector<IndexedItem>& items) const override;
    std::vector<std::string> problems(engine::Connection& c) const override;

  private:
    std::size_t triggerCount(engine::Connection&, const std::vector<IndexedItem>&) const override
    {
        return kTriggerCount;
    }
};

void ServerPlaceIndex::create(engine::Connection& c, const std::vector<IndexedItem>& items) const
{
    wholeOrNothing(c, [&] {
        dropPlaceIndex(c);
        runAsWritten(c, viewSql(items.at(0), items.at(1)));
        runAsWritten(c, "CREATE TABLE \"PlaceIndex\" (\"FieldID\" integer PRIMARY KEY REFERENCES "
                        "\"MainTable\" (\"FieldID\") ON DELETE CASCADE ON UPDATE CASCADE, latitude "
                        "float8 NOT NULL, longitude float8 NOT NULL, path text NOT NULL)");
        runAsWritten(c, addPlaces("true"));
        // The key within: a search of the nearest reads the points from the index alone.
        runAsWritten(c, "CREATE INDEX \"PlaceIndex_place\" ON \"PlaceIndex\" (latitude, longitude) "
                        "INCLUDE (\"FieldID\")");
        for (const std::string& sql : triggerSql(items.at(0), items.at(1))) {
            runAsWritten(c, sql);
        }
        saveIndexItems(c, kIndex, items);
    });
}

std::vector<std::string> ServerPlaceIndex::problems(engine::Connection& c) const
{
    std::vector<std::string> problems = triggerProblems(c);
    countProblem(c, "SELECT count(*) FROM \"PlaceIndex\"", "points",
                 "SELECT count(*) FROM \"PlaceSource\"", "files with a position", problems);
    int64_t differ = countAsWritten(
        c, "SELECT count(*) FROM \"PlaceSource\" AS s FULL JOIN \"PlaceIndex\" AS i ON "
           "i.\"FieldID\" = s.id WHERE (i.\"FieldID\", i.latitude, i.longitude, i.path) IS "
           "DISTINCT FROM (s.id, s.lat, s.lon, s.path)");
    if (differ > 0) {
        problems.push_back("its places do not match the catalogue's (" + std::to_string(differ) +
                           " files differ)");
    }
    return problems;
}

/* The box's edges as the queries below bind them. */
std::vector<Value> boxValues(const PlaceBox& box)
{
    return {Value::real(box.south), Value::real(box.north), Value::real(box.west),
            Value::real(box.east)};
}

} // namespace

const CatalogueIndex& serverPlaceIndex()
{
    static const ServerPlaceIndex index;
    return index;
}

void serverFilesInBox(engine::Connection& c, const PlaceBox& box, const PlacedVisit& visit)
{
    eachRowAsWritten(
        c,
        "SELECT path, latitude, longitude FROM \"PlaceIndex\" WHERE latitude BETWEEN ? "
        "AND ? AND longitude BETWEEN ? AND ?",
        boxValues(box), [&](engine::DriverStatement& stmt) { visitPlaced(stmt, visit); });
}

void serverPointsInBox(engine::Connection& c, const PlaceBox& box,
                       const std::function<void(const IndexedPoint&)>& visit)
{
    eachRowAsWritten(c,
                     "SELECT \"FieldID\", latitude, longitude FROM \"PlaceIndex\" WHERE latitude "
                     "BETWEEN ? AND ? AND longitude BETWEEN ? AND ?",
                     boxValues(box), [&](engine::DriverStatement& stmt) {
                         visit({static_cast<int32_t>(stmt.key(0)), 0, stmt.real(1), stmt.real(2)});
                     });
}

void serverPlacedFiles(engine::Connection& c, const std::vector<IndexedPoint>& points,
                       const PlacedVisit& visit)
{
    std::string keys; // one array value: the statement is the same for any number of points
    for (const IndexedPoint& p : points) {
        keys += (keys.empty() ? "" : ",") + std::to_string(p.id);
    }
    eachRowAsWritten(c,
                     "SELECT path, latitude, longitude FROM \"PlaceIndex\" WHERE \"FieldID\" = ANY "
                     "(?::integer[])",
                     {Value::text("{" + keys + "}")},
                     [&](engine::DriverStatement& stmt) { visitPlaced(stmt, visit); });
}

} // namespace kavdb::store
