/*
 * Statements in the engine's own dialect, for the store files whose SQL Jet has no words
 * for (full-text and spatial indexes, integrity checks). Each text is one statement with
 * its values bound to '?', run on the connection's driver inside the caller's call.
 */
#pragma once

#include "store/engine/connection.h"

#include <functional>
#include <string>
#include <vector>

namespace kavdb::store {

using NativeRow = std::vector<engine::Value>;

/* Runs sql to its end. */
void runNative(engine::Connection& c, const std::string& sql,
               const std::vector<engine::Value>& values = {});
/* Calls visit with the statement standing on each row of sql in turn. */
void eachNativeRow(engine::Connection& c, const std::string& sql,
                   const std::vector<engine::Value>& values,
                   const std::function<void(engine::DriverStatement&)>& visit);
/* Every row of sql, each its columns' values. */
std::vector<NativeRow> nativeRows(engine::Connection& c, const std::string& sql,
                                  const std::vector<engine::Value>& values = {});
/* The first column of the first row as a whole number; 0 when there is no row. */
int64_t nativeCount(engine::Connection& c, const std::string& sql,
                    const std::vector<engine::Value>& values = {});

/* A name placed in a statement as an identifier (the caller checked it is plain). */
std::string quotedName(const std::string& name);

} // namespace kavdb::store
