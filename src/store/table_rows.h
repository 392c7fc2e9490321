/*
 * A table's rows as plain values, on whichever engine holds them: its shape (key and
 * columns), its rows read in key order a batch at a time, rows added with their keys as
 * given, and a digest of its values that reads the same on every engine. Stands on the
 * driver's statements in the engine's own dialect (native_rows.h), values bound to '?'.
 */
#pragma once

#include "store/native_rows.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kavdb::store {

/* The table as its rows are read and written: the key they are ordered by, and the
 * columns each row carries, in the order given. */
struct TableShape {
    std::string table;
    std::string key; // a column name, or the engine's own row key (SQLite's rowid)
    std::vector<std::string> columns;
};

/* The table's every column, and its key: its integer primary key column when it has
 * one, else the engine's row key. */
TableShape tableShape(engine::Connection& c, const std::string& table);

int64_t rowCount(engine::Connection& c, const std::string& table);

/* Calls visit with the rows of the table's columns, in key order, at most batch at a
 * time: a table of any size is read in bounded memory. */
void eachRowBatch(engine::Connection& c, const TableShape& shape, std::size_t batch,
                  const std::function<void(const std::vector<NativeRow>&)>& visit);

/* Adds the rows (each its values in shape order, the key among them) as they are; a
 * counter column then hands out keys past them. */
void insertRows(engine::Connection& c, const TableShape& shape, const std::vector<NativeRow>& rows);

/* The table's rows counted and checksummed over the shape's columns in key order. A
 * value counts by its kind and its bytes (an integer as 64 bits, a number as its
 * double), so two engines holding the same values give the same digest. */
struct TableDigest {
    std::string table;
    int64_t rows = 0;
    uint64_t checksum = 0;
    bool operator==(const TableDigest&) const = default;
};
TableDigest digestRows(engine::Connection& c, const TableShape& shape);

} // namespace kavdb::store
