/*
 * Private to the engine layer and to the benchmarks that weigh it: how many times this
 * process has waited for a server's answer (one statement, one pipeline of statements, a
 * statement's description). The PostgreSQL driver counts them; SQLite has none to count.
 */
#pragma once

#include <cstdint>

namespace kavdb::engine {

uint64_t serverRoundTrips();

} // namespace kavdb::engine
