/*
 * The PostgreSQL driver: the only code of the library that calls libpq. A catalogue is one
 * database; its failures become EngineErrors by SQLSTATE. Inside a transaction every
 * statement runs between a savepoint and its release, sent in one pipeline, so that a
 * failed statement fails alone, as on SQLite, instead of aborting the transaction.
 */
#include "store/engine/driver.h"

#include "store/engine/jet/dialect.h"
#include "store/engine/jet/lexer.h"
#include "store/engine/jet/server_functions.h"
#include "store/engine/native.h"
#include "store/engine/pg_text.h"
#include "store/engine/round_trips.h"
#include "store/engine/statement.h"

#include <libpq-fe.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>

namespace kavdb::engine {

HResult hresultForSqlstate(std::string_view state, std::string_view constraint)
{
    // The Jet column types' checks say which of Jet's codes (target_postgres.cpp).
    if (state == "23514" && constraint.starts_with("jet_type")) {
        return code::kDataMismatch;
    }
    if (state == "23514" && constraint.starts_with("jet_size")) {
        return code::kFieldTooSmall;
    }
    // A state of its own, else its class (the first two characters). A server that went
    // away or is going takes the connection with the transaction (08, 57P0x); 22012 and
    // 22023 fail Jet's functions as SQLite's functions fail them.
    static constexpr std::pair<std::string_view, HResult> kCodes[] = {
        {"57P01", code::kServerLost},    {"57P02", code::kServerLost},
        {"57P03", code::kServerLost},    {"42P01", code::kNoSuchTable},
        {"42703", code::kUnknownColumn}, {"22001", code::kFieldTooSmall},
        {"22003", code::kFieldTooSmall}, {"42804", code::kDataMismatch},
        {"22P02", code::kDataMismatch},  {"22007", code::kDataMismatch},
        {"22008", code::kDataMismatch},  {"2BP01", code::kConstraint},
        {"0A000", code::kSyntax},        {"3B001", code::kSyntax},
        {"25P01", code::kSyntax},        {"22012", code::kSyntax},
        {"22023", code::kSyntax},        {"53200", code::kOutOfMemory},
        {"08", code::kServerLost},       {"23", code::kConstraint},
        {"42", code::kSyntax},
    };
    for (const auto& [prefix, code] : kCodes) {
        if (state.starts_with(prefix)) {
            return code;
        }
    }
    return code::kFail;
}

namespace {

std::atomic<uint64_t> roundTrips{0};

/* The advisory lock a writer holds for its transaction: one writer per catalogue. */
constexpr long long kWriterLock = 0x4B415644; // "KAVD"
/* The savepoint around each statement inside a transaction. */
const std::string kStatementPoint = "kavdb_statement";

/* Type identifiers of the built-in types (pg_type.oid, fixed by the server). */
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kFloat4 = 700,
    kFloat8 = 701,
    kTimestamp = 1114,
    kNumeric = 1700,
};

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

Result own(PGresult* r)
{
    return Result(r, &PQclear);
}

/* The result of the next statement of a pipeline, the rest of its answer passed over. */
Result nextResult(PGconn* conn)
{
    Result first = own(PQgetResult(conn));
    while (PGresult* more = PQgetResult(conn)) {
        PQclear(more);
    }
    return first;
}

bool failed(const PGresult* r)
{
    ExecStatusType s = r != nullptr ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    return s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK;
}

std::string field(const PGresult* r, int which)
{
    const char* f = r != nullptr ? PQresultErrorField(r, which) : nullptr;
    return f != nullptr ? f : "";
}

/* The connection's own message, without its line ends. */
std::string connectionMessage(PGconn* conn)
{
    std::string message = PQerrorMessage(conn);
    while (!message.empty() && message.back() == '\n') {
        message.pop_back();
    }
    return message;
}

bool fitsInt32(long long n)
{
    return n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max();
}

/* Values bound to a statement, in libpq's shape: texts, and bytes in binary form. */
struct Params {
    std::vector<std::string> values;
    std::vector<char> isNull;
    std::vector<int> formats, lengths;

