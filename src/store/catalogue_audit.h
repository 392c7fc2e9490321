/*
 * Looking a catalogue over: the links of its enforced keys, metadata rows no file uses,
 * the tables a copy of the catalogue carries, in SQL that both engines read; and, for a
 * catalogue file alone, the engine's integrity check and the connections of its own an
 * audit reads files through.
 */
#pragma once

#include "store/config.h"
#include "store/engine/connection.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kavdb::store {

/* Opens a connection of the audit's own to a catalogue file (a copy, or the catalogue
 * again) that reads it whole, once, beside the handle's connection: its pages mapped
 * rather than read one at a time where the engine can. */
void openForReading(engine::Connection& c, const std::string& file);
/* The same for the engine's integrity check, with a page cache that keeps the indexes it
 * looks every row up in. */
void openForAudit(engine::Connection& c, const std::string& file);
/* Opens a scratch catalogue file that is written once, read back and deleted: no
 * journal and no waiting for the disk, since nothing in it has to survive a crash. */
void openScratch(engine::Connection& c, const std::string& file);

/* What the engine's integrity check of a file reports; empty when the file is sound. */
std::vector<std::string> integrityProblems(engine::Connection& c);

/* One enforced link: child.column names a row of parent by parent.key. */
struct KeyLink {
    std::string child;
    std::string column;
    std::string parent;
    std::string key;
};
/* The catalogue's enforced links: MainTable to PathTable, then to each configured
 * metadata table the catalogue has. */
std::vector<KeyLink> catalogueKeys(const Config& config, engine::Connection& c);
/* The tables a backup must carry whole: PathTable, MainTable, the metadata tables, and the
 * indexes' definitions when there are any. */
std::vector<std::string> catalogueTables(const Config& config, engine::Connection& c);

/* Rows of the child whose link names no parent row. */
int64_t brokenLinks(engine::Connection& c, const KeyLink& link);
/* Repairs them: a file whose folder row is gone is dropped, a link to a missing metadata
 * row is cleared. */
void repairLinks(engine::Connection& c, const KeyLink& link);

/* Rows of a metadata table that no file links to (through MainTable.link). */
int64_t unusedRows(engine::Connection& c, const std::string& table, const std::string& link);
void dropUnusedRows(engine::Connection& c, const std::string& table, const std::string& link);

/* Calls visit with the full path of every catalogued file. */
void eachFilePath(engine::Connection& c, const std::function<void(const std::string&)>& visit);

} // namespace kavdb::store
