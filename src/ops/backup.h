/*
 * Backups that are known to restore: a catalogue file holding the catalogue's committed
 * state (an online copy of a file; a server catalogue's rows copied into a new file),
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

/* The call backupCatalogue runs in: a file is copied under the write lock, so that the
 * digests read beside the copy see what it copies; a server catalogue is read in one
 * snapshot, and its writers go on meanwhile. */
engine::Access backupAccess(DBHandle* h);

} // namespace kavdb::ops
