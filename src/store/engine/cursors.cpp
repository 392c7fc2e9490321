/*
 * The cursors of recordsets (see cursors.h).
 *
 * A keyset reads a row by its key; a walk forward in key order reads the rows instead
 * from one statement streaming them with their keys, each checked against the key the
 * walk expects. Any other move, a row that does not match, or a stream let go at a slice
 * commit, and the walk goes on by key.
 */
#include "store/engine/cursors.h"

#include "store/engine/lexer.h"
#include "store/engine/native.h"

namespace kavdb::engine {

namespace {

class KeysetCursor final : public RowCursor {
  public:
    KeysetCursor(std::shared_ptr<StatementCache> cache, const SelectParts& parts,
                 std::vector<Value> values);

    void first() override { pos_ = 0; }
    void next() override;
    void moveBy(long n) override { pos_ = movedPosition(pos_, n, size()); }
    bool bof() override { return keys_.empty() || pos_ < 0; }
    bool eof() override { return keys_.empty() || pos_ >= size(); }
    long count() override { return size(); }
    bool live() override;
    Value value(int i) override { return row().value(i); }
    long size(int i) override { return row().size(i); }
    Value chunk(int i, long n) override { return row().chunk(i, n); }
    Layout describe(const std::string& tableName) override
    {
        return layoutOf(*one_, one_->columnCount(), tableName);
    }
    int64_t key() override { return keys_[static_cast<std::size_t>(pos_)]; }
    void markDeleted() override;
    void invalidate() override { loaded_ = nullptr; }
    void standOnNew(int64_t key) override;

  private:
    /* Whether the stream is used: not yet decided, reading the walk's rows, or not. */
    enum class Stream { Untried, On, Off };

    long size() const { return static_cast<long>(keys_.size()); }
    DriverStatement& row();
    bool load();
    bool fromStream();
    void startStream();

    std::shared_ptr<StatementCache> cache_;
    std::vector<Value> values_;
    std::vector<int64_t> keys_;
    std::vector<bool> deleted_; // sized at the first deletion
    long pos_ = 0;
    Stmt one_; // a row by its key
    std::string streamSql_;
    Stmt stream_;
    Stream streaming_ = Stream::Untried;
    long streamPos_ = 0;                // the key index of the stream's next row
    DriverStatement* loaded_ = nullptr; // the statement standing on row loadedPos_
    long loadedPos_ = -1;
};

KeysetCursor::KeysetCursor(std::shared_ptr<StatementCache> cache, const SelectParts& parts,
                           std::vector<Value> values)
    : cache_(std::move(cache)), values_(std::move(values))
{
    const char* key = cache_->driver().rowKey();
    Stmt keys(cache_, reselect(parts, key, key, true), values_);
    while (keys->step()) {
        keys_.push_back(keys->key(0));
    }
    streamSql_ = reselect(parts, parts.list + ", " + key, key, true);
    one_ = Stmt(cache_, rowByKey(parts, key));
    // Read now: the first row, and the fields as the statement has them once it has run.
    one_->bindKey(1, keys_.empty() ? 0 : keys_.front());
    if (one_->step()) {
        loaded_ = &*one_;
        loadedPos_ = 0;
    }
}

void KeysetCursor::next()
{
    if (eof()) {
        raiseNoCurrentRow();
    }
    ++pos_;
}

bool KeysetCursor::live()
{
    if (pos_ < 0 || pos_ >= size() ||
        (!deleted_.empty() && deleted_[static_cast<std::size_t>(pos_)])) {
        return false;
    }
    // A statement let go at a slice commit stands on no row any more.
    return (loaded_ != nullptr && loadedPos_ == pos_ && loaded_->busy()) || load();
}

DriverStatement& KeysetCursor::row()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return *loaded_;
}

bool KeysetCursor::load()
{
    bool streamed = fromStream();
    loaded_ = streamed ? &*stream_ : &*one_;
    loadedPos_ = pos_;
    if (!streamed) {
        one_->reset();
        one_->bindKey(1, key());
        if (!one_->step()) {
            markDeleted(); // gone since its key was taken
            return false;
        }
    }
    return true;
}

void KeysetCursor::markDeleted()
{
    deleted_.resize(keys_.size());
    deleted_[static_cast<std::size_t>(pos_)] = true;
    loaded_ = nullptr;
}

void KeysetCursor::standOnNew(int64_t key)
{
    keys_.push_back(key);
    if (!deleted_.empty()) {
        deleted_.push_back(false);
    }
    pos_ = size() - 1;
    loaded_ = nullptr;
}

/* The stream starts when a walk goes from the first row to the second, and only when its
 * plan needs no sort of its own, which would read every row before the first and hold
 * values changed since. */
void KeysetCursor::startStream()
{
    streaming_ = Stream::Off;
    if (pos_ != 1 || loadedPos_ != 0 || cache_->driver().planSorts(streamSql_)) {
        return;
    }
    stream_ = Stmt(cache_, streamSql_, values_);
    streamPos_ = 0;
    if (stream_->step() && stream_->key(stream_->columnCount() - 1) == keys_.front()) {
        streaming_ = Stream::On; // past the first row, read already by key
        streamPos_ = 1;
    }
}

bool KeysetCursor::fromStream()
{
    if (streaming_ == Stream::Untried) {
        startStream();
    }
    if (streaming_ != Stream::On) {
        return false;
    }
    if (pos_ == 0 && streamPos_ != 0) {
        stream_->reset(); // a walk from the first row again
        streamPos_ = 0;
    }
    if (pos_ != streamPos_) {
        return false; // a jump: by key
    }
    ++streamPos_;
    if ((streamPos_ == 1 || stream_->busy()) && stream_->step() &&
        stream_->key(stream_->columnCount() - 1) == key()) {
        return true;
    }
    // Let go at a slice commit, or this key left the statement's rows, or the order moved.
    streaming_ = Stream::Off;
    return false;
}

class StreamCursor final : public RowCursor {
  public:
    StreamCursor(std::shared_ptr<StatementCache> cache, Stmt stream, const SelectParts& parts)
        : cache_(std::move(cache)), keyed_(parts.keyed), stream_(std::move(stream))
    {
        oneSql_ = keyed_ ? rowByKey(parts, cache_->driver().rowKey()) : "";
    }

