/*
 * Recordset: navigation, field access and changes over the cursor chosen at open.
 *
 * A value put into a field waits in the recordset until update(), or until the cursor
 * leaves the row or the recordset closes, and is then written to the row by its key.
 * Deleted rows keep their place in the walk with status kRowDeleted.
 */
#include "store/engine/recordset.h"

#include "store/engine/dialect.h"
#include "store/engine/find.h"
#include "store/engine/lexer.h"
#include "store/engine/native.h"
#include "store/engine/recordset_impl.h"
#include "store/engine/schema.h"

#include <sqlite3.h>

namespace kavdb::engine {

/* Guards, look-ups and writing of the Impl. */

void Recordset::Impl::ensureOpen() const
{
    if (!cursor || cache->closed()) {
        raiseEngine(code::kObjectClosed, "Operation is not allowed when the object is closed.");
    }
}

int Recordset::Impl::fieldIndex(const std::string& name) const
{
    const auto& byLength = layout->fieldsByLength;
    if (name.size() >= byLength.size()) {
        return -1;
    }
    for (int i : byLength[name.size()]) {
        const std::string& field = fields()[static_cast<std::size_t>(i)];
        if (field == name || equalsIgnoreCase(field, name)) { // mostly spelt as declared
            return i;
        }
    }
    return -1;
}

int Recordset::Impl::field(const std::string& name) const
{
    int i = fieldIndex(name);
    if (i < 0) {
        raiseEngine(code::kFieldNotFound, "Item cannot be found in the collection corresponding "
                                          "to the requested name or ordinal: " +
                                              name);
    }
    return i;
}

void Recordset::Impl::requireRow()
{
    if (!cursor->live()) {
        raiseNoCurrentRow();
    }
}

void Recordset::Impl::requireWritable(int f) const
{
    if (table.empty() || (f >= 0 && column(f).empty())) {
        raiseEngine(code::kFail, "The recordset or field cannot be updated.");
    }
}

const Value* Recordset::Impl::pendingValue(int f) const
{
    for (const auto& [index, value] : pending) {
        if (index == f) {
            return &value;
        }
    }
    return nullptr;
}

std::string Recordset::Impl::columnFor(const std::string& name) const
{
    int f = fieldIndex(name);
    return f >= 0 && !column(f).empty() ? column(f) : name;
}

void Recordset::Impl::write()
{
    // Taken out first: a failed write is not retried on every later move.
    auto changes = std::move(pending);
    pending.clear();
    std::string sql = "UPDATE " + table + " SET ";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        sql += (i > 0 ? ", " : "") + quoteIdent(column(changes[i].first)) + " = ?";
    }
    sql += " WHERE rowid = ?";
    Stmt write(cache, verbatim(sql));
    int n = 1;
    for (const auto& change : changes) {
        write.bind(n++, change.second);
    }
    write.bindKey(n, cursor->key());
    write.run();
    cursor->invalidate();
}

/* The public face. */

Recordset::Recordset(Connection& conn, const std::string& jetSql, Cursor cursor)
    : impl_(std::make_unique<Impl>())
{
    refuseUnboundParameters(jetSql);
    refuseBreakingAKey(conn, jetSql);
    LiteralShape jet = jetShapeOf(jetSql);
    impl_->literals = std::move(jet.literals);
    impl_->open(
        conn, jet.sql, [&] { return jet.sql; }, cursor);
}

Recordset::Recordset(Connection& conn, const std::string& jetSql, std::vector<Value> values,
                     Cursor cursor)
    : impl_(std::make_unique<Impl>())
{
    // Kept apart from the plans of texts whose '?' the caller binds no value to.
    static const std::string kBound = "\x01bound ";
    impl_->literals = std::move(values);
    impl_->open(
        conn, kBound + jetSql, [&] { return numberPlaceholders(jetSql, impl_->literals.size()); },
        cursor);
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
    bool exact = isExactTextColumn(impl_->fields()[static_cast<std::size_t>(f)]);
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

bool Recordset::find(const std::string& criterion)
{
    Criterion c = parseCriterion(criterion);
    return find(c.column, c.value);
}

int Recordset::status() const
{
    impl_->ensureOpen();
    if (impl_->cursor->bof() || impl_->cursor->eof()) {
        raiseNoCurrentRow();
    }
    return impl_->cursor->live() ? 0 : kRowDeleted;
}

int Recordset::fieldCount() const
{
    impl_->ensureOpen();
    return static_cast<int>(impl_->fields().size());
}

std::string Recordset::fieldName(int index) const
{
    impl_->ensureOpen();
    if (index < 0 || index >= fieldCount()) {
        raiseEngine(code::kFieldNotFound, "Item cannot be found in the collection corresponding "
                                          "to the requested name or ordinal.");
    }
    return impl_->fields()[static_cast<std::size_t>(index)];
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
    if (const Value* v = impl_->pendingValue(f)) {
        return *v; // put on this row, not written yet
    }
    return impl_->cursor->value(f); // raises kNoCurrentRow without a live row
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
    if (const Value* v = impl_->pendingValue(f)) {
        return valueSize(*v);
    }
    return impl_->cursor->size(f);
}

Value Recordset::getChunk(const std::string& name, long size)
{
    impl_->ensureOpen();
    int f = impl_->field(name);
    impl_->requireRow();
    if (const Value* v = impl_->pendingValue(f)) {
        return valueChunk(*v, size);
    }
    return impl_->cursor->chunk(f, size);
}

void Recordset::addNew(const std::vector<std::string>& names, const std::vector<Value>& values)
{
    impl_->ensureOpen();
    if (names.size() != values.size()) {
        raiseEngine(code::kInvalidArg, "AddNew needs one value for each field name.");
    }
    impl_->requireWritable(-1);
    impl_->flush();
    std::string columns, marks;
    std::vector<const Value*> given;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!values[i].isEmpty()) { // left empty: the engine fills it in
            columns += (given.empty() ? "" : ", ") + quoteIdent(impl_->columnFor(names[i]));
            marks += given.empty() ? "?" : ", ?";
            given.push_back(&values[i]);
        }
    }
    std::string sql =
        "INSERT INTO " + impl_->table +
        (given.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + marks + ")");
    Stmt insert(impl_->cache, verbatim(sql));
    for (std::size_t i = 0; i < given.size(); ++i) {
        insert.bind(static_cast<int>(i) + 1, *given[i]);
    }
    insert.run();
    impl_->cursor->standOnNew(sqlite3_last_insert_rowid(impl_->cache->db()));
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
    Stmt erase(impl_->cache, verbatim("DELETE FROM " + impl_->table + " WHERE rowid = ?"));
    erase.bindKey(1, impl_->cursor->key());
    erase.run();
    impl_->cursor->markDeleted();
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

} // namespace kavdb::engine
