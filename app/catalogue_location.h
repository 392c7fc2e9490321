/*
 * Where kavdb keeps its catalogue: --db PATH when given, otherwise
 * $XDG_DATA_HOME/kavdb/catalogue.mdb (~/.local/share/kavdb/catalogue.mdb when unset).
 * The library wants ".mdb" somewhere in the name of a catalogue file.
 */
#pragma once

#include <string>

namespace kavdb {

/* The default catalogue path from the environment. */
std::string defaultCataloguePath();

/* The catalogue path to use: chosen (made absolute) or the default. */
std::string cataloguePath(const std::string& chosen);

/* True when the library accepts path as a catalogue file name. */
bool acceptableCatalogueName(const std::string& path);
/* A catalogue on a PostgreSQL server, named by its libpq URI rather than a file. */
bool isServerUri(const std::string& path);

} // namespace kavdb
