/*
 * Recordset: opening a statement on the cursor that fits it, then navigation, field access
 * and changes over that cursor (cursors.h).
 *
 * A value put into a field waits in the recordset until update(), or until the cursor
 * leaves the row or the recordset closes, and is then written to the row by its key.
 * Deleted rows keep their place in the walk.
 */
#include "store/engine/recordset.h"

#include "store/engine/cursors.h"
#include "store/engine/dialect.h"
#include "store/engine/lexer.h"
#include "store/engine/native.h"
#include "store/engine/schema.h"

#include <charconv>
#include <optional>

namespace kavdb::engine {

namespace {

/* A found cell equals the wanted value: numbers by value, texts exactly or ignoring ASCII
 * case, as the column itself compares. */
bool findMatches(const Value& cell, const Value& wanted, bool exactText)
{
    if (cell.isNothing() || wanted.isNothing()) {
        return false;
    }
    if (cell.isInt() && wanted.isInt()) {
        return cell.asInt() == wanted.asInt();
    }
    if (wanted.isText() && (cell.isText() || cell.isInt())) {
        std::string text = cell.toText();
        return exactText ? text == wanted.asText() : equalsIgnoreCase(text, wanted.asText());
    }
    if (wanted.isInt() && cell.isText()) {
        int32_t n = 0;
        const std::string& s = cell.asText();
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        return ec == std::errc() && end == s.data() + s.size() && n == wanted.asInt();
    }
    return cell == wanted;
}

[[noreturn]] void fieldNotFound(const std::string& name)
{
    raiseEngine(code::kFieldNotFound, "Item cannot be found in the collection corresponding to "
                                      "the requested name or ordinal: " +
                                          name);
}

} // namespace

struct Recordset::Impl {
    std::shared_ptr<StatementCache> cache;
    std::unique_ptr<RowCursor> cursor; // null once closed
    KeysetCursor* keyset = nullptr;    // the cursor, when its rows can be changed
    SelectParts parts;                 // keyed: the table changes go to
    std::optional<Layout> fields;
    std::vector<std::pair<int, Value>> pending;

