/*
 * Whole rows of a catalogue as another program reads them, so that a test compares
 * records in one line: a row is its values joined by '|', Null as "-", bytes as '#' and
 * their count. Reads through a connection of its own: only committed work is seen.
 */
#pragma once

#include "support/fixture.h"

#include <string>
#include <vector>

namespace kavdb::test {

using Rows = std::vector<std::string>;

/* Every row the Jet statement selects from the catalogue at path. */
Rows rowsOf(const std::string& catalogue, const std::string& sql);

/* CatalogueTest reading its own catalogue's rows. */
class RowsTest : public CatalogueTest {
  protected:
    Rows rows(const std::string& sql) { return rowsOf(dbPath_, sql); }
    /* The only row selected, or "(n rows)". */
    std::string row(const std::string& sql);
    long count(const std::string& table);
    /* Runs Jet SQL through the public export, failing the test on an error. */
    void sql(const std::string& statement);
    /* Runs SQLite's own statement past the column checks, leaving what a catalogue made
     * before its columns were checked may hold. */
    void uncheckedSql(const std::string& statement);
    /* The folder dir/photos/, where the tests keep their files, and a file in it. */
    std::string photos() const { return dir_ + "/photos/"; }
    std::string at(const std::string& name) const { return photos() + name; }
};

} // namespace kavdb::test
