/*
 * Private to the engine layer: the three ways a recordset walks its rows.
 *
 * KeysetCursor holds the keys of a keyed select (select_reader.h), taken at open, and
 * reads the current row by its key. StreamCursor steps a statement forward only.
 * RowsCursor holds the values of a statement without row keys (a join, an aggregate),
 * read at open. Position follows ADO: BOF before the first row, EOF after the last, both
 * on no rows.
 */
#pragma once

#include "store/engine/select_reader.h"
#include "store/engine/statement.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::engine {

/* The fields of a recordset: names, the table column behind each (empty for an
 * expression or another table's column), and indexes by name length for quick look-up. */
struct Layout {
    std::vector<std::string> fields;
    std::vector<std::string> columns;
    std::vector<std::vector<int>> byLength;
};

class RowCursor {
  public:
    virtual ~RowCursor() = default;

    virtual void first() = 0;
    virtual void next() = 0; // raises kNoCurrentRow at EOF
    virtual void moveBy(long n) = 0;
    virtual bool bof() = 0;
    virtual bool eof() = 0;
    virtual long count() = 0; // -1 when the cursor cannot tell

    /* Standing on a row that exists: not BOF/EOF, not deleted. */
    virtual bool live() = 0;
    /* Columns of the live row; raise kNoCurrentRow without one. */
    virtual Value value(int i) = 0;
    virtual long size(int i) = 0;
    virtual Value chunk(int i, long n) = 0;
    /* The fields, as the engine describes them once it has run the statement. */
    virtual Layout describe(const std::string& tableName) = 0;

    /* Rows of a table: the current row's key, and what changes do to the position. */
    virtual int64_t key() = 0;
    virtual void markDeleted() = 0;
    virtual void invalidate() = 0; // the row changed: read it again
    virtual void standOnNew(int64_t key) = 0;
};

/* The first count columns of a statement that has stepped, as fields. */
Layout layoutOf(DriverStatement& stmt, int count, const std::string& tableName);

/* Moving n rows from pos within [-1, count]: beyond either end gives BOF or EOF; moving
 * on from BOF or EOF in the direction already taken raises kNoCurrentRow. */
long movedPosition(long pos, long n, long count);

/* A keyset over a keyed select with its values: the keys are taken here. */
std::unique_ptr<RowCursor> keysetCursor(std::shared_ptr<StatementCache> cache,
                                        const SelectParts& parts, std::vector<Value> values);
/* A forward-only walk over a statement, bound already; a keyed select's stream gives each
 * row's key last (reselect), so that rows can be changed and an added row read. */
std::unique_ptr<RowCursor> streamCursor(std::shared_ptr<StatementCache> cache, Stmt stream,
                                        const SelectParts& parts);
/* Every row of a statement that has no row keys, read now. */
std::unique_ptr<RowCursor> rowsCursor(Stmt& stmt);

} // namespace kavdb::engine