    void open(Connection& conn, const std::string& jet, std::vector<Value> values, Cursor type);
    void ensureOpen() const
    {
        if (!cursor || cache->closed()) {
            raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
        }
    }
    const Layout& layout()
    {
        if (!fields) {
            fields = cursor->describe(parts.tableName);
        }
        return *fields;
    }
    int fieldIndex(const std::string& name);
    int field(const std::string& name)
    {
        int i = fieldIndex(name);
        if (i < 0) {
            fieldNotFound(name);
        }
        return i;
    }
    void requireRow()
    {
        if (!cursor->live()) {
            raiseNoCurrentRow();
        }
    }
    void requireWritable(int f)
    {
        if (keyset == nullptr ||
            (f >= 0 && layout().columns[static_cast<std::size_t>(f)].empty())) {
            raiseEngine(code::kFail, "The recordset or field cannot be updated.");
        }
    }
    const Value* pendingValue(int f) const
    {
        for (const auto& [index, value] : pending) {
            if (index == f) {
                return &value;
            }
        }
        return nullptr;
    }
    void flush()
    {
        if (!pending.empty()) {
            write();
        }
    }
    void write();
    /* Runs a change of the current row: sql with values, the row key last. */
    void change(const std::string& sql, std::vector<Value> values);
};

void Recordset::Impl::open(Connection& conn, const std::string& jet, std::vector<Value> values,
                           Cursor type)
{
    refuseBreakingAKey(conn, jet);
    const std::vector<std::string>& statements = conn.translate(jet);
    cache = conn.statements();
    if (statements.size() > 1) { // a key added by ALTER TABLE: run at once, left closed
        for (const std::string& sql : statements) {
            cache->driver().run(sql);
        }
        return;
    }
    Stmt stmt(cache, statements.front());
    if (stmt->namedParameters() ||
        (!values.empty() && stmt->parameterCount() != static_cast<int>(values.size()))) {
        raiseEngine(code::kInvalidArg, "Values are bound to as many '?' placeholders only.");
    }
    stmt.bindAll(values);
    if (stmt->columnCount() == 0) { // returns no rows: run at open, left closed as ADO does
        stmt.run();
        return;
    }
    if (type == Cursor::Keyset) {
        parts = readSelect(statements.front());
    }
    try { // a keyed select whose table has no row keys after all (a view) is read as it is
        if (parts.keyed) {
            auto k = std::make_unique<KeysetCursor>(cache, parts, values);
            keyset = k.get();
            cursor = std::move(k);
        }
    } catch (const EngineError&) {
        parts.keyed = false;
    }
    if (!cursor) {
        cursor = type == Cursor::Keyset ? rowsCursor(stmt) : streamCursor(std::move(stmt));
    }
}

int Recordset::Impl::fieldIndex(const std::string& name)
{
    const Layout& l = layout();
    if (name.size() >= l.byLength.size()) {
        return -1;
    }
    for (int i : l.byLength[name.size()]) {
        const std::string& f = l.fields[static_cast<std::size_t>(i)];
        if (f == name || equalsIgnoreCase(f, name)) { // mostly spelt as declared
            return i;
        }
    }
    return -1;
}

void Recordset::Impl::change(const std::string& sql, std::vector<Value> values)
{
    Stmt stmt(cache, sql + " WHERE " + cache->driver().rowKey() + " = ?", values);
    stmt->bindKey(static_cast<int>(values.size()) + 1, keyset->key());
    stmt.run();
}

void Recordset::Impl::write()
{
    // Taken out first: a failed write is not retried on every later move.
    auto changes = std::move(pending);
    pending.clear();
    std::string sql = "UPDATE " + parts.table + " SET ";
    std::vector<Value> values;
    for (auto& [f, value] : changes) {
        sql += (values.empty() ? "" : ", ") +
               quoteIdent(layout().columns[static_cast<std::size_t>(f)]) + " = ?";
        values.push_back(std::move(value));
    }
    change(sql, std::move(values));
    keyset->invalidate();
}

Recordset::Recordset(Connection& conn, const std::string& jetSql, Cursor cursor)
    : impl_(std::make_unique<Impl>())
{
    refuseUnboundParameters(jetSql);
    impl_->open(conn, jetSql, {}, cursor);
}

Recordset::Recordset(Connection& conn, const std::string& jetSql, std::vector<Value> values,
                     Cursor cursor)
    : impl_(std::make_unique<Impl>())
{
    impl_->open(conn, jetSql, std::move(values), cursor);
}

Recordset::~Recordset()
{
    try {
        if (isOpen()) {
            impl_->flush();
        }
    } catch (...) {
        // A destructor never raises; the change is lost as it would be in ADO.
    }
}

Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::moveFirst()
{
    impl_->ensureOpen();
    impl_->flush();
    impl_->cursor->first();
}

void Recordset::moveNext()
{
    impl_->ensureOpen();
    impl_->flush();
    impl_->cursor->next();
}

void Recordset::move(long n)
{
    impl_->ensureOpen();
    impl_->flush();
    impl_->cursor->moveBy(n);
}

bool Recordset::bof() const
{
    impl_->ensureOpen();
    return impl_->cursor->bof();
}

bool Recordset::eof() const
{
    impl_->ensureOpen();
    return impl_->cursor->eof();
}

long Recordset::recordCount() const
{
    impl_->ensureOpen();
    return impl_->cursor->count();
}

bool Recordset::find(const std::string& column, const Value& value)
{
    impl_->ensureOpen();
    int f = impl_->field(column);
    bool exact = isExactTextColumn(impl_->layout().fields[static_cast<std::size_t>(f)]);
    impl_->flush();
    RowCursor& c = *impl_->cursor;
    if (c.bof() && !c.eof()) {
        c.first();
    }
    for (; !c.eof(); c.next()) {
        if (c.live() && findMatches(c.value(f), value, exact)) {
            return true;
        }
    }
    return false;
}

int Recordset::fieldCount() const
{
    impl_->ensureOpen();
    return static_cast<int>(impl_->layout().fields.size());
}

std::string Recordset::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount()) {
        fieldNotFound(std::to_string(index));
    }
    return impl_->layout().fields[static_cast<std::size_t>(index)];
}

