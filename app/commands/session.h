/*
 * What every command starts from: its catalogue, opened for this process, and one way of
 * reporting problems on standard error ("kavdb: <path>: <reason>").
 */
#pragma once

#include "catalogue.h"
#include "commands/commands.h"

#include <memory>
#include <string>

namespace kavdb::commands {

/* Opens the catalogue the options name. create: make it when missing (add does);
 * otherwise a missing catalogue is reported and null returned (exit code 2). */
std::unique_ptr<Catalogue> openCatalogue(const GlobalOptions& global, bool create);

/* "kavdb: subject: reason" on standard error. */
void report(const std::string& subject, const std::string& reason);

/* "kavdb: message" on standard error. */
void report(const std::string& message);

/* Exit code for a failed statement: 2 when the statement itself is at fault, else 1. */
int statementExitCode(const Outcome& outcome);

/* True when path has a row in the catalogue (without creating anything). */
bool isCatalogued(Catalogue& catalogue, const std::string& path);

} // namespace kavdb::commands
