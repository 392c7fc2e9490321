/*
 * The catalogue's place index on a PostgreSQL server, without PostGIS: one row per file
 * whose metadata row holds a latitude and a longitude (signed degrees), with its exact
 * position and path, under a b-tree ordered by latitude then longitude, kept in step by
 * triggers in the transaction of every write that moves or renames a file or its folder
 * or changes its position. The searches of place_index.h read it on a server; every
 * statement in PostgreSQL's dialect lives here.
 */
#pragma once

#include "store/place_index.h"

namespace kavdb::store {

/* The server's form of the index (place_index.h's placeIndex() chooses it on a server). */
const CatalogueIndex& serverPlaceIndex();

/* place_index.h's searches on a server: the points are the files' exact positions and
 * carry no cell. */
void serverFilesInBox(engine::Connection& c, const PlaceBox& box, const PlacedVisit& visit);
void serverPointsInBox(engine::Connection& c, const PlaceBox& box,
                       const std::function<void(const IndexedPoint&)>& visit);
void serverPlacedFiles(engine::Connection& c, const std::vector<IndexedPoint>& points,
                       const PlacedVisit& visit);

} // namespace kavdb::store