    void resize(int n)
    {
        std::size_t size = static_cast<std::size_t>(std::max(n, 0));
        values.resize(size);
        isNull.resize(size, 1);
        formats.resize(size, 0);
        lengths.resize(size, 0);
    }
    void set(int index, std::string v, bool binary)
    {
        if (index < 1 || static_cast<std::size_t>(index) > values.size()) {
            raiseEngine(code::kFail, "Parameter " + std::to_string(index) + " is out of range.");
        }
        std::size_t i = static_cast<std::size_t>(index - 1);
        values[i] = std::move(v);
        isNull[i] = 0;
        formats[i] = binary ? 1 : 0;
        lengths[i] = static_cast<int>(values[i].size());
    }
    std::vector<const char*> pointers() const
    {
        std::vector<const char*> out;
        for (std::size_t i = 0; i < values.size(); ++i) {
            out.push_back(isNull[i] != 0 ? nullptr : values[i].data());
        }
        return out;
    }
};

class PgDriver;
class PgStatement;
/* The statements alive on a driver; a statement may outlive its driver (a recordset still
 * open when its connection closes), so both hold the list. */
using LiveStatements = std::shared_ptr<std::set<PgStatement*>>;

class PgStatement final : public DriverStatement {
  public:
    PgStatement(PgDriver& driver, std::string sql);
    ~PgStatement() override;

    int parameterCount() override { return text_.parameters; }
    void bind(int index, const Value& value) override;
    void bindKey(int index, int64_t key) override
    {
        params_.set(index, std::to_string(key), false);
    }
    bool step() override;
    void reset() override;
    void streamRows() override { stream_ = true; }
    /* The driver goes: its cursors with it, so that a reset asks it nothing. */
    void forgetCursor() { cursor_.clear(); }
    bool busy() override { return result_ && row_ >= 0 && row_ < PQntuples(result_.get()); }
    long rowsHeld() override { return result_ ? PQntuples(result_.get()) : -1; }
    bool readOnly() override { return readOnly_; }
    int columnCount() override { return PQnfields(described()); }
    ColumnOrigin column(int i) override;
    Value value(int i) override;
    int64_t key(int i) override { return std::strtoll(cell(i), nullptr, 10); }
    double real(int i) override { return std::strtod(cell(i), nullptr); }
    long size(int i) override;
    Value chunk(int i, long n) override { return valueChunk(value(i), n); }

  private:
    const PGresult* described();
    void respell();
    const char* cell(int i);
    bool isNullCell(int i);

    PgDriver& driver_;
    LiveStatements live_;
    std::string sql_;       // as the engine wrote it
    ServerText text_;       // as the server reads it, names spelled as they were then
    uint64_t spelling_ = 0; // which spelling of the names (PgDriver::spell)
    bool changesNames_ = false;
    Params params_;
    Result result_{nullptr, &PQclear};
    Result description_{nullptr, &PQclear};
    int row_ = -1;
    bool readOnly_ = false;
    bool stream_ = false;      // the next run reads its rows through a cursor
    std::string cursor_;       // the cursor the rows come from; empty when none
    uint64_t transaction_ = 0; // the transaction the cursor lives in
};

class PgDriver final : public Driver {
  public:
    explicit PgDriver(const std::string& uri);
    ~PgDriver() override
    {
        for (PgStatement* s : *live_) {
            s->forgetCursor(); // it went with the connection
        }
        PQfinish(conn_);
    }

    bool readOnly() override { return readOnly_; }
    std::unique_ptr<DriverStatement> prepare(const std::string& sql) override
    {
        return std::make_unique<PgStatement>(*this, sql);
    }
    void run(const std::string& sql) override { PgStatement(*this, sql).run(); }
    std::string rowKey(const std::string& table) override;

    void begin(bool writer) override;
    void commit() override;
    bool inTransaction() override
    {
        // A COMMIT sent ahead ended the last one, whatever the server has still to say.
        PGTransactionStatusType s = PQtransactionStatus(conn_);
        return !opening_.empty() || (!commitSent_ && s != PQTRANS_IDLE && s != PQTRANS_UNKNOWN);
    }
    void releaseStatements() noexcept override
    {
        for (PgStatement* s : *live_) {
            s->reset();
        }
    }
    void rollback() noexcept override
    {
        opening_.clear();
        releaseStatements();
        closing_.clear(); // the cursors go with the transaction
        if (!commitSent_ && PQstatus(conn_) == CONNECTION_OK &&
            PQtransactionStatus(conn_) != PQTRANS_IDLE) {
            ++roundTrips;
            own(PQexec(conn_, "ROLLBACK"));
        }
    }
    Mishap mishap() override { return mishap_; }
    void backupTo(const std::string&) override { refuseFileCopy(); }
    void restoreFrom(const std::string&) override { refuseFileCopy(); }

    bool tableExists(const std::string& table) override { return tableOid(table) != 0; }
    std::vector<std::string> columnNames(const std::string& table) override;
    bool isRowKey(const std::string& table, const std::string& column) override
    {
        std::string key = primaryKey(table);
        return !key.empty() && equalsIgnoreCase(key, column);
    }
    bool inAKey(const std::string& table) override;
    /* A keyset reads its rows by key: a statement's whole result is held by the client, so
     * a stream over a large table is never started beside it. */
    bool streamsRows() override { return false; }
    Dialect dialect() override { return Dialect::Postgres; }

