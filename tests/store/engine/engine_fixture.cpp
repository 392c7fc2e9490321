/*
 * The engine tests' fixture: a catalogue file in the shared temporary directory.
 */
#include "store/engine/engine_fixture.h"

namespace kavdb::engine::test {

void EngineTest::SetUp()
{
    TempDirTest::SetUp();
    dbPath_ = pathOf("cat.mdb");
    linkCatalogue(dbPath_);
    Connection::create(dbPath_);
    conn_.open(dbPath_);
}

void EngineTest::TearDown()
{
    if (conn_.isOpen()) {
        conn_.close();
    }
    TempDirTest::TearDown();
}

Value EngineTest::scalar(const std::string& sql)
{
    Recordset rs(conn_, sql, Cursor::Keyset);
    return rs.eof() ? Value() : rs.get(rs.fieldName(0));
}

HResult EngineTest::codeOfSql(const std::string& sql)
{
    return codeOf([&] { conn_.execute(sql); });
}

void FilesTest::SetUp()
{
    EngineTest::SetUp();
    conn_.execute("CREATE TABLE Files (FieldID COUNTER PRIMARY KEY, PathID INTEGER, "
                  "Filename TEXT(255), Comment LONGTEXT, Thumb LONGBINARY, Marking INTEGER)");
    conn_.execute("CREATE INDEX Files_PathFile ON Files (PathID, Filename)");
}

int32_t FilesTest::addFile(int32_t pathId, const std::string& name, const std::string& comment)
{
    return insertRow(conn_, "Files", {"PathID", "Filename", "Comment"},
                     {Value::integer(pathId), Value::text(name),
                      comment.empty() ? Value() : Value::text(comment)},
                     "FieldID")
        .asInt();
}

void FilesTest::addFiles(int n)
{
    Transaction tx(conn_);
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.jpg", i);
        addFile(1, name, "c" + std::to_string(i));
    }
    tx.commit();
}

} // namespace kavdb::engine::test