bool Recordset::hasField(const std::string& name) const
{
    impl_->ensureOpen();
    return impl_->fieldIndex(name) >= 0;
}

Value Recordset::get(const std::string& name)
{
    impl_->ensureOpen();
    int f = impl_->field(name);
    const Value* v = impl_->pendingValue(f); // put on this row, not written yet
    return v != nullptr ? *v : impl_->cursor->value(f);
}

void Recordset::put(const std::string& name, const Value& value)
{
    impl_->ensureOpen();
    int f = impl_->field(name);
    impl_->requireWritable(f);
    impl_->requireRow();
    Value stored = value.isEmpty() ? Value::null() : value;
    for (auto& change : impl_->pending) {
        if (change.first == f) {
            change.second = std::move(stored);
            return;
        }
    }
    impl_->pending.emplace_back(f, std::move(stored));
}

long Recordset::actualSize(const std::string& name)
{
    impl_->ensureOpen();
    int f = impl_->field(name);
    impl_->requireRow();
    const Value* v = impl_->pendingValue(f);
    return v != nullptr ? valueSize(*v) : impl_->cursor->size(f);
}

Value Recordset::getChunk(const std::string& name, long size)
{
    impl_->ensureOpen();
    int f = impl_->field(name);
    impl_->requireRow();
    const Value* v = impl_->pendingValue(f);
    return v != nullptr ? valueChunk(*v, size) : impl_->cursor->chunk(f, size);
}

void Recordset::update()
{
    impl_->ensureOpen();
    impl_->flush();
}

void Recordset::deleteCurrent()
{
    impl_->ensureOpen();
    impl_->requireWritable(-1);
    impl_->requireRow();
    impl_->pending.clear(); // an edit of a deleted row has nowhere to go
    impl_->change("DELETE FROM " + impl_->parts.table, {});
    impl_->keyset->markDeleted();
}

void Recordset::close()
{
    impl_->ensureOpen();
    try {
        impl_->flush();
    } catch (...) {
        impl_->cursor.reset();
        throw;
    }
    impl_->cursor.reset();
}

bool Recordset::isOpen() const
{
    return impl_ && impl_->cursor != nullptr && !impl_->cache->closed();
}

Value insertRow(Connection& conn, const std::string& table, const std::vector<std::string>& names,
                const std::vector<Value>& values, const std::string& readBack)
{
    if (names.size() != values.size()) {
        raiseEngine(code::kInvalidArg, "A new row needs one value for each field name.");
    }
    std::string columns, marks;
    std::vector<Value> given;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!values[i].isEmpty()) { // left empty: the engine fills it in
            columns += (given.empty() ? "" : ", ") + quoteIdent(names[i]);
            marks += given.empty() ? "?" : ", ?";
            given.push_back(values[i]);
        }
    }
    std::shared_ptr<StatementCache> cache = conn.statements();
    Stmt(cache,
         "INSERT INTO " + table +
             (given.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + marks + ")"),
         given)
        .run();
    if (readBack.empty()) {
        return Value();
    }
    Stmt row(cache, "SELECT * FROM " + table + " WHERE " + cache->driver().rowKey() + " = ?");
    row->bindKey(1, cache->driver().lastRowId());
    row->step();
    for (int i = 0; i < row->columnCount(); ++i) {
        if (equalsIgnoreCase(row->column(i).name, readBack)) {
            return row->value(i);
        }
    }
    fieldNotFound(readBack);
}

} // namespace kavdb::engine