    /* Runs one of the engine's own statements as it is, neither renamed nor numbered. */
    Result plain(const std::string& sql);
    /* One statement with its values; inside a transaction it fails alone. A statement
     * that may write (anything but a SELECT) is marked, so that its COMMIT is waited for. */
    Result execute(const std::string& sql, const Params& p, bool writes);
    /* The columns a statement would give, without running it. */
    Result describe(const std::string& sql, int parameters);
    LiveStatements live() { return live_; }
    /* Connects again to a server lost since the last call: only where a statement is
     * prepared, never under one that steps (a call that lost its transaction fails). */
    void reconnectIfLost();
    /* text spelled with the server's names as they are now, unless it already is (its
     * spelling, updated). Names are read again after a statement that changes them. */
    void spell(const std::string& sql, ServerText& text, uint64_t& spelling);
    void namesChanged() { namesStale_ = true; }
    ColumnOrigin origin(const PGresult* r, int i);
    /* A forward-only read's first batch of rows, from a cursor of the transaction made for
     * it (named in name; transaction says which transaction it lives in). */
    Result openCursor(const std::string& sql, const Params& p, std::string& name,
                      uint64_t& transaction);
    Result fetch(const std::string& name) { return atomically({fetchFrom(name)}, Params{}); }
    /* Closes the cursor with the next statement, if its transaction is still going on. */
    void closeCursor(const std::string& name, uint64_t transaction) noexcept;
    /* The rows a cursor hands over at a time. */
    static constexpr int kBatch = 1024;
    /* A catalogue an older library made lacks the newer server functions: they are made
     * when it is opened, where the role may (else the statements using them fail). */
    void bringFunctionsUp();

  private:
    void runOwn(const std::string& sql) override { plain(sql); }
    static std::string fetchFrom(const std::string& name)
    {
        return "FETCH FORWARD " + std::to_string(kBatch) + " FROM " + name;
    }
    /* Connects to the server; code is what a failure raises. */
    void connect(HResult code);
    /* Raises the failure r stands for (null: the connection's own), noting a mishap. */
    [[noreturn]] void fail(const PGresult* r);
    /* The statements in one round trip between a savepoint and its release, the first one
     * with p; the last one's result. */
    Result atomically(const std::vector<std::string>& statements, const Params& p);
    /* The texts in one round trip, texts[which] with p; each one's result. */
    std::vector<Result> pipelined(const std::vector<std::string>& texts, std::size_t which,
                                  const Params& p);
    /* Sends the opening of the transaction, when no statement has yet. */
    void sendOpening();
    /* The answer to a COMMIT sent ahead (commit): read with the next pipeline of
     * statements, or waited for before anything else is sent. */
    void readCommitAnswer() noexcept;
    void settleCommit() noexcept;
    /* Ends the statement's savepoint, undoing the statement first when asked; nothing is
     * sent to a server that is gone. */
    void endStatementPoint(bool undo) noexcept;
    std::string scalar(const std::string& sql, const std::string& arg = "");
    std::vector<std::string> column(const std::string& sql, const std::string& arg);
    Oid tableOid(const std::string& table);
    std::string primaryKey(const std::string& table);
    void loadNames();
    [[noreturn]] static void refuseFileCopy()
    {
        raiseEngine(code::kFail, "A server catalogue has no file to copy; its server's own "
                                 "backups (pg_dump) keep it.");
    }