    void first() override;
    void next() override;
    void moveBy(long n) override;
    bool bof() override { return !onNew_ && (start(), state_ == kAtEnd && index_ < 0); }
    bool eof() override { return !onNew_ && (start(), state_ == kAtEnd); }
    long count() override { return -1; }
    bool live() override;
    Value value(int i) override { return row().value(i); }
    long size(int i) override { return row().size(i); }
    Value chunk(int i, long n) override { return row().chunk(i, n); }
    Layout describe(const std::string& tableName) override;
    int64_t key() override;
    void markDeleted() override { deleted_ = true; }
    void invalidate() override;
    void standOnNew(int64_t key) override
    {
        readByKey(key);
        onNew_ = true;
    }

  private:
    enum State { kNotStarted, kOnRow, kAtEnd };

    void start();
    void step();
    DriverStatement& row();
    void readByKey(int64_t key);

    std::shared_ptr<StatementCache> cache_;
    bool keyed_;
    std::string oneSql_;
    Stmt stream_, one_;
    State state_ = kNotStarted;
    long index_ = -1;
    bool deleted_ = false;
    bool onNew_ = false; // standing on a row this recordset added
    bool byKey_ = false; // the current row is read through one_
    bool oneRead_ = false, oneFound_ = false;
    int64_t oneKey_ = 0;
};

void StreamCursor::start()
{
    if (state_ == kNotStarted) {
        step();
    }
}

void StreamCursor::step()
{
    state_ = stream_->step() ? kOnRow : kAtEnd;
    index_ += state_ == kOnRow ? 1 : 0;
    deleted_ = false;
    byKey_ = false;
}

void StreamCursor::first()
{
    onNew_ = false;
    if (state_ == kOnRow && index_ == 0 && !byKey_) {
        deleted_ = false;
        return;
    }
    stream_->reset();
    state_ = kNotStarted;
    index_ = -1;
    start();
}

void StreamCursor::next()
{
    if (onNew_) { // from an added row the walk goes on where the stream stood
        onNew_ = false;
        state_ == kNotStarted ? start() : state_ == kOnRow ? step() : void();
        return;
    }
    if (eof()) {
        raiseNoCurrentRow();
    }
    step();
}

void StreamCursor::moveBy(long n)
{
    if (n < 0) {
        raiseEngine(code::kFail, "A forward-only recordset cannot move backward.");
    }
    if (n > 0 && eof()) {
        raiseNoCurrentRow();
    }
    for (long k = 0; k < n && !eof(); ++k) {
        next();
    }
}

bool StreamCursor::live()
{
    if (!onNew_ && (start(), state_ != kOnRow)) {
        return false;
    }
    if (!onNew_ && !byKey_ && !stream_->busy()) {
        raiseEngine(code::kFail, "A forward-only walk does not go on past a slice commit.");
    }
    if (byKey_ && !oneRead_) {
        if (!one_) {
            one_ = Stmt(cache_, oneSql_);
        }
        one_->reset();
        one_->bindKey(1, oneKey_);
        oneFound_ = one_->step();
        oneRead_ = true;
    }
    return !deleted_ && (!byKey_ || oneFound_);
}

DriverStatement& StreamCursor::row()
{
    if (!live()) {
        raiseNoCurrentRow();
    }
    return byKey_ ? *one_ : *stream_;
}

Layout StreamCursor::describe(const std::string& tableName)
{
    if (byKey_) {
        DriverStatement& r = row();
        return layoutOf(r, r.columnCount(), tableName);
    }
    start();
    return layoutOf(*stream_, stream_->columnCount() - (keyed_ ? 1 : 0), tableName);
}

int64_t StreamCursor::key()
{
    if (onNew_ || byKey_) {
        return oneKey_;
    }
    if (!keyed_ || !live()) {
        raiseEngine(code::kFail, "The current row has no key.");
    }
    return stream_->key(stream_->columnCount() - 1);
}

void StreamCursor::readByKey(int64_t key)
{
    if (!keyed_) {
        raiseEngine(code::kFail, "The recordset is read-only.");
    }
    oneKey_ = key;
    byKey_ = true;
    oneRead_ = false;
    deleted_ = false;
}

void StreamCursor::invalidate()
{
    if (onNew_ || byKey_) {
        oneRead_ = false;
    } else if (keyed_ && live()) {
        readByKey(key());
    }
}

class RowsCursor final : public RowCursor {
  public:
    explicit RowsCursor(Stmt& stmt);

