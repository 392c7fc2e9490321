/*
 * Fixture of the engine layer's tests: the shared temporary directory with a fresh
 * catalogue file opened on a connection, a table shaped like the catalogue's file table,
 * and helpers to run SQL and read whole rows back.
 */
#pragma once

#include "store/engine/connection.h"
#include "store/engine/recordset.h"
#include "support/rows.h"

#include <ostream>
#include <string>

namespace kavdb::engine {

/* A value as a failed expectation shows it: its kind and its text. */
inline void PrintTo(const Value& v, std::ostream* os)
{
    *os << "kind " << v.kind() << ": "
        << (v.isText() || v.isInt() || v.isDouble() ? v.toText() : "");
}

} // namespace kavdb::engine

namespace kavdb::engine::test {

using Names = std::vector<std::string>;

class EngineTest : public kavdb::test::TempDirTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string pathOf(const std::string& name) const { return dir_ + "/" + name; }
    /* The first column of the first row of a Jet query, read through a keyset. */
    Value scalar(const std::string& sql);
    long count(const std::string& table) { return scalar("SELECT COUNT(*) FROM " + table).toInt(); }
    /* The committed rows of a Jet query, as another connection reads them (rows.h). */
    Names rows(const std::string& sql) { return kavdb::test::rowsOf(dbPath_, sql); }
    /* The code of the EngineError a Jet statement raises (0 when none). */
    HResult codeOfSql(const std::string& sql);
    /* Runs SQLite's own SQL (no Jet translation). */
    void native(const std::string& sql) { conn_.driver().run(sql); }

    std::string dbPath_;
    Connection conn_;
};

/* EngineTest with Files(FieldID counter key, PathID int, Filename exact text, Comment
 * text, Thumb blob, Marking int) and an index on (PathID, Filename). */
class FilesTest : public EngineTest {
  protected:
    void SetUp() override;
    /* Adds a row; returns its FieldID. */
    int32_t addFile(int32_t pathId, const std::string& name, const std::string& comment = "");
    /* Adds n rows named f0000.jpg, f0001.jpg, ... in folder 1, commented c0, c1, ... */
    void addFiles(int n);
};

/* Calls f and returns the code of the EngineError it raises (0 when none). */
template <class F> HResult codeOf(F&& f)
{
    try {
        f();
    } catch (const EngineError& e) {
        return e.code();
    }
    return 0;
}

} // namespace kavdb::engine::test
