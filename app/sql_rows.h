/*
 * Every column of a SELECT, through a library whose one row-returning call for free SQL
 * (the query file list) hands back a single text column named Filename. The statement is
 * wrapped: it becomes a derived table whose columns, each by an alias of its own, are
 * packed into one text per row (0x1F between columns, 0x1E for Null), and unpacked here.
 * A '*' is spelled out from the catalogue's schema as the configuration describes it.
 * An UPDATE or DELETE is counted before it runs, by the same table text and condition.
 */
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kavdb {

/* The columns of each table kavdb knows (names compare ignoring case), and which of
 * them hold bytes (printed as "<binary>"). */
struct KnownSchema {
    std::map<std::string, std::vector<std::string>> columns; // keys upper-cased
    std::set<std::string> binary;                            // upper-cased column names
};

struct PackedSelect {
    std::string sql;                  // the wrapped statement; empty when refused
    std::vector<std::string> columns; // the names to print them under
    std::string error;
};

PackedSelect packSelect(const std::string& select, const KnownSchema& schema);

/* One packed row as its columns; a Null column is none. */
std::vector<std::optional<std::string>> unpackRow(const std::string& packed);

/* "SELECT COUNT(*) AS Filename FROM <table> [WHERE ...]" counting the rows an UPDATE or
 * DELETE would change; none for any other statement. */
std::optional<std::string> changedRowsCount(const std::string& statement);

} // namespace kavdb