    PGconn* conn_ = nullptr;
    std::string uri_;
    bool readOnly_ = false;
    Mishap mishap_ = Mishap::None;
    /* The BEGIN of the transaction, and a writer's lock, not sent yet: they go with its
     * first statement, in the same round trip. */
    std::vector<std::string> opening_;
    std::vector<std::string> closing_; // cursors' CLOSEs to go with the next statement
    uint64_t transaction_ = 0;         // counts the transactions begun
    uint64_t cursors_ = 0;             // names the cursors
    bool wrote_ = false;               // the transaction has sent a statement that may write
    bool commitSent_ = false;          // a COMMIT whose answer is still to be read
    NameSpellings names_;
    bool namesStale_ = true;
    uint64_t spelling_ = 0;                                // counts the readings of the names
    std::map<std::string, std::string> keys_;              // primary key column by lowercase table
    std::map<Oid, std::map<int, ColumnOrigin>> columnsOf_; // by table and number; type: size
    LiveStatements live_ = std::make_shared<std::set<PgStatement*>>();
};

PgStatement::PgStatement(PgDriver& driver, std::string sql)
    : driver_(driver), live_(driver.live()), sql_(std::move(sql))
{
    driver_.reconnectIfLost();
    driver_.spell(sql_, text_, spelling_);
    params_.resize(text_.parameters);
    std::size_t start = text_.sql.find_first_not_of(" (");
    std::string verb = start == std::string::npos ? "" : text_.sql.substr(start, 6);
    readOnly_ = equalsIgnoreCase(verb, "SELECT");
    for (const char* ddl : {"CREATE", "ALTER ", "DROP "}) {
        changesNames_ = changesNames_ || equalsIgnoreCase(verb.substr(0, std::strlen(ddl)), ddl);
    }
    live_->insert(this);
}

PgStatement::~PgStatement()
{
    live_->erase(this);
}

void PgStatement::bind(int index, const Value& v)
{
    switch (v.kindOf()) {
    case Kind::Int:
        return params_.set(index, std::to_string(v.asInt()), false);
    case Kind::Bool:
        return params_.set(index, v.asBool() ? "-1" : "0", false); // stored as Jet does
    case Kind::Double: {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v.asDouble());
        return params_.set(index, text, false);
    }
    case Kind::Text:
        return params_.set(index, v.asText(), false);
    case Kind::Bytes:
        return params_.set(index, std::string(v.asBytes().begin(), v.asBytes().end()), true);
    default:
        params_.set(index, "", false); // raises when out of range
        params_.isNull[static_cast<std::size_t>(index - 1)] = 1;
    }
}

bool PgStatement::step()
{
    if (!result_) {
        respell();
        result_ = stream_ && readOnly_ && driver_.inTransaction()
                      ? driver_.openCursor(text_.sql, params_, cursor_, transaction_)
                      : driver_.execute(text_.sql, params_, !readOnly_);
        if (changesNames_) {
            driver_.namesChanged();
        }
        row_ = -1;
    }
    ++row_;
    if (!cursor_.empty() && row_ == PgDriver::kBatch) { // a full batch: there may be more
        try {
            result_ = driver_.fetch(cursor_);
        } catch (...) {
            reset();
            throw;
        }
        row_ = 0;
    }
    return row_ < PQntuples(result_.get());
}

void PgStatement::reset()
{
    if (!cursor_.empty()) {
        driver_.closeCursor(cursor_, transaction_);
        cursor_.clear();
    }
    stream_ = false;
    result_.reset();
    row_ = -1;
}

/* A statement kept from before a name was made (say, one that found no such table then)
 * is spelled again with the names as they are now. */
void PgStatement::respell()
{
    uint64_t was = spelling_;
    driver_.spell(sql_, text_, spelling_);
    if (spelling_ != was) {
        description_.reset();
    }
}

const PGresult* PgStatement::described()
{
    if (result_) {
        return result_.get();
    }
    respell();
    if (!description_) {
        description_ = driver_.describe(text_.sql, text_.parameters);
    }
    return description_.get();
}

ColumnOrigin PgStatement::column(int i)
{
    return driver_.origin(described(), i);
}

const char* PgStatement::cell(int i)
{
    if (!busy() || i < 0 || i >= PQnfields(result_.get())) {
        raiseNoCurrentRow();
    }
    return PQgetvalue(result_.get(), row_, i);
}

bool PgStatement::isNullCell(int i)
{
    cell(i);
    return PQgetisnull(result_.get(), row_, i) != 0;
}

Value PgStatement::value(int i)
{
    if (isNullCell(i)) {
        return Value::null();
    }
    const char* text = cell(i);
    switch (PQftype(result_.get(), i)) {
    case kInt2:
    case kInt4:
        return Value::integer(std::atoi(text));
    case kInt8: {
        long long n = std::strtoll(text, nullptr, 10);
        return fitsInt32(n) ? Value::integer(static_cast<int32_t>(n)) : Value::text(text);
    }
    case kFloat4:
    case kFloat8:
        return Value::real(std::strtod(text, nullptr));
    case kNumeric: {
        double d = std::strtod(text, nullptr);
        bool whole = std::strchr(text, '.') == nullptr ||
                     d == static_cast<double>(static_cast<long long>(d));
        return whole && fitsInt32(static_cast<long long>(d))
                   ? Value::integer(static_cast<int32_t>(d))
                   : Value::text(text);
    }
    case kBool:
        return Value::integer(text[0] == 't' ? -1 : 0);
    case kBytea: {
        std::size_t n = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
        Bytes bytes(raw, raw + n);
        PQfreemem(raw);
        return Value::bytes(std::move(bytes));
    }
    case kTimestamp: { // a date at midnight is the date alone, as a file catalogue writes it
        std::string_view at(text);
        return Value::text(std::string(
            at.ends_with(" 00:00:00") ? at.substr(0, at.size() - std::strlen(" 00:00:00")) : at));
    }
    default:
        return Value::text(text);
    }
}

