/*
 * The cursor over rows held in memory: a statement without row keys (a join, an
 * aggregate) read once at open. Its rows cannot be changed.
 */
#include "store/engine/cursors.h"

#include "store/engine/native.h"

namespace kavdb::engine {

RowsCursor::RowsCursor(Stmt& stmt)
{
    int columns = stmt.columnCount();
    while (stmt.step()) {
        std::vector<Value> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int i = 0; i < columns; ++i) {
            row.push_back(columnValue(stmt.get(), i));
        }
        rows_.push_back(std::move(row));
    }
    stmt.reset();
}

void RowsCursor::next()
{
    if (eof()) {
        raiseNoCurrentRow();
    }
    ++pos_;
}

void RowsCursor::moveBy(long n)
{
    pos_ = movedPosition(pos_, n, count());
}

Value RowsCursor::value(int i)
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return rows_[static_cast<std::size_t>(pos_)][static_cast<std::size_t>(i)];
}

int64_t RowsCursor::key()
{
    raiseEngine(code::kFail, "The recordset is read-only.");
}

} // namespace kavdb::engine
