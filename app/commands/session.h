/*
 * What every command starts from: its catalogue, opened for this process, and one way of
 * reporting problems on standard error ("kavdb: <path>: <reason>").
 */
#pragma once

#include "catalogue.h"
#include "commands/commands.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::commands {

/* What a command does with its catalogue. A reader never writes to it (a read-only
 * catalogue serves search, show, sql SELECT and sheet); a writer first adds the item
 * columns its configuration has gained; only add creates a catalogue that is missing. */
enum class Access { Read, Write, Create };

/* Opens the catalogue the options name; a missing one (unless created) or one that cannot
 * be opened is reported and null returned (exit code 2). */
std::unique_ptr<Catalogue> openCatalogue(const GlobalOptions& global, Access access);

/* The configured items, as the library reads them from kadb.ini. */
std::vector<ConfiguredItem> configuration();

/* "kavdb: subject: reason" on standard error. */
void report(const std::string& subject, const std::string& reason);

/* "kavdb: message" on standard error. */
void report(const std::string& message);

/* A report's lines, one per line on standard output. */
void printLines(const std::vector<std::string>& lines);

/* Exit code for a failed statement: 2 when the statement itself is at fault, else 1. */
int statementExitCode(const Outcome& outcome);

/* The catalogue folder texts a command works on: every folder, or those at or below the
 * folder argument; false (reported) when that argument holds nothing catalogued. */
bool foldersInScope(Catalogue& catalogue, const std::string& folder, std::vector<std::string>& out);

/* True when path has a row in the catalogue (without creating anything). */
bool isCatalogued(Catalogue& catalogue, const std::string& path);

} // namespace kavdb::commands