    void first() override { pos_ = 0; }
    void next() override
    {
        if (eof()) {
            raiseNoCurrentRow();
        }
        ++pos_;
    }
    void moveBy(long n) override { pos_ = movedPosition(pos_, n, count()); }
    bool bof() override { return rows_.empty() || pos_ < 0; }
    bool eof() override { return rows_.empty() || pos_ >= count(); }
    long count() override { return static_cast<long>(rows_.size()); }
    bool live() override { return !bof() && !eof(); }
    Value value(int i) override
    {
        if (!live()) {
            raiseNoCurrentRow();
        }
        return rows_[static_cast<std::size_t>(pos_)][static_cast<std::size_t>(i)];
    }
    long size(int i) override { return valueSize(value(i)); }
    Value chunk(int i, long n) override { return valueChunk(value(i), n); }
    Layout describe(const std::string&) override { return layout_; }
    int64_t key() override { raiseEngine(code::kFail, "The recordset is read-only."); }
    void markDeleted() override {}
    void invalidate() override {}
    void standOnNew(int64_t) override {}

  private:
    std::vector<std::vector<Value>> rows_;
    Layout layout_;
    long pos_ = 0;
};

RowsCursor::RowsCursor(Stmt& stmt)
{
    int columns = stmt->columnCount();
    while (stmt->step()) {
        std::vector<Value>& row = rows_.emplace_back();
        for (int i = 0; i < columns; ++i) {
            row.push_back(stmt->value(i));
        }
    }
    layout_ = layoutOf(*stmt, columns, "");
    stmt->reset();
}

} // namespace

Layout layoutOf(DriverStatement& stmt, int count, const std::string& tableName)
{
    Layout layout;
    for (int i = 0; i < count; ++i) {
        ColumnOrigin c = stmt.column(i);
        bool ours = !tableName.empty() && equalsIgnoreCase(c.table, tableName);
        layout.fields.push_back(c.name);
        layout.columns.push_back(ours ? c.column : "");
        if (c.name.size() >= layout.byLength.size()) {
            layout.byLength.resize(c.name.size() + 1);
        }
        layout.byLength[c.name.size()].push_back(i);
    }
    return layout;
}

long movedPosition(long pos, long n, long count)
{
    if ((n > 0 && pos >= count) || (n < 0 && pos < 0) || count == 0) {
        raiseNoCurrentRow();
    }
    long to = pos + n;
    return to < -1 ? -1 : to > count ? count : to;
}

std::unique_ptr<RowCursor> keysetCursor(std::shared_ptr<StatementCache> cache,
                                        const SelectParts& parts, std::vector<Value> values)
{
    return std::make_unique<KeysetCursor>(std::move(cache), parts, std::move(values));
}

std::unique_ptr<RowCursor> streamCursor(std::shared_ptr<StatementCache> cache, Stmt stream,
                                        const SelectParts& parts)
{
    return std::make_unique<StreamCursor>(std::move(cache), std::move(stream), parts);
}

std::unique_ptr<RowCursor> rowsCursor(Stmt& stmt)
{
    return std::make_unique<RowsCursor>(stmt);
}

} // namespace kavdb::engine