long PgStatement::size(int i)
{
    if (isNullCell(i)) {
        return 0;
    }
    switch (PQftype(result_.get(), i)) {
    case kInt2:
    case kInt4:
    case kBool:
        return 4;
    case kFloat4:
    case kFloat8:
        return 8;
    case kBytea:
        return static_cast<long>(value(i).asBytes().size());
    default:
        return PQgetlength(result_.get(), row_, i);
    }
}

PgDriver::PgDriver(const std::string& uri) : uri_(uri)
{
    try {
        connect(code::kFail);
        readOnly_ = scalar("SELECT current_setting('transaction_read_only')") == "on";
    } catch (...) {
        PQfinish(conn_); // no destructor runs for a driver that was never made
        throw;
    }
}

void PgDriver::connect(HResult code)
{
    if (conn_ != nullptr) {
        PQfinish(conn_);
    }
    conn_ = PQconnectdb(uri_.c_str());
    commitSent_ = false;
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::string message = connectionMessage(conn_);
        PQfinish(conn_);
        conn_ = nullptr; // libpq reads a null connection as a bad one
        raiseEngine(code, "The catalogue's server cannot be reached: " + message);
    }
    // Dates read back as the SQLite catalogue writes them; a lock held past the busy
    // timeout fails as a busy SQLite file does.
    plain("SET DateStyle = ISO, YMD; SET lock_timeout = '5s'; SET client_min_messages = warning");
    namesStale_ = true;
}

void PgDriver::bringFunctionsUp()
{
    std::string level = scalar(jet::recordedFunctionsLevel());
    if (readOnly_ || level.empty() || std::atoi(level.c_str()) >= jet::serverFunctionsLevel()) {
        return;
    }
    try {
        for (const char* sql : jet::serverFunctions()) {
            plain(sql);
        }
    } catch (const EngineError&) {
        // A role that may not make functions keeps the catalogue's as they are.
    }
}

void PgDriver::reconnectIfLost()
{
    if (PQstatus(conn_) != CONNECTION_OK && !inTransaction()) {
        connect(code::kServerLost); // the server was lost after the last call
    }
}

void PgDriver::spell(const std::string& sql, ServerText& text, uint64_t& spelling)
{
    if (std::string_view(sql).starts_with(kAsWritten)) {
        if (text.sql.empty()) {
            text = serverText(sql.substr(kAsWritten.size()), NameSpellings{});
        }
        return;
    }
    if (namesStale_) {
        loadNames();
    }
    if (spelling != spelling_) {
        text = serverText(sql, names_);
        spelling = spelling_;
    }
}

void PgDriver::loadNames()
{
    names_.clear();
    Result r = plain("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                     "current_schema()::regnamespace AND c.relkind IN ('r', 'p', 'v') UNION "
                     "SELECT a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                     "WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind IN "
                     "('r', 'p', 'v') AND a.attnum > 0 AND NOT a.attisdropped");
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        std::string name = PQgetvalue(r.get(), i, 0);
        std::string low = lowerAscii(name);
        // The library's own objects are made as written, in lower case (kAsWritten): a
        // catalogue's name spelled alike but for case is the one a statement means.
        auto [at, added] = names_.emplace(low, name);
        if (!added && at->second == low) {
            at->second = name;
        }
    }
    keys_.clear();
    columnsOf_.clear(); // a column's size may have changed with the names
    namesStale_ = false;
    ++spelling_;
}

Result PgDriver::plain(const std::string& sql)
{
    settleCommit();
    sendOpening();
    ++roundTrips;
    Result r = own(PQexec(conn_, sql.c_str()));
    if (failed(r.get())) {
        fail(r.get());
    }
    return r;
}

void PgDriver::fail(const PGresult* r)
{
    std::string state = field(r, PG_DIAG_SQLSTATE);
    std::string message = field(r, PG_DIAG_MESSAGE_PRIMARY);
    bool lost = PQstatus(conn_) == CONNECTION_BAD;
    if (lost) {
        mishap_ = Mishap::Lost;
    } else if ((state == "40001" || state == "40P01") && mishap_ == Mishap::None) {
        mishap_ = Mishap::Conflict;
    }
    if (lost || (state.empty() && message.empty())) {
        state = state.empty() ? "08006" : state;
        message = "The connection to the catalogue's server was lost: " + connectionMessage(conn_);
    }
    throw EngineError(hresultForSqlstate(state, field(r, PG_DIAG_CONSTRAINT_NAME)), kEngineSource,
                      message);
}

