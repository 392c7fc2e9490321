/*
 * A table's rows as plain values (table_rows.h). Rows are read by key ranges, each batch
 * one statement ordered by the key, so that neither engine holds more than a batch; rows
 * are added several to a statement, which a server takes in one round trip.
 */
#include "store/table_rows.h"

#include "store/engine/schema.h"

#include <algorithm>
#include <cstring>

namespace kavdb::store {

using engine::Value;

namespace {

/* Values one INSERT statement binds at most: below every engine's parameter limit. */
constexpr std::size_t kValuesPerInsert = 900;

/* A running 64-bit checksum: eight bytes at a time, multiply-rotate mixing. It detects
 * accidental differences, which is all a comparison of two copies needs. */
class Checksum {
  public:
    void add(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        mix(n);
        for (; n >= 8; n -= 8, p += 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            mix(word);
        }
        uint64_t tail = 0;
        if (n > 0) {
            std::memcpy(&tail, p, n);
        }
        mix(tail);
    }
    void mix(uint64_t word)
    {
        h_ ^= word * 0x9E3779B97F4A7C15ull;
        h_ = ((h_ << 27) | (h_ >> 37)) * 0xC2B2AE3D27D4EB4Full + 0x165667B19E3779F9ull;
    }
    uint64_t value() const { return h_; }

  private:
    uint64_t h_ = 0x27D4EB2F165667C5ull;
};

/* Rows a digest reads to one statement: fewer statements seek fewer times, and a server,
 * which hands a statement's rows over at once, still holds a few megabytes of them. */
constexpr int kDigestBatch = 2048;

void addValue(Checksum& sum, const Value& v)
{
    sum.mix(v.kind());
    if (v.isText()) {
        sum.add(v.asText().data(), v.asText().size());
    } else if (v.isBytes()) {
        sum.add(v.asBytes().data(), v.asBytes().size());
    } else if (v.isInt()) {
        sum.mix(static_cast<uint64_t>(static_cast<int64_t>(v.asInt())));
    } else if (v.isDouble()) {
        double d = v.asDouble();
        sum.add(&d, sizeof d);
    }
}

/* The statement's column as addValue counts it, its bytes read where the engine holds
 * them: a thumbnail is never copied for its checksum. */
void addColumn(Checksum& sum, engine::DriverStatement& stmt, int i)
{
    engine::DriverStatement::BytesView view = stmt.bytesView(i);
    if (view.kind == engine::Kind::Null) {
        addValue(sum, stmt.value(i));
        return;
    }
    sum.mix(static_cast<uint16_t>(view.kind));
    sum.add(view.data, view.size);
}

std::string columnList(const std::vector<std::string>& columns)
{
    std::string list;
    for (const std::string& column : columns) {
        list += (list.empty() ? "" : ", ") + quotedName(column);
    }
    return list;
}

/* The key, a name of the engine's own (rowid) left bare. */
std::string keyName(const TableShape& shape)
{
    return shape.key == "rowid" ? shape.key : quotedName(shape.key);
}

/* One batch: the key first, then the shape's columns; the rows after `after` when set. */
std::string batchSelect(const TableShape& shape, bool after)
{
    std::string key = keyName(shape);
    return "SELECT " + key + ", " + columnList(shape.columns) + " FROM " + quotedName(shape.table) +
           (after ? " WHERE " + key + " > ?" : "") + " ORDER BY " + key + " LIMIT ?";
}

std::string insertText(const TableShape& shape, std::size_t rows)
{
    std::string one = "(";
    for (std::size_t i = 0; i < shape.columns.size(); ++i) {
        one += i == 0 ? "?" : ", ?";
    }
    one += ")";
    std::string sql = "INSERT INTO " + quotedName(shape.table) + " (" + columnList(shape.columns) +
                      ") VALUES " + one;
    for (std::size_t i = 1; i < rows; ++i) {
        sql += ", " + one;
    }
    return sql;
}

} // namespace

TableShape tableShape(engine::Connection& c, const std::string& table)
{
    engine::Driver& d = c.driver();
    TableShape shape{table, "", d.columnNames(table)};
    for (const std::string& column : shape.columns) {
        if (shape.key.empty() && d.isRowKey(table, column)) {
            shape.key = column;
        }
    }
    if (shape.key.empty()) {
        shape.key = d.rowKey(table); // raises on an engine that has none
    }
    return shape;
}

int64_t rowCount(engine::Connection& c, const std::string& table)
{
    return nativeCount(c, "SELECT count(*) FROM " + quotedName(table));
}

namespace {

/* Steps through the next batch of at most limit rows after the key last (all of them from
 * the first when first), calling visit on the statement standing on each; last becomes
 * the key of the batch's last row. The number of rows. */
int stepBatch(engine::Connection& c, const TableShape& shape, bool first, int64_t& last, int limit,
              const std::function<void(engine::DriverStatement&)>& visit)
{
    std::unique_ptr<engine::DriverStatement> stmt = c.driver().prepare(batchSelect(shape, !first));
    if (!first) {
        stmt->bindKey(1, last);
    }
    stmt->bind(first ? 1 : 2, Value::integer(limit));
    int rows = 0;
    while (stmt->step()) {
        last = stmt->key(0);
        ++rows;
        visit(*stmt);
    }
    stmt->reset();
    return rows;
}

} // namespace

void eachRowBatch(engine::Connection& c, const TableShape& shape, std::size_t batch,
                  const std::function<void(const std::vector<NativeRow>&)>& visit)
{
    const int limit = static_cast<int>(std::max<std::size_t>(batch, 1));
    std::vector<NativeRow> rows;
    int64_t last = 0;
    for (bool first = true;; first = false) {
        rows.clear();
        int n = stepBatch(c, shape, first, last, limit, [&](engine::DriverStatement& stmt) {
            NativeRow row;
            for (int i = 1; i < stmt.columnCount(); ++i) {
                row.push_back(stmt.value(i));
            }
            rows.push_back(std::move(row));
        });
        if (n == 0) {
            return;
        }
        visit(rows);
        if (n < limit) {
            return;
        }
    }
}

void insertRows(engine::Connection& c, const TableShape& shape, const std::vector<NativeRow>& rows)
{
    const std::size_t perStatement =
        std::max<std::size_t>(kValuesPerInsert / shape.columns.size(), 1);
    for (std::size_t at = 0; at < rows.size(); at += perStatement) {
        std::size_t n = std::min(perStatement, rows.size() - at);
        std::unique_ptr<engine::DriverStatement> stmt = c.driver().prepare(insertText(shape, n));
        int index = 1;
        for (std::size_t r = at; r < at + n; ++r) {
            for (const Value& v : rows[r]) {
                stmt->bind(index++, v);
            }
        }
        stmt->run();
    }
    if (shape.key != "rowid") {
        engine::advanceCounter(c, shape.table, shape.key);
    }
}

TableDigest digestRows(engine::Connection& c, const TableShape& shape)
{
    TableDigest digest{shape.table, 0, 0};
    Checksum sum;
    int64_t last = 0;
    for (bool first = true;; first = false) {
        int n = stepBatch(c, shape, first, last, kDigestBatch, [&](engine::DriverStatement& stmt) {
            ++digest.rows;
            for (int i = 1; i < stmt.columnCount(); ++i) {
                addColumn(sum, stmt, i);
            }
        });
        if (n < kDigestBatch) {
            break;
        }
    }
    digest.checksum = sum.value();
    return digest;
}

} // namespace kavdb::store
