/*
 * Schema objects: tables, indexes and keys made by the library itself.
 *
 * Foreign keys are triggers kept in the file, so every tool that opens the catalogue
 * enforces them: a child value must name an existing parent row, a parent row that is
 * still referred to cannot be deleted, and changing a parent key cascades to its
 * children. They can be added to a table that already holds rows.
 */
#pragma once

#include "store/engine/connection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::engine {

/* Column engine types as the catalogue's schema names them. */
enum class ColumnType : int32_t { None = 0, Int = 3, Double = 5, Text = 203, Binary = 205 };

inline constexpr uint32_t kColAutoIncrement = 1;
inline constexpr uint32_t kColNullable = 2;
inline constexpr uint32_t kColPrimaryKey = 4;

struct ColumnSpec {
    std::string name;
    ColumnType type = ColumnType::None;
    uint32_t flags = 0;
};

/* Creates the table; an auto-increment primary-key integer column becomes the row key.
 * Text columns compare ignoring case except Pathname and Filename. */
void createTable(Connection& c, const std::string& table, const std::vector<ColumnSpec>& cols);
/* Adds an enforced key child(column) -> parent(parentColumn) with cascade update. */
void addForeignKey(Connection& c, const std::string& keyName, const std::string& child,
                   const std::string& column, const std::string& parent,
                   const std::string& parentColumn);
void createIndex(Connection& c, const std::string& name, const std::string& table,
                 const std::vector<std::string>& columns);
/* After rows were added with their keys given: the table's counter column hands out keys
 * past the largest. SQLite's counter follows such rows by itself; a server's identity
 * sequence is set past them. */
void advanceCounter(Connection& c, const std::string& table, const std::string& column);
/* Raises kConstraint for a Jet statement that would break an enforced key: dropping a
 * table that is the child or the parent of one would leave the other side's triggers
 * pointing at nothing, and every later write would fail instead of the key holding. */
void refuseBreakingAKey(Connection& c, const std::string& jet);

} // namespace kavdb::engine
