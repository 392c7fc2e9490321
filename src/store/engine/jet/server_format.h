/*
 * Private to the engine layer: Jet's Format on a server catalogue, spelled with
 * PostgreSQL's to_char. The pattern is read when the statement is translated, so it must
 * be written in the statement; dates.h reads it as SQLite's Format does.
 */
#pragma once

#include <string>
#include <string_view>

namespace kavdb::engine::jet {

/* Format(value, pattern) as a PostgreSQL expression, value being SQL and pattern the
 * text of the statement's literal. Raises kSyntax for a pattern to_char cannot write. */
std::string serverFormat(const std::string& value, std::string_view pattern);

} // namespace kavdb::engine::jet
