/*
 * Catalogue rows as text for whole-record comparisons (see rows.h).
 */
#include "support/rows.h"

#include "store/engine/connection.h"
#include "store/engine/recordset.h"

namespace kavdb::test {

namespace {

std::string textOf(const engine::Value& v)
{
    if (v.isNothing()) {
        return "-";
    }
    return v.isBytes() ? "#" + std::to_string(v.asBytes().size()) : v.toText();
}

} // namespace

Rows rowsOf(const std::string& catalogue, const std::string& sql)
{
    engine::Connection c;
    c.open(catalogue);
    engine::Recordset rs(c, sql, engine::Cursor::ForwardOnly);
    Rows out;
    for (; !rs.eof(); rs.moveNext()) {
        std::string row;
        for (int i = 0; i < rs.fieldCount(); ++i) {
            row += (i > 0 ? "|" : "") + textOf(rs.get(rs.fieldName(i)));
        }
        out.push_back(row);
    }
    return out;
}

std::string RowsTest::row(const std::string& sql)
{
    Rows found = rows(sql);
    return found.size() == 1 ? found.front() : "(" + std::to_string(found.size()) + " rows)";
}

long RowsTest::count(const std::string& table)
{
    return std::stol(row("SELECT COUNT(*) FROM " + table));
}

void RowsTest::sql(const std::string& statement)
{
    ASSERT_EQ(KaAVDBExecuteSQL(db_, statement.c_str()), S_OK) << statement;
}

void RowsTest::uncheckedSql(const std::string& statement)
{
    engine::Connection c;
    c.open(dbPath_);
    c.driver().run("PRAGMA ignore_check_constraints = ON");
    c.driver().run(statement);
}

} // namespace kavdb::test
