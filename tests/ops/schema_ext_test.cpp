/*
 * Schema extension: SceneInfo (table 8) and FolderInfo (table 9) added to a catalogue
 * made before them, with link column, enforced key and look-up index; an unchanged
 * catalogue when both exist; the catalogue exactly as before when an addition fails;
 * never a ".bak" twin left behind.
 */
#include "store/engine/schema.h"
#include "store/schema_ext.h"
#include "support/fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace kavdb {
namespace {

namespace fs = std::filesystem;

const char* const kSceneInfo = "[DataTable8]\nTableName=SceneInfo\nItem1=Scene,0,64,\n";
const char* const kFolderInfo = "[DataTable9]\nTableName=FolderInfo\nItem1=FolderTitle,0,128,\n"
                                "Item2=Visits,1,\nItem3=Cover,2,1024,\nItem4=Broken\n"
                                "Item5=After,0,10,\n";

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

class SchemaExtTest : public test::CatalogueTest {
  protected:
    const char* iniText() const override
    {
        static const std::string ini = earlyTables() + kSceneInfo;
        return ini.c_str();
    }

    engine::Connection& conn() { return *db_->Connection; }

    /* Every schema object with its SQL, and every row of MainTable, as text. */
    std::vector<std::string> snapshot()
    {
        std::vector<std::string> out;
        engine::Recordset schema(conn(),
                                 "SELECT type, name, sql FROM sqlite_master ORDER BY type, name",
                                 engine::Cursor::ForwardOnly);
        for (; !schema.eof(); schema.moveNext()) {
            engine::Value sql = schema.get("sql");
            out.push_back(schema.get("type").asText() + " " + schema.get("name").asText() + " " +
                          (sql.isText() ? sql.asText() : "-"));
        }
        engine::Recordset rows(conn(), "SELECT * FROM MainTable ORDER BY FieldID",
                               engine::Cursor::ForwardOnly);
        for (; !rows.eof(); rows.moveNext()) {
            std::string row;
            for (int i = 0; i < rows.fieldCount(); ++i) {
                engine::Value v = rows.get(rows.fieldName(i));
                row += rows.fieldName(i) + "=" + (v.isNothing() ? "null" : v.toText()) + ";";
            }
            out.push_back(row);
        }
        return out;
    }

    std::vector<std::string> backupsLeft() const
    {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_)) {
            if (e.path().filename().string().find(".bak") != std::string::npos) {
                found.push_back(e.path().filename().string());
            }
        }
        return found;
    }

    bool hasIndex(const std::string& name)
    {
        engine::Recordset rs(conn(),
                             "SELECT name FROM sqlite_master WHERE type = \"index\" AND name = \"" +
                                 name + "\"",
                             engine::Cursor::ForwardOnly);
        return !rs.eof();
    }

    void registerFile(const char* path)
    {
        MetaDataList list;
        list.push_back(test::makeMeta("SceneInfo", {{"Scene", "beach"}}));
        ASSERT_EQ(KaAVDBRegisterFile(db_, path, &list, nullptr), S_OK);
        test::releaseTestTags(list);
    }
};

TEST_F(SchemaExtTest, AddsTheMissingTableWithItsLinkAndKey)
{
    registerFile("/p/a.jpg");
    writeIni(earlyTables() + kSceneInfo + kFolderInfo);
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);

    ASSERT_TRUE(engine::tableExists(conn(), "FolderInfo"));
    // An item lacking its kind ends the item list.
    EXPECT_EQ(engine::columnNames(conn(), "FolderInfo"),
              (std::vector<std::string>{"DataID", "FolderTitle", "Visits", "Cover"}));
    std::vector<std::string> main = engine::columnNames(conn(), "MainTable");
    ASSERT_GE(main.size(), 2u);
    EXPECT_EQ(main[main.size() - 2], "DataID8");
    EXPECT_EQ(main.back(), "DataID9");
    EXPECT_TRUE(hasIndex("MainTable_DataID9"));

    EXPECT_EQ(KaAVDBExecuteSQL(db_, "UPDATE MainTable SET DataID9 = 99"),
              engine::code::kConstraint);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "INSERT INTO FolderInfo (FolderTitle, Visits) VALUES "
                                    "(\"Trip\", 3)"),
              S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "UPDATE MainTable SET DataID9 = 1"), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(db_, "DELETE FROM FolderInfo"), engine::code::kConstraint);
    EXPECT_TRUE(backupsLeft().empty());
}