Result PgDriver::execute(const std::string& sql, const Params& p, bool writes)
{
    wrote_ = wrote_ || writes;
    if (opening_.empty()) {
        settleCommit(); // else read with the opening's pipeline
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
        fail(nullptr);
    }
    if (opening_.empty() && PQtransactionStatus(conn_) == PQTRANS_IDLE) {
        ++roundTrips;
        std::vector<const char*> values = p.pointers();
        Result r = own(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                    values.data(), p.lengths.data(), p.formats.data(), 0));
        if (failed(r.get())) {
            namesStale_ = true; // a name another process made may be missing
            fail(r.get());
        }
        return r;
    }
    return atomically({sql}, p);
}

Result PgDriver::openCursor(const std::string& sql, const Params& p, std::string& name,
                            uint64_t& transaction)
{
    settleCommit();
    if (PQstatus(conn_) != CONNECTION_OK) {
        fail(nullptr);
    }
    name = "kavdb_rows_" + std::to_string(++cursors_);
    transaction = transaction_;
    return atomically({"DECLARE " + name + " NO SCROLL CURSOR FOR " + sql, fetchFrom(name)}, p);
}

void PgDriver::closeCursor(const std::string& name, uint64_t transaction) noexcept
{
    try {
        if (transaction == transaction_ && inTransaction()) {
            closing_.push_back("CLOSE " + name);
        }
    } catch (...) {
        // Left open, the cursor goes with its transaction.
    }
}

/* The savepoint, the statements and the release go in one round trip, after the opening
 * of the transaction when it is still to be sent, and with the cursors to close; a failed
 * statement is undone to the savepoint, leaving the transaction as it was before it. */
Result PgDriver::atomically(const std::vector<std::string>& statements, const Params& p)
{
    std::vector<std::string> texts = std::move(opening_);
    opening_.clear();
    std::size_t at = texts.size();
    texts.push_back("SAVEPOINT " + kStatementPoint);
    texts.insert(texts.end(), closing_.begin(), closing_.end());
    closing_.clear();
    std::size_t first = texts.size();
    texts.insert(texts.end(), statements.begin(), statements.end());
    texts.push_back("RELEASE SAVEPOINT " + kStatementPoint);
    std::vector<Result> results = pipelined(texts, first, p);
    if (at > 0 && PQstatus(conn_) != CONNECTION_OK) {
        // A server lost between two calls shows only now, before this call's transaction
        // began: it may connect again and begin.
        connect(code::kServerLost);
        results = pipelined(texts, first, p);
    }
    for (std::size_t i = 0; i < at; ++i) {
        if (failed(results[i].get())) {
            rollback();
            fail(results[i].get());
        }
    }
    for (std::size_t i = at + 1; i + 1 < texts.size(); ++i) {
        if (failed(results[i].get())) {
            endStatementPoint(true);
            namesStale_ = true;
            fail(results[i].get());
        }
    }
    if (failed(results[at].get()) || failed(results.back().get())) {
        fail(failed(results[at].get()) ? results[at].get() : results.back().get());
    }
    return std::move(results[texts.size() - 2]);
}

std::vector<Result> PgDriver::pipelined(const std::vector<std::string>& texts, std::size_t which,
                                        const Params& p)
{
    ++roundTrips;
    std::vector<const char*> values = p.pointers();
    bool answerDue = commitSent_;
    if (!answerDue) {
        PQenterPipelineMode(conn_);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        bool bound = i == which;
        PQsendQueryParams(conn_, texts[i].c_str(), bound ? static_cast<int>(values.size()) : 0,
                          nullptr, bound ? values.data() : nullptr,
                          bound ? p.lengths.data() : nullptr, bound ? p.formats.data() : nullptr,
                          0);
    }
    PQpipelineSync(conn_);
    if (answerDue) {
        readCommitAnswer();
    }
    std::vector<Result> results;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        results.push_back(nextResult(conn_));
    }
    own(PQgetResult(conn_)); // the sync
    PQexitPipelineMode(conn_);
    return results;
}

void PgDriver::sendOpening()
{
    std::vector<std::string> opening = std::move(opening_);
    opening_.clear();
    try {
        for (const std::string& sql : opening) {
            plain(sql);
        }
    } catch (...) {
        rollback();
        throw;
    }
}

Result PgDriver::describe(const std::string& sql, int parameters)
{
    settleCommit();
    bool inside = inTransaction();
    if (inside) {
        plain("SAVEPOINT " + kStatementPoint);
    }
    ++roundTrips;
    Result r = own(PQprepare(conn_, "", sql.c_str(), parameters, nullptr));
    if (!failed(r.get())) {
        ++roundTrips;
        r = own(PQdescribePrepared(conn_, ""));
    }
    if (inside) {
        endStatementPoint(failed(r.get()));
    }
    if (failed(r.get())) {
        fail(r.get());
    }
    return r;
}

