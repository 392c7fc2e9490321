/*
 * Plans of recordset openings, and the per-connection cache that keeps them.
 */
#include "store/engine/open_plan.h"

#include "store/engine/dialect.h"
#include "store/engine/lexer.h"
#include "store/engine/native.h"

#include <sqlite3.h>

namespace kavdb::engine {

namespace {

/* Enough for every shape the catalogue operations open, and a few of the caller's own. */
constexpr std::size_t kPlanLimit = 64;
/* Longer texts (composed searches, say) are rarely opened twice; keeping them would only
 * hold memory. */
constexpr std::size_t kPlanTextLimit = 8 * 1024;

/* The field that is the row key: AUTOINCREMENT is allowed on the INTEGER PRIMARY KEY
 * alone, which is the row key. */
int keyField(sqlite3* db, const Layout& layout, const std::string& tableName)
{
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        int autoinc = 0;
        const std::string& column = layout.columns[i];
        if (!column.empty() &&
            sqlite3_table_column_metadata(db, nullptr, tableName.c_str(), column.c_str(), nullptr,
                                          nullptr, nullptr, nullptr, &autoinc) == SQLITE_OK &&
            autoinc != 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

/* Fills in the keyed walk of a single-table select; raises when the table has no row
 * keys after all (a view, say). */
void planTable(const std::shared_ptr<StatementCache>& cache, SelectShape shape, OpenPlan& plan)
{
    plan.one = shapeOf(rowSql(shape));
    Stmt one(cache, plan.one);
    plan.layout = describe(one.get(), shape.tableName);
    int count = static_cast<int>(plan.layout->fields.size());
    shape.keyField = keyField(cache->db(), *plan.layout, shape.tableName);
    plan.stream = shapeOf(streamSql(shape, false));
    Stmt streams(cache, plan.stream); // a forward walk prepares it late: refused here, at open
    plan.streamKey = shape.keyField >= 0 ? shape.keyField : count;
    KeysetSql keyset = keysetSql(shape, count);
    plan.keyset = {keyset.keys.empty() ? LiteralShape{} : shapeOf(keyset.keys),
                   shapeOf(keyset.stream), verbatim(keyset.bound), verbatim(keyset.more),
                   keyset.streamKey};
    plan.tableSql = shape.table;
    plan.table = true;
}

int64_t schemaVersion(const std::shared_ptr<StatementCache>& cache)
{
    Stmt version(cache, verbatim("PRAGMA schema_version"));
    return version.step() ? sqlite3_column_int64(version.get(), 0) : -1;
}

/* A statement compiled now would still see the schema as the connection last read it;
 * reading a table checks the version and makes the connection read the schema again. */
void rereadSchema(const std::shared_ptr<StatementCache>& cache)
{
    Stmt touch(cache, verbatim("SELECT 1 FROM sqlite_master LIMIT 1"));
    touch.step();
}

} // namespace

std::shared_ptr<const OpenPlan> makePlan(const std::shared_ptr<StatementCache>& cache,
                                         const std::string& jet)
{
    auto plan = std::make_shared<OpenPlan>();
    plan->statements = translateJet(jet);
    if (plan->statements.empty()) {
        raiseEngine(code::kSyntax, "The command text holds no statement.");
    }
    if (plan->statements.size() == 1) {
        SelectShape shape = readSelect(plan->statements[0]);
        if (shape.singleTable) {
            try {
                planTable(cache, std::move(shape), *plan);
            } catch (const EngineError&) {
                plan->table = false; // read as it stands
            }
        }
    }
    return plan;
}

std::shared_ptr<const Layout> describe(sqlite3_stmt* stmt, const std::string& tableName)
{
    auto layout = std::make_shared<Layout>();
    int count = sqlite3_column_count(stmt);
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* origin = sqlite3_column_origin_name(stmt, i);
        const char* from = sqlite3_column_table_name(stmt, i);
        bool ours = origin != nullptr && from != nullptr && !tableName.empty() &&
                    equalsIgnoreCase(from, tableName);
        layout->fields.emplace_back(name != nullptr ? name : "");
        layout->columns.emplace_back(ours ? origin : "");
        std::size_t length = layout->fields.back().size();
        if (length >= layout->fieldsByLength.size()) {
            layout->fieldsByLength.resize(length + 1);
        }
        layout->fieldsByLength[length].push_back(i);
    }
    return layout;
}

LiteralShape withLiterals(const LiteralShape& planned, const std::vector<Value>& literals)
{
    if (!planned.literals.empty() || literals.empty()) {
        return planned;
    }
    return LiteralShape{planned.sql, literals, kJetLiteralBase + 1};
}

std::shared_ptr<const OpenPlan> PlanCache::find(const std::string& key,
                                                const std::shared_ptr<StatementCache>& cache)
{
    if (mayHaveMoved_ || sqlite3_get_autocommit(cache->db()) != 0) {
        int64_t schema = schemaVersion(cache);
        if (schema != schema_) {
            forgetAll(*cache);
            rereadSchema(cache);
            schema_ = schema;
        }
        mayHaveMoved_ = false;
    }
    auto it = byKey_.find(key);
    if (it == byKey_.end()) {
        return nullptr;
    }
    order_.splice(order_.begin(), order_, it->second);
    return it->second->second;
}

void PlanCache::forgetAll(StatementCache& cache)
{
    order_.clear();
    byKey_.clear();
    cache.dropIdle();
    mayHaveMoved_ = true;
}

int PlanCache::watch(void* self, int action, const char*, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
    case SQLITE_PRAGMA:
        break;
    default:
        static_cast<PlanCache*>(self)->mayHaveMoved_ = true;
    }
    return SQLITE_OK;
}

void PlanCache::keep(const std::string& key, std::shared_ptr<const OpenPlan> plan)
{
    if (key.size() > kPlanTextLimit || byKey_.count(key) != 0) {
        return;
    }
    order_.emplace_front(key, std::move(plan));
    byKey_.emplace(key, order_.begin());
    if (order_.size() > kPlanLimit) {
        byKey_.erase(order_.back().first);
        order_.pop_back();
    }
}

} // namespace kavdb::engine
