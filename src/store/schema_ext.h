/*
 * Schema extension: the two metadata tables added to a catalogue made before them
 * (SceneInfo as table 8, FolderInfo as table 9), by Jet statements run through the
 * engine, each with its link column and key in MainTable.
 *
 * A failed addition leaves the catalogue as it was: the change runs inside a savepoint
 * that is rolled back, and a ".bak" twin made by the engine's online backup stands by in
 * case even that fails. No twin is left behind.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::store {

/* Adds metadata table k (its TableName and items from kadb.ini), the link column
 * DataIDk and the key; the key statement's result is the result. 0 when the section
 * names no table. */
HResult kaAddDataTableBySql(DBHandle* h, int32_t k);
/* Adds whichever of SceneInfo and FolderInfo the catalogue lacks. path is the catalogue
 * file, whose ".bak" twin guards the change. */
HResult kaAddItem(DBHandle* h, const char* path);
/* The twin's name: path with its extension replaced by ".bak" (lib.mdb: lib.bak). */
std::string backupPathOf(const std::string& path);

} // namespace kavdb::store