TEST_F(SchemaExtTest, CatalogueWithBothTablesIsLeftAlone)
{
    writeIni(earlyTables() + kSceneInfo + kFolderInfo);
    ASSERT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    registerFile("/p/a.jpg");
    std::ofstream(dir_ + "/cat.bak") << "an older twin";
    std::vector<std::string> before = snapshot();
    errors().clear();

    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(errors().empty());
    // No twin was made: the older one is untouched.
    std::stringstream kept;
    kept << std::ifstream(dir_ + "/cat.bak").rdbuf();
    EXPECT_EQ(kept.str(), "an older twin");
}

TEST_F(SchemaExtTest, FailedAdditionLeavesTheCatalogueAsItWas)
{
    registerFile("/p/a.jpg");
    registerFile("/p/b.jpg");
    // A table name taken by an index: the table cannot be made, so its key cannot be.
    writeIni(earlyTables() + kSceneInfo +
             "[DataTable9]\nTableName=MainTable_PathFile\nItem1=Title,0,64,\n");
    std::vector<std::string> before = snapshot();

    HRESULT hr = KaAVDBAddItem(db_, dbPath_.c_str());
    EXPECT_LT(hr, 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(backupsLeft().empty());
    // The catalogue still works as before.
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/c.jpg", nullptr, nullptr), S_OK);
}

class SchemaExtFromSevenTest : public SchemaExtTest {
  protected:
    const char* iniText() const override
    {
        static const std::string ini = earlyTables();
        return ini.c_str();
    }
};

TEST_F(SchemaExtFromSevenTest, AddsBothTablesInOrder)
{
    writeIni(earlyTables() + kSceneInfo + kFolderInfo);
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    EXPECT_TRUE(engine::tableExists(conn(), "SceneInfo"));
    EXPECT_TRUE(engine::tableExists(conn(), "FolderInfo"));
    std::vector<std::string> main = engine::columnNames(conn(), "MainTable");
    ASSERT_GE(main.size(), 3u);
    EXPECT_EQ(main[main.size() - 3], "DataID7");
    EXPECT_EQ(main[main.size() - 2], "DataID8");
    EXPECT_EQ(main.back(), "DataID9");
    EXPECT_TRUE(hasIndex("MainTable_DataID8"));
    EXPECT_TRUE(backupsLeft().empty());

    registerFile("/p/a.jpg"); // metadata of the added table links like any other
    StringList out;
    EXPECT_EQ(KaAVDBQuery(db_, "SELECT * FROM SceneInfo WHERE Scene = \"beach\"", &out), S_OK);
    EXPECT_EQ(out, (StringList{"/p/a.jpg"}));
}

/* One call, one state to go back to: the table added first goes with the one that failed. */
TEST_F(SchemaExtFromSevenTest, AFailureOfTheSecondTableUndoesTheFirst)
{
    writeIni(earlyTables() + kSceneInfo +
             "[DataTable9]\nTableName=MainTable_PathFile\nItem1=Title,0,64,\n");
    std::vector<std::string> before = snapshot();
    EXPECT_LT(KaAVDBAddItem(db_, dbPath_.c_str()), 0);
    EXPECT_FALSE(engine::tableExists(conn(), "SceneInfo"));
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(backupsLeft().empty());
}

TEST_F(SchemaExtFromSevenTest, UnconfiguredTablesAreNotAdded)
{
    std::vector<std::string> before = snapshot();
    EXPECT_EQ(KaAVDBAddItem(db_, dbPath_.c_str()), S_OK);
    EXPECT_EQ(store::kaAddDataTableBySql(db_, 9), S_OK);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(backupsLeft().empty());
}

TEST_F(SchemaExtTest, RefusesNullArguments)
{
    EXPECT_EQ(KaAVDBAddItem(nullptr, dbPath_.c_str()), E_INVALIDARG);
    EXPECT_EQ(KaAVDBAddItem(db_, nullptr), E_INVALIDARG);
    EXPECT_EQ(store::kaAddDataTableBySql(nullptr, 9), E_INVALIDARG);
}

TEST(BackupPathTest, ReplacesTheExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/data/lib.mdb", "/data/lib.bak"},
        {"C:\\data\\lib.mdb", "C:\\data\\lib.bak"},
        {"/data/lib.mdb.old", "/data/lib.mdb.bak"},
        {"/data.d/lib", "/data.d/lib.bak"},
        {"lib.mdb", "lib.bak"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(store::backupPathOf(path), expected) << path;
    }
}

} // namespace
} // namespace kavdb
