/*
 * The catalogue's place index, on SQLite's R*Tree: one point per file whose metadata row
 * holds a latitude and a longitude (signed degrees), found by box, and beside it the file's
 * exact position and path, kept in the order of the places. The index
 * is kept in step by triggers stored in the file, in the transaction of every write that moves or
 * renames a file or its folder or changes its position. Every statement in SQLite's dialect lives
 * here; a server's form is server_place_index.h's (a b-tree over latitude and longitude).
 */
#pragma once

#include "store/index_definition.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavdb::store {

/* A box of positions in degrees, edges included. */
struct PlaceBox {
    double south = 0;
    double north = 0;
    double west = 0;
    double east = 0;
};

/* One file inside a box. The path is the engine's, good only while the visit runs: a
 * search copies only the paths it keeps. */
struct PlacedFile {
    std::string_view path;
    double latitude = 0;
    double longitude = 0;
};

using PlacedVisit = std::function<void(const PlacedFile&)>;

/* The index (R*Tree, or the server's form on a server): made of two number items,
 * latitude then longitude. */
const CatalogueIndex& placeIndex();

/* An indexed point as the index's own bounds hold it: within a few metres of the file's
 * position (the R*Tree keeps 32-bit bounds around each point); with its cell, that
 * position finds its file's row. */
struct IndexedPoint {
    int32_t id = 0;
    int64_t cell = 0;
    double latitude = 0;
    double longitude = 0;
};

/* The longitudes [west, east] a file between two latitudes (south, north) may have and
 * still matter to a search: west > east when none may. */
using LongitudeSpan = std::function<std::pair<double, double>(double south, double north)>;

/* Calls visit for every indexed file inside the box, and some just outside it, at its
 * exact position; with a span, only for files within the span at their latitude (and
 * some just outside it). */
void filesInBox(engine::Connection& c, const PlaceBox& box, const PlacedVisit& visit,
                const LongitudeSpan& span = {});
/* Calls visit for every indexed point inside the box; reads the index's bounds alone. */
void pointsInBox(engine::Connection& c, const PlaceBox& box,
                 const std::function<void(const IndexedPoint&)>& visit);
/* Calls visit for the file of every point given that has one, at its exact position, in
 * no particular order. */
void placedFiles(engine::Connection& c, std::vector<IndexedPoint> points, const PlacedVisit& visit);

/* Calls visit for the file row a statement of either form stands on: path, latitude,
 * longitude. */
void visitPlaced(engine::DriverStatement& stmt, const PlacedVisit& visit);

} // namespace kavdb::store
