/*
 * Statements in the engine's own dialect (native_rows.h), over the connection's driver.
 */
#include "store/native_rows.h"

#include "store/engine/statement.h"

namespace kavdb::store {

void runNative(engine::Connection& c, const std::string& sql,
               const std::vector<engine::Value>& values)
{
    eachNativeRow(c, sql, values, [](engine::DriverStatement&) {});
}

void eachNativeRow(engine::Connection& c, const std::string& sql,
                   const std::vector<engine::Value>& values,
                   const std::function<void(engine::DriverStatement&)>& visit)
{
    // From the connection's statement cache: a search reads the place index one row at a
    // time, and preparing each cost more than reading it.
    engine::Stmt stmt = engine::borrow(c.statements(), sql, values);
    while (stmt->step()) {
        visit(*stmt);
    }
}

std::vector<NativeRow> nativeRows(engine::Connection& c, const std::string& sql,
                                  const std::vector<engine::Value>& values)
{
    std::vector<NativeRow> rows;
    eachNativeRow(c, sql, values, [&](engine::DriverStatement& stmt) {
        NativeRow row;
        for (int i = 0; i < stmt.columnCount(); ++i) {
            row.push_back(stmt.value(i));
        }
        rows.push_back(std::move(row));
    });
    return rows;
}

int64_t nativeCount(engine::Connection& c, const std::string& sql,
                    const std::vector<engine::Value>& values)
{
    int64_t n = 0;
    bool first = true;
    eachNativeRow(c, sql, values, [&](engine::DriverStatement& stmt) {
        if (first) {
            n = stmt.key(0);
            first = false;
        }
    });
    return n;
}

std::string quotedName(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace kavdb::store
