/*
 * Opening a recordset: the plan of the Jet text (made, or kept from an earlier opening of
 * the same shape) says what to do. Several statements are run at once (the recordset is
 * then closed, as ADO leaves it), and so is a single one that returns no rows; a plain
 * single-table select gets a keyset or streaming cursor with row keys, and anything else
 * is read as it stands.
 */
#include "store/engine/dialect.h"
#include "store/engine/native.h"
#include "store/engine/recordset_impl.h"

#include <sqlite3.h>

namespace kavdb::engine {

void Recordset::Impl::open(Connection& conn, const std::string& key,
                           const std::function<std::string()>& shaped, Cursor type)
{
    cache = conn.statements();
    PlanCache& plans = conn.plans();
    std::shared_ptr<const OpenPlan> plan = plans.find(key, cache);
    bool known = plan != nullptr;
    if (!known) {
        plan = makePlan(cache, shaped());
    }
    if (plan->statements.size() > 1) {
        runEach(*plan);
    } else if (plan->table) {
        openTable(*plan, type);
    } else {
        openStatement(plan->statements[0], type);
    }
    if (!known) {
        plans.keep(key, std::move(plan)); // only a plan that opened
    }
}

void Recordset::Impl::runEach(const OpenPlan& plan)
{
    // Literals are numbered across the whole text: each statement binds those it holds.
    for (const std::string& sql : plan.statements) {
        Stmt each(cache->db(), sql);
        each.bindLiterals(literals, kJetLiteralBase + 1);
        each.run();
    }
}

void Recordset::Impl::openTable(const OpenPlan& plan, Cursor type)
{
    if (type == Cursor::Keyset) {
        const KeysetStatements& k = plan.keyset;
        KeysetStatements bound{withLiterals(k.keys, literals), withLiterals(k.stream, literals),
                               withLiterals(k.bound, literals), withLiterals(k.more, literals),
                               k.streamKey};
        Stmt one(cache, withLiterals(plan.one, literals));
        cursor = std::make_unique<KeysetCursor>(cache, bound, std::move(one));
    } else {
        cursor = std::make_unique<StreamCursor>(cache, withLiterals(plan.stream, literals),
                                                plan.streamKey, withLiterals(plan.one, literals));
    }
    layout = plan.layout;
    table = plan.tableSql;
}

void Recordset::Impl::openStatement(const std::string& sql, Cursor type)
{
    Stmt probe(cache->db(), sql);
    probe.bindLiterals(literals, kJetLiteralBase + 1);
    // A statement that writes runs now, whatever columns SQLite's own checks give it.
    if (probe.columnCount() == 0 || sqlite3_stmt_readonly(probe.get()) == 0) {
        probe.run();
        return;
    }
    layout = describe(probe.get(), "");
    if (type == Cursor::Keyset) {
        cursor = std::make_unique<RowsCursor>(probe);
    } else {
        cursor = std::make_unique<StreamCursor>(std::move(probe), cache);
    }
}

} // namespace kavdb::engine
