/*
 * Recordset: opening a statement on the cursor that fits it, then field access and
 * changes over that cursor (cursors.h).
 *
 * A value put into a field waits in the recordset until update(), or until the cursor
 * leaves the row or the recordset closes, and is then written to the row by its key.
 * Deleted rows keep their place in the walk.
 */
#include "store/engine/recordset.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"
#include "store/engine/native.h"
#include "store/engine/schema.h"

namespace kavdb::engine {

namespace {

[[noreturn]] void fieldNotFound(const std::string& name)
{
    raiseEngine(code::kFieldNotFound, "Item cannot be found in the collection corresponding to "
                                      "the requested name or ordinal: " +
                                          name);
}

} // namespace

Recordset::Recordset(Connection& conn, const std::string& jet, std::vector<Value> values,
                     Cursor type)
{
    if (values.empty()) {
        refuseUnboundParameters(jet);
    }
    refuseBreakingAKey(conn, jet);
    const std::vector<std::string> statements = conn.translate(jet);
    cache_ = conn.statements();
    if (statements.size() > 1) { // a key added by ALTER TABLE, say: run at once, left closed
        wholeOrNothing(conn, [&] {
            for (const std::string& sql : statements) {
                conn.driver().run(sql);
            }
        });
        return;
    }
    Stmt stmt = borrow(cache_, statements.front());
    if (stmt->parameterCount() != static_cast<int>(values.size())) {
        raiseEngine(code::kInvalidArg, "Values are bound to as many '?' placeholders only.");
    }
    stmt->bindAll(values);
    // Returns no rows, or writes whatever columns SQLite's own checks give it: run at open,
    // left closed as ADO does.
    if (stmt->columnCount() == 0 || !stmt->readOnly()) {
        stmt->run();
        return;
    }
    if (type == Cursor::Keyset) {
        parts_ = readSelect(statements.front());
    }
    try { // a keyed select whose table has no row keys after all (a view) is read as it is
        if (parts_.keyed) {
            auto keyset = std::make_unique<KeysetCursor>(cache_, parts_, values);
            keyset_ = keyset.get();
            cursor_ = std::move(keyset);
        }
    } catch (const EngineError&) {
        parts_.keyed = false;
    }
    if (!cursor_) {
        cursor_ = type == Cursor::Keyset ? rowsCursor(stmt) : streamCursor(std::move(stmt));
    }
}

Recordset::~Recordset()
{
    try {
        if (isOpen()) {
            flush();
        }
    } catch (...) {
        // A destructor never raises; the change is lost as it would be in ADO.
    }
}

RowCursor& Recordset::open() const
{
    if (!isOpen()) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
    return *cursor_;
}

const Layout& Recordset::layout() const
{
    if (!fields_) {
        fields_ = cursor_->describe(parts_.tableName);
    }
    return *fields_;
}

int Recordset::fieldIndex(const std::string& name) const
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

int Recordset::field(const std::string& name) const
{
    int i = (open(), fieldIndex(name));
    if (i < 0) {
        fieldNotFound(name);
    }
    return i;
}

Value* Recordset::pendingValue(int f)
{
    for (auto& [index, value] : pending_) {
        if (index == f) {
            return &value;
        }
    }
    return nullptr;
}

int Recordset::onRow(const std::string& name)
{
    int f = field(name);
    requireRow();
    return f;
}

void Recordset::requireRow() const
{
    if (!cursor_->live()) {
        raiseNoCurrentRow();
    }
}

void Recordset::requireWritable(int f) const
{
    if (keyset_ == nullptr || (f >= 0 && layout().columns[static_cast<std::size_t>(f)].empty())) {
        raiseEngine(code::kFail, "The recordset or field cannot be updated.");
    }
}

void Recordset::flush()
{
    if (pending_.empty()) {
        return;
    }
    // Taken out first: a failed write is not retried on every later move.
    auto changes = std::move(pending_);
    pending_.clear();
    std::string sql = "UPDATE " + parts_.table + " SET ";
    std::vector<Value> values;
    for (auto& [f, value] : changes) {
        sql += (values.empty() ? "" : ", ") +
               quoteIdent(layout().columns[static_cast<std::size_t>(f)]) + " = ?";
        values.push_back(std::move(value));
    }
    change(sql, std::move(values));
    keyset_->invalidate();
}

void Recordset::change(const std::string& sql, std::vector<Value> values)
{
    Stmt stmt = borrow(cache_, sql + " WHERE " + cache_->driver().rowKey(parts_.tableName) + " = ?",
                       values);
    stmt->bindKey(static_cast<int>(values.size()) + 1, keyset_->key());
    stmt->run();
}

std::string Recordset::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount()) {
        fieldNotFound(std::to_string(index));
    }
    return layout().fields[static_cast<std::size_t>(index)];
}

Value Recordset::get(const std::string& name)
{
    int f = field(name);
    const Value* v = pendingValue(f);
    return v != nullptr ? *v : cursor_->value(f);
}

void Recordset::put(const std::string& name, const Value& value)
{
    int f = field(name);
    requireWritable(f);
    requireRow();
    Value stored = value.isEmpty() ? Value::null() : value;
    if (Value* waiting = pendingValue(f)) {
        *waiting = std::move(stored);
    } else {
        pending_.emplace_back(f, std::move(stored));
    }
}

long Recordset::actualSize(const std::string& name)
{
    int f = onRow(name);
    const Value* v = pendingValue(f);
    return v != nullptr ? valueSize(*v) : cursor_->size(f);
}

Value Recordset::getChunk(const std::string& name, long size)
{
    int f = onRow(name);
    const Value* v = pendingValue(f);
    return v != nullptr ? valueChunk(*v, size) : cursor_->chunk(f, size);
}

void Recordset::deleteCurrent()
{
    open();
    requireWritable(-1);
    requireRow();
    pending_.clear(); // an edit of a deleted row has nowhere to go
    change("DELETE FROM " + parts_.table, {});
    keyset_->markDeleted();
}

void Recordset::close()
{
    open();
    try { // closed even when the last write fails
        flush();
    } catch (...) {
        cursor_.reset();
        throw;
    }
    cursor_.reset();
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
    // The new row comes back from the statement that adds it: one statement, also on a
    // server, where a key read back afterwards would cost a round trip of its own.
    Stmt insert = borrow(
        conn.statements(),
        "INSERT INTO " + table +
            (given.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + marks + ")") +
            (readBack.empty() ? "" : " RETURNING *"),
        given);
    if (readBack.empty()) {
        insert->run();
        return Value();
    }
    // The row is added at the first step; what follows only hands back what it returns.
    bool added = insert->step();
    for (int i = 0; added && i < insert->columnCount(); ++i) {
        if (equalsIgnoreCase(insert->column(i).name, readBack)) {
            Value v = insert->value(i);
            insert->reset();
            return v;
        }
    }
    insert->reset();
    fieldNotFound(readBack);
}

} // namespace kavdb::engine
