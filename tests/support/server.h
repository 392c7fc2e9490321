/*
 * The engine a test run uses. With KAVDB_TEST_PG_URI_FILE set the suites run against the
 * test server the ctest fixture started (its base URI is that file's first line): each catalogue is
 * a fresh database reached through a link file, and is dropped when the test ends. Otherwise
 * catalogues are SQLite files, as always.
 */
#pragma once

#include <string>

namespace kavdb::test {

bool onServer();
/* The test server's base URI ("" when the run is not on a server). */
std::string serverBaseUri();
/* On a server run, writes a link file at path naming a new database's URI and returns
 * that URI; otherwise returns "" and writes nothing. */
std::string linkServerCatalogue(const std::string& path);
/* Drops a database linkServerCatalogue named. */
void dropServerCatalogue(const std::string& uri);
/* The URI with its database replaced. */
std::string withDatabase(const std::string& base, const std::string& database);
/* Runs a shell command: its output without the last line break, or "<failed>" when it
 * fails. */
std::string commandOutput(const std::string& command);
/* text quoted for the shell. */
std::string shellQuoted(const std::string& text);
/* Runs sql on the database uri names with the server's own psql (commandOutput). */
std::string serverQuery(const std::string& uri, const std::string& sql);

} // namespace kavdb::test
