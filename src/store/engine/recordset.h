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
#include "store/engine/cursors.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavdb::engine {

enum class Cursor { ForwardOnly = 0, Keyset = 1 };

class Recordset {
  public:
    /* Opens jetSql with values bound to its '?' placeholders, one each, in order: a value
     * is never spliced into the text, so it needs no quoting, and every opening of the text
     * shares its prepared statements. Raises on failure (statement rejected, closed
     * connection), kInvalidArg when the counts differ or the text names or numbers its
     * parameters, and kUnknownColumn for a placeholder given no values at all. A statement
     * that returns no rows runs here and leaves the recordset closed, as ADO does. */
    Recordset(Connection& conn, const std::string& jetSql, std::vector<Value> values,
              Cursor cursor);
    Recordset(Connection& conn, const std::string& jetSql, Cursor cursor)
        : Recordset(conn, jetSql, {}, cursor)
    {
    }
    ~Recordset();
    Recordset(Recordset&&) noexcept = default;
    Recordset& operator=(Recordset&&) noexcept = default;

    /* Navigation. */
    void moveFirst() { walk().first(); }
    void moveNext() { walk().next(); }
    void move(long n) { walk().moveBy(n); } // relative to the current row
    bool bof() const { return open().bof(); }
    bool eof() const { return open().eof(); }
    /* Exact row count for a keyset; -1 for forward-only. */
    long recordCount() const { return open().count(); }

    /* Fields of the current row; names compare ignoring case. */
    int fieldCount() const { return (open(), static_cast<int>(layout().fields.size())); }
    std::string fieldName(int index) const;
    bool hasField(const std::string& name) const { return (open(), fieldIndex(name) >= 0); }
    Value get(const std::string& name);
    /* Puts a value; kept (written) when the cursor leaves the row or on update(). An
     * empty value is stored as Null. */
    void put(const std::string& name, const Value& value);
    long actualSize(const std::string& name);
    Value getChunk(const std::string& name, long size);

    /* Changes of a keyset's rows; a deleted row keeps its place, and reading it raises
     * kNoCurrentRow. */
    void update() { (open(), flush()); }
    void deleteCurrent();
    void close();
    bool isOpen() const { return cursor_ != nullptr && !cache_->closed(); }

  private:
    RowCursor& open() const; // raises kObjectClosed unless open
    RowCursor& walk() { return (open(), flush(), *cursor_); }
    const Layout& layout() const;
    int fieldIndex(const std::string& name) const;
    int field(const std::string& name) const; // raises kFieldNotFound
    Value* pendingValue(int f);               // put on the row, not written yet
    int onRow(const std::string& name);       // the field, on a live row
    void requireRow() const;                  // raises kNoCurrentRow
    void requireWritable(int f) const;
    void flush();
    /* Runs a change of the current row: sql with values, the row key last. */
    void change(const std::string& sql, std::vector<Value> values);

    std::shared_ptr<StatementCache> cache_;
    std::unique_ptr<RowCursor> cursor_; // null once closed
    KeysetCursor* keyset_ = nullptr;    // the cursor, when its rows can be changed
    SelectParts parts_;                 // keyed: the table changes go to
    mutable std::optional<Layout> fields_;
    std::vector<std::pair<int, Value>> pending_;
};

/* Adds a row to table (a name the caller checked), the values left empty filled by the
 * engine (the auto-increment key among them), and gives the new row's value of column
 * readBack, when one is named: kFieldNotFound when the table has no such column. */
Value insertRow(Connection& conn, const std::string& table, const std::vector<std::string>& names,
                const std::vector<Value>& values, const std::string& readBack = "");

} // namespace kavdb::engine
