/*
 * Schema extension: SceneInfo (table 8) and FolderInfo (table 9) added to a catalogue
 * made before them, with link column, enforced key and look-up index; an unchanged
 * catalogue when both exist; the catalogue exactly as before when an addition fails;
 * never a ".bak" twin left behind.
 */
#include "store/schema_ext.h"
#include "support/rows.h"
#include "support/server.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace kavdb::test {
namespace {

namespace fs = std::filesystem;

const char* const kSceneInfo = "[DataTable8]\nTableName=SceneInfo\nItem1=Scene,0,64,\n";
const char* const kFolderInfo = "[DataTable9]\nTableName=FolderInfo\nItem1=FolderTitle,0,128,\n"
                                "Item2=Visits,1,\nItem3=Cover,2,1024,\nItem4=Lux,3,\n"
                                "Item5=Broken\nItem6=After,0,10,\n";
const char* const kBrokenNine = "[DataTable9]\nTableName=MainTable_PathFile\nItem1=T,0,64,\n";

/* A server's schema objects, one line each: tables and indexes with their columns and
 * types, then keys and checks. */
const char* const kServerSchema =
    "SELECT c.relkind::text || ' ' || c.relname || ' ' || string_agg(a.attname || ' ' || "
    "format_type(a.atttypid, a.atttypmod), ', ' ORDER BY a.attnum) FROM pg_class c JOIN "
    "pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped WHERE "
    "c.relnamespace = 'public'::regnamespace GROUP BY c.relkind, c.relname UNION ALL SELECT "
    "conname || ' ' || pg_get_constraintdef(oid) FROM pg_constraint WHERE connamespace = "
    "'public'::regnamespace ORDER BY 1";

/* A server's column types in the words SQLite's catalogue uses for the same item kinds. */
const char* const kServerColumns =
    "SELECT attname || '|' || CASE format_type(atttypid, NULL) WHEN 'integer' THEN 'INTEGER' "
    "WHEN 'text' THEN 'TEXT' WHEN 'bytea' THEN 'BLOB' WHEN 'double precision' THEN 'REAL' ELSE "
    "format_type(atttypid, NULL) END FROM pg_attribute WHERE attrelid = format('%I', '$t')::"
    "regclass AND attnum > 0 AND NOT attisdropped ORDER BY attnum";

Rows linesOf(const std::string& text)
{
    Rows out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

/* Tables 1 to 7, one text item each: the tables every catalogue had from the start. */
std::string earlyTables()
{
    std::string ini = "[Common]\nlevel=1\n";
    for (int k = 1; k <= 7; ++k) {
        std::string n = std::to_string(k);
        ini += "[DataTable" + n + "]\nTableName=Meta" + n + "\nItem1=Value" + n + ",0,64,\n";
    }
    return ini;
}

class SchemaExtTest : public RowsTest {
  protected:
    const char* iniText() const override
    {
        static const std::string ini = earlyTables() + kSceneInfo;
        return ini.c_str();
    }
    /* Every schema object with its SQL, and every row of MainTable. */
    Rows snapshot()
    {
        Rows out = onServer()
                       ? linesOf(serverQuery(serverCatalogues_.back(), kServerSchema))
                       : rows("SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
        Rows files = rows("SELECT * FROM MainTable ORDER BY FieldID");
        out.insert(out.end(), files.begin(), files.end());
        return out;
    }
    Rows columns(const std::string& table)
    {
        if (!onServer()) {
            return rows("SELECT name, type FROM pragma_table_info('" + table + "')");
        }
        std::string sql = kServerColumns;
        return linesOf(
            serverQuery(serverCatalogues_.back(), sql.replace(sql.find("$t"), 2, table)));
    }
    bool indexed(const std::string& index)
    {
        return onServer()
                   ? serverQuery(serverCatalogues_.back(),
                                 "SELECT count(*) FROM pg_indexes WHERE indexname = '" + index +
                                     "'") == "1"
                   : row("SELECT COUNT(*) FROM sqlite_master WHERE name = '" + index + "'") == "1";
    }
    bool twinLeft() const
    {
        return std::any_of(fs::directory_iterator(dir_), fs::directory_iterator(),
                           [](const auto& e) { return e.path().extension() == ".bak"; });
    }
    void registerScene(const char* path)
    {
        ASSERT_EQ(registerWith(path, {makeMeta("SceneInfo", {{"Scene", "beach"}})}), S_OK);
    }
};

TEST_F(SchemaExtTest, AddsTheMissingTableWithItsLinkKeyAndIndex)
{
    registerScene("/p/a.jpg");
    writeIni(earlyTables() + kSceneInfo + kFolderInfo);
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    // An item lacking its kind ends the item list.
    EXPECT_EQ(columns("FolderInfo"), (Rows{"DataID|INTEGER", "FolderTitle|TEXT", "Visits|INTEGER",
                                           "Cover|BLOB", "Lux|REAL"}));
    Rows main = columns("MainTable");
    EXPECT_EQ(Rows(main.end() - 2, main.end()), (Rows{"DataID8|INTEGER", "DataID9|INTEGER"}));
    EXPECT_TRUE(indexed("MainTable_DataID9"));
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "UPDATE MainTable SET DataID9 = 99"), KAVDB_E_CONSTRAINT);
    sql("INSERT INTO FolderInfo (FolderTitle, Visits) VALUES (\"Trip\", 3)");
    sql("UPDATE MainTable SET DataID9 = 1");
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "DELETE FROM FolderInfo"), KAVDB_E_CONSTRAINT);
    EXPECT_FALSE(twinLeft());
    // Once both exist, a second call changes nothing and makes no twin.
    makeFile("cat.bak", "an older twin");
    Rows before = snapshot();
    errors().clear();
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(readFile(dir_ + "/cat.bak"), "an older twin");
    EXPECT_TRUE(errors().empty());
}

class SchemaExtFromSevenTest : public SchemaExtTest {
  protected:
    const char* iniText() const override
    {
        static const std::string ini = earlyTables();
        return ini.c_str();
    }
};

TEST_F(SchemaExtFromSevenTest, AddsOnlyConfiguredTablesInOrderOrNoneOfThem)
{
    ASSERT_EQ(registerWith("/p/a.jpg"), S_OK);
    Rows before = snapshot();
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK); // none configured: none added
    EXPECT_EQ(store::kaAddDataTableBySql(db_, 9), S_OK);
    EXPECT_EQ(snapshot(), before);
    // One call, one state to go back to: the table added first goes with the one that failed
    // (table 9's name is taken by an index, so neither it nor its key can be made).
    writeIni(earlyTables() + kSceneInfo + kBrokenNine);
    EXPECT_LT(KaAVDBAddItem(db_, dbPath_.c_str()), 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(twinLeft());
    writeIni(earlyTables() + kSceneInfo + kFolderInfo);
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    Rows main = columns("MainTable");
    EXPECT_EQ(Rows(main.end() - 3, main.end()),
              (Rows{"DataID7|INTEGER", "DataID8|INTEGER", "DataID9|INTEGER"}));
    EXPECT_TRUE(indexed("MainTable_DataID8"));
    EXPECT_FALSE(twinLeft());
    registerScene("/p/b.jpg"); // metadata of an added table links like any other
    StringList out;
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM SceneInfo WHERE Scene = \"beach\"", &out), S_OK);
    EXPECT_EQ(out, (StringList{"/p/b.jpg"}));
    EXPECT_EQ(store::kaAddDataTableBySql(nullptr, 9), E_INVALIDARG);
}

} // namespace
} // namespace kavdb::test
