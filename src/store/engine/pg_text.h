/*
 * Private to the engine layer: SQL text made ready for a PostgreSQL server. Placeholders
 * `?` become `$1, $2, ...`, and names compare ignoring case as in Jet: a word or quoted
 * name that spells a table or column of the catalogue in another case is written as the
 * catalogue spells it. Stands on nothing but the text; the names come from the driver.
 */
#pragma once

#include <string>
#include <unordered_map>

namespace kavdb::engine {

/* The catalogue's table and column names, by their ASCII-lowercase form. */
using NameSpellings = std::unordered_map<std::string, std::string>;

struct ServerText {
    std::string sql;
    int parameters = 0; // how many `?` were numbered
};

/* The text with its placeholders numbered and its known names spelled as the catalogue
 * spells them, quoted. Literals are left as written. */
ServerText serverText(const std::string& sql, const NameSpellings& names);

/* Whether a text is a libpq connection URI (postgresql:// or postgres://). */
bool isServerUri(const std::string& path);

/* The first line of a link file: a catalogue file name that stands for a server
 * catalogue. Its second line is the URI, which never holds a password (libpq's
 * ~/.pgpass and service file hold those). */
inline constexpr const char* kLinkHeader = "kavdb-link 1";

/* The server URI path stands for: path itself when it is one, the URI a link file at
 * path holds, or "" for anything else (a catalogue file, or nothing). */
std::string serverLocation(const std::string& path);

} // namespace kavdb::engine
