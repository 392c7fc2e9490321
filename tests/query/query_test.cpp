/*
 * Queries: what a search cannot be composed from, searches and counts
 * over registered files, and the application's own SQL (file lists and statements run
 * for their result). Only searches report to the error sink.
 */
#include "query/compose.h"
#include "support/rows.h"

namespace kavdb::test {
namespace {

const char* const kNoTablesIni = "[Common]\nlevel=1\n";

using ComposeTest = TempDirTest;

TEST_F(ComposeTest, RefusesWhatItCannotComposeWhole)
{
    writeIni(kNoTablesIni);
    const std::string refused[] = {"SELECT * FROM MainTable where a",
                                   "SELECT * from MainTable WHERE a",
                                   "SELECT * FROM MainTable WHERE(a)",
                                   "SELECT * FROM MainTable\tWHERE a",
                                   "SELECT * WHERE a FROM MainTable",
                                   "",
                                   "SELECT * FROM MainTable WHERE " + std::string(1040, 'c'),
                                   "SELECT * FROM MainTable, PathTable" + std::string(1020, 't') +
                                       " WHERE a"};
    for (const std::string& statement : refused) {
        std::string composed = "left over";
        EXPECT_EQ(query::kaComposeQuery(store::Config::load(), statement.c_str(), composed),
                  E_INVALIDARG)
            << statement;
        EXPECT_EQ(composed, "");
    }
    std::string composed;
    EXPECT_EQ(query::kaComposeQuery(store::Config::load(), nullptr, composed), E_INVALIDARG);
    // One character less than the refused ones above fits.
    for (const std::string& statement :
         {"SELECT * FROM MainTable WHERE " + std::string(1039, 'c'),
          "SELECT * FROM MainTable, PathTable" + std::string(1019, 't') + " WHERE a"}) {
        EXPECT_EQ(query::kaComposeQuery(store::Config::load(), statement.c_str(), composed), S_OK);
    }
    // A join text is held like a configuration value: 100 characters of name fit, 101 do
    // not; and a composed text that outgrows one statement is refused rather than cut.
    for (std::size_t length : {100u, 101u}) {
        std::string table = "T" + std::string(length - 1, 'n');
        writeIni("[DataTable1]\nTableName=" + table + "\n");
        std::string statement = "SELECT * FROM " + table + " WHERE a = 1";
        EXPECT_EQ(query::kaComposeQuery(store::Config::load(), statement.c_str(), composed),
                  length == 100 ? S_OK : E_INVALIDARG);
    }
    std::string ini;
    for (int k = 1; k <= 4500; ++k) {
        ini += "[DataTable" + std::to_string(k) + "]\nTableName=A\n";
    }
    writeIni(ini);
    EXPECT_EQ(query::kaComposeQuery(store::Config::load(), "SELECT * FROM A WHERE x = 1", composed),
              E_INVALIDARG);
}

class SearchTest : public RowsTest {
  protected:
    void SetUp() override
    {
        RowsTest::SetUp();
        add("/photos/2020/a.jpg", "Canon", "Birthday");
        add("/photos/2020/b.jpg", "Nikon", "Birthday");
        add("/photos/2021/c.jpg", "Canon", "Holiday");
        ASSERT_EQ(registerWith("/photos/2021/bare.jpg"), S_OK);
    }
    void add(const std::string& path, const std::string& make, const std::string& title)
    {
        ASSERT_EQ(registerWith(path, {makeMeta("ExifInfo", {{"Make", make}}, {{"ISO", 100}}),
                                      makeMeta("Caption", {{"Title", title}})}),
                  S_OK)
            << path;
    }
    /* The sorted paths a search appends to the list, with its result code and count. */
    std::string search(const char* sql, StringList found = {})
    {
        HRESULT hr = KaAVDBQuery(db_, sql, &found);
        int32_t n = -7;
        HRESULT counted = KaAVDBGetCountSQL(db_, sql, &n);
        found.sort();
        std::string out =
            std::to_string(hr) + " " + std::to_string(counted) + " " + std::to_string(n);
        for (const std::string& path : found) {
            out += " " + path;
        }
        return out;
    }
};

TEST_F(SearchTest, FindsTheFullPathsOfMatchingFilesAndCountsThemOrEndsWithThePointerCode)
{
    const int nf = KAVDB_E_NOT_FOUND;
    const std::pair<const char*, std::string> cases[] = {
        {"SELECT * FROM ExifInfo WHERE Make = \"Canon\"",
         "0 0 2 /photos/2020/a.jpg /photos/2021/c.jpg"},
        {"SELECT x FROM ExifInfo, Caption WHERE ExifInfo.Make = \"canon\" AND "
         "Caption.Title = \"Birthday\"",
         "0 0 1 /photos/2020/a.jpg"},
        {"SELECT * FROM MainTable WHERE Filename = \"bare.jpg\"", "0 0 1 /photos/2021/bare.jpg"},
        {"SELECT * FROM PathTable WHERE Pathname = \"/photos/2020/\"",
         "0 0 2 /photos/2020/a.jpg /photos/2020/b.jpg"},
        {"SELECT * FROM MainTable WHERE PathTable.PathID=MainTable.PathID AND Filename = "
         "\"bare.jpg\"",
         "0 0 1 /photos/2021/bare.jpg"},
        {"SELECT * FROM ExifInfo WHERE ExifInfo.DataID = MainTable.DataID1 AND Make = \"Nikon\"",
         "0 0 1 /photos/2020/b.jpg"},
        {"SELECT * FROM PathTable, MainTable WHERE Filename = \"c.jpg\"",
         "0 0 1 /photos/2021/c.jpg"},
        {"SELECT * FROM ExifInfo WHERE ISO = 100", "0 0 3 /photos/2020/a.jpg "
                                                   "/photos/2020/b.jpg /photos/2021/c.jpg"},
        {"SELECT * FROM ExifInfo WHERE Make = \"Leica\"",
         std::to_string(nf) + " " + std::to_string(nf) + " 0"},
    };
    for (const auto& [sql, expected] : cases) {
        EXPECT_EQ(search(sql), expected) << sql;
    }
    // Entries the list holds are kept, and then a miss is no failure.
    EXPECT_EQ(search("SELECT * FROM ExifInfo WHERE Make = \"Leica\"", {"kept"}),
              std::to_string(S_OK) + " " + std::to_string(nf) + " 0 kept");
    EXPECT_TRUE(errors().empty());
    // A condition the engine refuses: the open reports, the walk finds no recordset and
    // ends with E_POINTER under the search's own message; the count is not written.
    EXPECT_EQ(search("SELECT * FROM MainTable WHERE NoSuchColumn = 1"),
              std::to_string(E_POINTER) + " " + std::to_string(E_POINTER) + " -7");
    ASSERT_EQ(errors().size(), 4u);
    EXPECT_EQ(errors()[0].message, "Failed to open recordset");
    EXPECT_EQ(errors()[0].code, KAVDB_E_UNKNOWN_COLUMN);
    EXPECT_EQ(errors()[1].message, "Failed To KaAVDBQuery");
    EXPECT_EQ(errors()[1].code, E_POINTER);
    EXPECT_EQ(errors()[3].message, "Failed To KaAVDBGetCountSQL");
}

class DirectSqlTest : public RowsTest {
  protected:
    void SetUp() override
    {
        RowsTest::SetUp();
        for (const char* path : {"/p/a.jpg", "/p/b.jpg", "/q/c.jpg"}) {
            ASSERT_EQ(registerWith(path), S_OK) << path;
        }
    }
    /* The list a statement gives (appended to what the list held) and its code. */
    std::pair<HRESULT, StringList> list(const char* sql, int32_t namesOnly, StringList out = {})
    {
        HRESULT hr = KaAVDBGetQueryFileList(db_, sql, &out, namesOnly);
        return {hr, out};
    }
};

TEST_F(DirectSqlTest, FileListsGiveTheNamesOrFullPathsOfTheRowsAndKeyTablesStay)
{
    const char* paths = "SELECT PathTable.Pathname, MainTable.Filename FROM MainTable, "
                        "PathTable WHERE MainTable.PathID = PathTable.PathID ORDER BY Filename";
    using L = std::pair<HRESULT, StringList>;
    EXPECT_EQ(list(paths, 0, {"kept"}), (L{S_OK, {"kept", "/p/a.jpg", "/p/b.jpg", "/q/c.jpg"}}));
    EXPECT_EQ(list("SELECT * FROM MainTable, PathTable WHERE FieldID < 0", 0, {"kept"}),
              (L{S_OK, {"kept"}}));
    EXPECT_EQ(list("SELECT Filename FROM MainTable ORDER BY Filename", 0),
              (L{KAVDB_E_FIELD_NOT_FOUND, {}}));
    EXPECT_EQ(list("SELECT Filename FROM MainTable ORDER BY Filename", 1),
              (L{S_OK, {"a.jpg", "b.jpg", "c.jpg"}}));
    EXPECT_EQ(list("SELECT FieldID FROM MainTable", 0), (L{KAVDB_E_FIELD_NOT_FOUND, {}}));
    EXPECT_EQ(list("SELECT Pathname FROM PathTable", 1), (L{KAVDB_E_FIELD_NOT_FOUND, {}}));
    EXPECT_EQ(list("SELECT FieldID + 1000 AS Filename FROM MainTable ORDER BY FieldID", 1),
              (L{S_OK, {"1001", "1002", "1003"}}));
    EXPECT_EQ(list("SELECT -7 AS Pathname, 42 AS Filename", 0), (L{S_OK, {"-742"}}));
    EXPECT_EQ(list("SELEC Filename FROM MainTable", 1), (L{KAVDB_E_SYNTAX, {}}));
    EXPECT_EQ(list("SELECT Filename FROM NoSuchTable", 1), (L{KAVDB_E_NO_SUCH_TABLE, {}}));
    sql("CREATE TABLE Names (ID AUTOINCREMENT PRIMARY KEY, Filename LONGTEXT)");
    sql("INSERT INTO Names (Filename) VALUES (\"one\")");
    sql("INSERT INTO Names (Filename) VALUES (NULL)");
    sql("INSERT INTO Names (Filename) VALUES (\"three\")");
    // A Null value ends the walk with a failure, keeping what was appended.
    auto [hr, out] = list("SELECT Filename FROM Names ORDER BY ID", 1);
    EXPECT_LT(hr, 0);
    EXPECT_EQ(out, (StringList{"one"}));
    // A table that takes part in a key cannot be dropped, whichever way the text arrives;
    // a loose one can. The Jet statements themselves are tabled in jet_sql_test.
    for (const char* table : {"People", "MainTable", "PathTable"}) {
        std::string drop = std::string("DROP TABLE ") + table;
        EXPECT_EQ(KaAVDBExecuteSQL(db_, drop.c_str()), KAVDB_E_CONSTRAINT) << table;
        EXPECT_EQ(list(drop.c_str(), 1).first, KAVDB_E_CONSTRAINT) << table;
    }
    EXPECT_EQ(registerWith("/p/d.jpg", {makeMeta("People", {{"Name", "Ann"}})}), S_OK);
    sql("CREATE TABLE Loose (a INTEGER)");
    sql("DROP TABLE Loose");
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "SELECT * FROM Loose"), KAVDB_E_NO_SUCH_TABLE);
    EXPECT_TRUE(errors().empty());
}

} // namespace
} // namespace kavdb::test
