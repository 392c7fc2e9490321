/*
 * Backups that are known to restore: an online copy of the catalogue's committed state,
 * then the copy's integrity and keys checked, then the copy restored into a scratch file
 * whose every table must hold the rows, and the checksum of their values, that the
 * catalogue held when it was copied.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::ops {

using store::HResult;

/* Writes the backup to path, where nothing may exist yet (KAVDB_E_ALREADY_EXISTS).
 * S_OK only for a copy that passed every check; KAVDB_E_DAMAGED (the copy removed) when
 * one failed. The checks' findings are appended to report. */
HResult backupCatalogue(DBHandle* h, const char* path, StringList* report);

} // namespace kavdb::ops