void PgDriver::endStatementPoint(bool undo) noexcept
{
    if (PQstatus(conn_) != CONNECTION_OK) {
        return;
    }
    if (undo) {
        ++roundTrips;
        own(PQexec(conn_, ("ROLLBACK TO SAVEPOINT " + kStatementPoint).c_str()));
    }
    ++roundTrips;
    own(PQexec(conn_, ("RELEASE SAVEPOINT " + kStatementPoint).c_str()));
}

std::string PgDriver::scalar(const std::string& sql, const std::string& arg)
{
    std::vector<std::string> rows = column(sql, arg);
    return rows.empty() ? "" : rows[0];
}

std::vector<std::string> PgDriver::column(const std::string& sql, const std::string& arg)
{
    Params p;
    if (sql.find("$1") != std::string::npos) {
        p.resize(1);
        p.set(1, arg, false);
    }
    Result r = execute(sql, p, false);
    std::vector<std::string> out;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        out.emplace_back(PQgetvalue(r.get(), i, 0));
    }
    return out;
}

void PgDriver::begin(bool writer)
{
    mishap_ = Mishap::None;
    wrote_ = false;
    ++transaction_;
    closing_.clear();
    if (PQstatus(conn_) != CONNECTION_OK) {
        connect(code::kServerLost);
    }
    // A reader reads one snapshot, as on SQLite, and may still write the little a read
    // makes (a folder row); writers take turns by the lock, so that they never fail on
    // each other's rows.
    opening_ = {writer ? "BEGIN ISOLATION LEVEL READ COMMITTED"
                       : "BEGIN ISOLATION LEVEL REPEATABLE READ"};
    if (writer) {
        opening_.push_back("SELECT pg_advisory_xact_lock(" + std::to_string(kWriterLock) + ")");
    }
}

void PgDriver::commit()
{
    closing_.clear(); // the cursors go with the transaction
    if (!opening_.empty()) {
        opening_.clear(); // nothing was sent: nothing to commit
        return;
    }
    // A transaction that wrote nothing has nothing to make durable: its COMMIT is sent at
    // once, ending it on the server, and its answer is read with the next call's first
    // statements, so that no call waits for it.
    if (!wrote_ && PQenterPipelineMode(conn_) == 1) {
        PQsendQueryParams(conn_, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0);
        PQpipelineSync(conn_);
        commitSent_ = true;
        return;
    }
    Result r = plain("COMMIT");
    // A transaction that failed under the caller answers COMMIT with ROLLBACK.
    if (std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) {
        raiseEngine(code::kFail, "The transaction was rolled back by the server.");
    }
}

void PgDriver::readCommitAnswer() noexcept
{
    commitSent_ = false;
    nextResult(conn_);
    own(PQgetResult(conn_)); // the sync
}

void PgDriver::settleCommit() noexcept
{
    if (!commitSent_) {
        return;
    }
    PQconsumeInput(conn_);
    if (PQisBusy(conn_) == 1) {
        ++roundTrips; // the answer is still on its way: this waits for it
    }
    readCommitAnswer();
    PQexitPipelineMode(conn_);
}

Oid PgDriver::tableOid(const std::string& table)
{
    std::string oid = scalar("SELECT c.oid FROM pg_class c WHERE c.relnamespace = "
                             "current_schema()::regnamespace AND c.relkind IN ('r', 'p') AND "
                             "lower(c.relname) = lower($1) ORDER BY c.relname = $1 DESC LIMIT 1",
                             table);
    return static_cast<Oid>(std::strtoul(oid.c_str(), nullptr, 10));
}

std::vector<std::string> PgDriver::columnNames(const std::string& table)
{
    return column("SELECT attname FROM pg_attribute WHERE attrelid = $1::oid AND attnum > 0 AND "
                  "NOT attisdropped ORDER BY attnum",
                  std::to_string(tableOid(table)));
}

std::string PgDriver::primaryKey(const std::string& table)
{
    std::string low = lowerAscii(table);
    auto it = keys_.find(low);
    if (it != keys_.end()) {
        return it->second;
    }
    std::string key = scalar("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid "
                             "= i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = $1::oid "
                             "AND i.indisprimary AND i.indnatts = 1 AND a.atttypid IN (20, 21, 23)",
                             std::to_string(tableOid(table)));
    keys_.emplace(low, key);
    return key;
}

