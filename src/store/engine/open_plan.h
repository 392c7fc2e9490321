/*
 * Private to the engine layer: what opening a recordset on a Jet text works out, kept for
 * the next opening of the same text, or of one that differs only in compared literals.
 *
 * Translating the text, reading its shape, deriving the statements a cursor walks with
 * and describing the fields cost several times what running the statement does, and the
 * library opens the same few shapes thousands of times in a folder walk. A plan is keyed
 * by the Jet text with its compared literals taken out (jetShapeOf); the opening binds
 * that recordset's literals to every statement derived from the plan. Plans made before
 * the schema changed, by this connection or any other, are forgotten: the schema version
 * is read again whenever it may have moved, that is outside a transaction, after a
 * transaction or savepoint statement (a new snapshot may show another process's change,
 * a rollback may undo one) and after any statement that is not plain data access.
 */
#pragma once

#include "store/engine/cursors.h"
#include "store/engine/literal_shape.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kavdb::engine {

/* The fields of a recordset: names, the table column behind each (empty for an
 * expression), and indexes by name length for quick look-up. */
struct Layout {
    std::vector<std::string> fields;
    std::vector<std::string> columns;
    std::vector<std::vector<int>> fieldsByLength;
};

struct OpenPlan {
    /* Translated statements. More than one: each is run in turn and no rows come back. */
    std::vector<std::string> statements;
    /* A select from one table, walked by row key: the statements below are set. */
    bool table = false;
    std::string tableSql; // the table as named in SQL, for changes
    std::shared_ptr<const Layout> layout;
    LiteralShape one;    // a row by key
    LiteralShape stream; // forward-only: the rows with their keys
    int streamKey = -1;
    KeysetStatements keyset;
};

/* Works out the plan of a Jet text (already in shape) on the connection's statements;
 * raises when the text holds no statement. */
std::shared_ptr<const OpenPlan> makePlan(const std::shared_ptr<StatementCache>& cache,
                                         const std::string& jet);

/* Reads the fields of a prepared statement; columns count for tableName only. */
std::shared_ptr<const Layout> describe(sqlite3_stmt* stmt, const std::string& tableName);

/* A planned statement with this opening's literals: the plan's own, when translation left
 * some in the text, else the ones taken out of the Jet text. */
LiteralShape withLiterals(const LiteralShape& planned, const std::vector<Value>& literals);

/* The plans of one connection, the most recently used kept. */
class PlanCache {
  public:
    /* The plan for key, or null. */
    std::shared_ptr<const OpenPlan> find(const std::string& key,
                                         const std::shared_ptr<StatementCache>& cache);
    void keep(const std::string& key, std::shared_ptr<const OpenPlan> plan);
    /* Forgets every plan, and the idle statements compiled on the old schema (the file's
     * content was replaced underneath, or its schema changed). */
    void forgetAll(StatementCache& cache);

    /* SQLite's authorizer, set on the connection with the cache as its context: it sees
     * every statement as it is compiled and only watches, never refuses. */
    static int watch(void* self, int action, const char*, const char*, const char*, const char*);

  private:
    using Entry = std::pair<std::string, std::shared_ptr<const OpenPlan>>;
    std::list<Entry> order_; // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
    int64_t schema_ = -1;
    bool mayHaveMoved_ = true;
};

} // namespace kavdb::engine
