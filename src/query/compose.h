/*
 * Query composition: the application's search statement made into a file-list statement.
 *
 * The caller's table list (after "FROM ") and condition (after " WHERE ") are kept; the
 * select list becomes the folder path and file name, the two base tables are added when
 * missing, and the joins that tie MainTable to PathTable and to every listed metadata
 * table are added unless the caller already wrote them. Stands on the configuration.
 */
#pragma once

#include "store/config.h"

#include <string>

namespace kavdb::query {

using store::HResult;

/* Limits of the parts taken from the caller's statement. */
inline constexpr std::size_t kConditionMax = 1039;
inline constexpr std::size_t kTableListMax = 1039;
/* A join text or link column, as a configuration value is limited. */
inline constexpr std::size_t kJoinTextMax = 127;

/* The composed statement, or E_INVALIDARG (missing keyword, a part over its limit, a
 * composed text over store::kSqlMax) or E_FAIL (no configuration file). */
HResult kaComposeQuery(const store::Config& config, const char* statement, std::string& composed);

} // namespace kavdb::query
