/*
 * Recordset: rows of one statement, walked the way the catalogue operations walk them.
 *
 * Two cursors. Forward-only steps the statement and is read-only. Keyset takes, at open,
 * the row keys of a plain single-table select and reads the current row's values by key,
 * so walking rows with large thumbnails holds one row at a time; changes (put/update/
 * delete) go to that row by its key. A keyset over a join or any statement that is not a
 * plain single-table select is read-only and holds the selected values. Rows are added
 * by insertRow.
 *
 * Position rules are ADO's: after open the cursor stands on the first row; BOF is true
 * before the first row, EOF after the last, both on an empty result. Reading a field
 * with no current row raises kNoCurrentRow; an unknown field raises kFieldNotFound.
 */
#pragma once

#include "store/engine/connection.h"
#include "store/engine/value.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::engine {

enum class Cursor { ForwardOnly = 0, Keyset = 1 };

class Recordset {
  public:
    /* Opens jetSql on the connection; raises on failure (statement rejected, closed
     * connection). */
    Recordset(Connection& conn, const std::string& jetSql, Cursor cursor);
    /* Opens jetSql with values bound to its '?' placeholders, one each, in order: a value
     * is never spliced into the text, so it needs no quoting, and every opening of the text
     * shares its prepared statements. Raises kInvalidArg when the counts differ or the
     * text names or numbers its parameters. */
    Recordset(Connection& conn, const std::string& jetSql, std::vector<Value> values,
              Cursor cursor);
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    /* Navigation. */
    void moveFirst();
    void moveNext();
    void move(long n); // relative to the current row
    bool bof() const;
    bool eof() const;
    /* Exact row count for a keyset; -1 for forward-only. */
    long recordCount() const;
    /* Moves forward from the current row (included) to the first live row whose column
     * equals the value (texts: exact for Pathname/Filename, ASCII case-insensitive
     * otherwise); EOF when none. */
    bool find(const std::string& column, const Value& value);

    /* Fields of the current row; names compare ignoring case. */
    int fieldCount() const;
    std::string fieldName(int index) const;
    bool hasField(const std::string& name) const;
    Value get(const std::string& name);
    /* Puts a value; kept (written) when the cursor leaves the row or on update(). An
     * empty value is stored as Null. */
    void put(const std::string& name, const Value& value);
    long actualSize(const std::string& name);
    Value getChunk(const std::string& name, long size);

    /* Changes of a keyset's rows; a deleted row keeps its place, and reading it raises
     * kNoCurrentRow. */
    void update();
    void deleteCurrent();
    void close();
    bool isOpen() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

/* Adds a row to table (a name the caller checked), the values left empty filled by the
 * engine (the auto-increment key among them), and gives the new row's value of column
 * readBack, when one is named: kFieldNotFound when the table has no such column. */
Value insertRow(Connection& conn, const std::string& table, const std::vector<std::string>& names,
                const std::vector<Value>& values, const std::string& readBack = "");

} // namespace kavdb::engine