std::string PgDriver::rowKey(const std::string& table)
{
    std::string key = primaryKey(table);
    if (key.empty()) {
        raiseEngine(code::kFail, "Table " + table +
                                     " of a server catalogue has no integer "
                                     "primary key to read its rows by.");
    }
    return quoteIdent(key);
}

bool PgDriver::inAKey(const std::string& table)
{
    return !scalar("SELECT 1 FROM pg_constraint WHERE contype = 'f' AND (conrelid = $1::oid OR "
                   "confrelid = $1::oid)",
                   std::to_string(tableOid(table)))
                .empty();
}

ColumnOrigin PgDriver::origin(const PGresult* r, int i)
{
    static const std::map<Oid, const char*> kTypes = {
        {kInt2, "SMALLINT"}, {kInt4, "INTEGER"}, {kInt8, "INTEGER"}, {kFloat4, "REAL"},
        {kFloat8, "REAL"},   {kNumeric, "REAL"}, {kBytea, "BLOB"},   {kTimestamp, "DATETIME"},
    };
    auto type = kTypes.find(PQftype(r, i));
    ColumnOrigin c{PQfname(r, i), "", "", type != kTypes.end() ? type->second : "TEXT"};
    Oid table = PQftable(r, i);
    int col = PQftablecol(r, i);
    if (table == InvalidOid || col <= 0) {
        return c; // an expression: its type is the server's
    }
    std::map<int, ColumnOrigin>& columns = columnsOf_[table];
    if (columns.empty()) {
        // A text's or a binary's size is its Jet size check (target_postgres.cpp).
        Result rows = plain("SELECT c.relname, a.attnum, a.attname, (SELECT substring("
                            "pg_get_constraintdef(k.oid) FROM '<= ([0-9]+)') FROM pg_constraint "
                            "k WHERE k.conrelid = c.oid AND k.conname = 'jet_size_' || a.attname) "
                            "FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid WHERE "
                            "c.oid = " +
                            std::to_string(table) + " AND a.attnum > 0");
        for (int row = 0; row < PQntuples(rows.get()); ++row) {
            columns[std::atoi(PQgetvalue(rows.get(), row, 1))] = {
                "", PQgetvalue(rows.get(), row, 0), PQgetvalue(rows.get(), row, 2),
                PQgetvalue(rows.get(), row, 3)};
        }
    }
    const ColumnOrigin& known = columns[col]; // its type: the size check's size
    c.table = known.table;
    c.column = known.column;
    if (!known.type.empty() && (c.type == "TEXT" || c.type == "BLOB")) {
        c.type += "(" + known.type + ")";
    }
    return c;
}

/* The database the URI names, made on its server; false when the URI names none or the
 * server will not make it. */
bool makeDatabase(const std::string& uri)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    std::string database;
    for (PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o) {
        if (o->val != nullptr && std::strcmp(o->keyword, "dbname") == 0) {
            database = o->val;
        }
    }
    PQconninfoFree(options);
    if (database.empty()) {
        return false;
    }
    // The URI's settings with the server's own database in place of the one to make.
    const char* keys[] = {"dbname", "dbname", nullptr};
    const char* values[] = {uri.c_str(), "postgres", nullptr};
    PGconn* admin = PQconnectdbParams(keys, values, 1);
    bool made =
        PQstatus(admin) == CONNECTION_OK &&
        !failed(own(PQexec(admin, ("CREATE DATABASE " + quoteIdent(database)).c_str())).get());
    PQfinish(admin);
    return made;
}

} // namespace

uint64_t serverRoundTrips()
{
    return roundTrips.load();
}

std::unique_ptr<Driver> openPostgres(const std::string& uri)
{
    auto d = std::make_unique<PgDriver>(uri);
    d->bringFunctionsUp();
    return d;
}

bool serverHoldsCatalogue(const std::string& uri)
{
    try {
        return PgDriver(uri).tableExists("PathTable");
    } catch (const EngineError&) {
        return false;
    }
}

void createPostgres(const std::string& uri)
{
    std::unique_ptr<PgDriver> d;
    try {
        d = std::make_unique<PgDriver>(uri);
    } catch (const EngineError&) {
        if (!makeDatabase(uri)) {
            throw;
        }
        d = std::make_unique<PgDriver>(uri);
    }
    if (!d->columnNames("PathTable").empty() || !d->columnNames("MainTable").empty()) {
        raiseEngine(code::kFail, "The database already holds a catalogue.");
    }
    for (const char* sql : jet::catalogueObjects()) {
        d->plain(sql);
    }
    for (const char* sql : jet::serverFunctions()) {
        d->plain(sql);
    }
}

} // namespace kavdb::engine
