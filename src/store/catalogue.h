/*
 * Building a catalogue: the file, the tables of a new catalogue from kadb.ini, the
 * look-up indexes every catalogue needs, and the level file written after creation.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::store {

/* A new, empty catalogue file; E_FAIL when the path exists. */
HResult kaCreateDatabaseFile(const char* path);
/* A catalogue path that is a server URI (postgresql:// or postgres://) rather than a file. */
bool isServerCatalogue(const char* path);
/* The open catalogue is a file (its engine SQLite), which a check and a backup read page
 * by page on connections of their own; a server's pages are the server's own. */
bool catalogueIsAFile(engine::Connection& c);
/* Whether path (a file, a link file or a server URI) holds a catalogue to open: for a
 * server, whether its database holds one; for a file, whether anything is there. */
bool catalogueExists(const char* path);
/* Removes a catalogue file with its -wal and -shm twins; a server catalogue (a URI or a
 * link file naming one) is left as it is. */
void removeCatalogueFile(const std::string& path);
/* MainTable, PathTable and the configured metadata tables with their keys. */
HResult kaCreateTables(DBHandle* h);
/* The indexes behind every folder, file and link look-up; idempotent. */
void ensureLookupIndexes(engine::Connection& c);
/* kadb.dat: "[Common]\r\nlevel=" and kadb.ini's level, when the two differ. */
HResult kaWriteLevelFile();

/* Opens the handle's connection on path with its look-up indexes; a file the engine cannot
 * open leaves the connection closed (reported), and the handle's calls then fail. */
void kaConnect(DBHandle* h, const char* path);
/* Closes the handle's connection: S_OK, or the engine's code (reported). */
HResult kaDisconnect(DBHandle* h);

} // namespace kavdb::store
