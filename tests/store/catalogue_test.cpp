/*
 * Catalogue lifecycle and schema: creation under several configurations, the level
 * file, opening files that are not catalogues, and closing.
 */
#include "store/catalogue.h"
#include "store/engine/schema.h"
#include "support/fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavdb::store {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LifecycleTest : public test::TempDirTest {
protected:
    std::string db() const { return dir_ + "/cat.mdb"; }

    std::vector<std::string> columnsOf(const std::string& table)
    {
        DBHandle* h = nullptr;
        EXPECT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
        std::vector<std::string> cols;
        if (h != nullptr && h->Connection && h->Connection->isOpen()) {
            cols = engine::columnNames(*h->Connection, table);
        }
        KaAVDBClose(h);
        return cols;
    }
};

TEST_F(LifecycleTest, CreatesTheConfiguredSchema)
{
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    auto main = columnsOf("MainTable");
    ASSERT_EQ(main.size(), 15u);
    EXPECT_EQ(main[0], "FieldID");
    EXPECT_EQ(main[11], "Marking");
    EXPECT_EQ(main[14], "DataID3");
    EXPECT_EQ(columnsOf("PathTable"), (std::vector<std::string>{"PathID", "Pathname", "Comment"}));
    EXPECT_EQ(columnsOf("ExifInfo"),
              (std::vector<std::string>{"DataID", "Make", "Model", "ISO", "Preview"}));
}

TEST_F(LifecycleTest, NoMetadataTablesGivesTheTwelveFixedColumns)
{
    writeIni("[Common]\nlevel=1\n");
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    EXPECT_EQ(columnsOf("MainTable").size(), 12u);
}

TEST_F(LifecycleTest, ItemWithOneCommaFailsAfterTheBaseTables)
{
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0\n");
    EXPECT_EQ(KaAVDBCreate(db().c_str()), E_FAIL);
    EXPECT_EQ(columnsOf("MainTable").size(), 13u);
    EXPECT_EQ(columnsOf("PathTable").size(), 3u);
    EXPECT_TRUE(columnsOf("T").empty());
}

TEST_F(LifecycleTest, KindSevenEndsTheItemList)
{
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0,8,\nItem2=B,7,\nItem3=C,1,\n");
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    EXPECT_EQ(columnsOf("T"), (std::vector<std::string>{"DataID", "A"}));
}

TEST_F(LifecycleTest, CreateOnAnExistingPathLeavesTheFileAsItWas)
{
    std::string path = makeFile("cat.mdb", "not a catalogue");
    EXPECT_EQ(KaAVDBCreate(path.c_str()), E_FAIL);
    EXPECT_EQ(slurp(path), "not a catalogue");
}

TEST_F(LifecycleTest, ArgumentRules)
{
    DBHandle* h = nullptr;
    EXPECT_EQ(KaAVDBCreate(nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBCreate(""), E_INVALIDARG);
    EXPECT_EQ(KaAVDBCreate((dir_ + "/cat.db").c_str()), E_INVALIDARG);
    EXPECT_EQ(KaAVDBOpen((dir_ + "/CAT.MDB").c_str(), &h), E_INVALIDARG);
    EXPECT_EQ(KaAVDBOpen(db().c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBOpen(db().c_str(), &h), E_FAIL); // missing file
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(KaAVDBClose(nullptr), E_INVALIDARG);
}

TEST_F(LifecycleTest, AMdbSubstringAnywhereIsEnough)
{
    std::string path = dir_ + "/cat.mdb.old";
    ASSERT_EQ(KaAVDBCreate(path.c_str()), S_OK);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
    EXPECT_TRUE(h->Connection->isOpen());
    EXPECT_EQ(KaAVDBClose(h), S_OK);
}

TEST_F(LifecycleTest, AFileThatIsNotACatalogueGivesAClosedHandle)
{
    std::string path = makeFile("junk.mdb", std::string(4096, 'j'));
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(h->Connection->isOpen());
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back().message, "Failed to connect database.");
    EXPECT_EQ(KaAVDBClose(h), static_cast<HRESULT>(0x800A0E78));
    EXPECT_EQ(errors().back().message, "Failed to close database");
    EXPECT_EQ(slurp(path), std::string(4096, 'j'));
}

TEST_F(LifecycleTest, LevelFileFollowsTheConfiguration)
{
    const std::string dat = dir_ + "/kadb.dat";
    std::ofstream(dat, std::ios::binary) << "[Common]\r\nlevel=12\r\nextra=1\r\n";
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    EXPECT_EQ(slurp(dat), "[Common]\r\nlevel=3");

    // Equal levels leave the file alone.
    std::ofstream(dat, std::ios::binary) << "[Common]\nlevel=3\n";
    ASSERT_EQ(KaAVDBCreate((dir_ + "/b.mdb").c_str()), S_OK);
    EXPECT_EQ(slurp(dat), "[Common]\nlevel=3\n");
}

TEST_F(LifecycleTest, NoLevelWritesNoLevelFile)
{
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0,8,\n");
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    EXPECT_FALSE(fs::exists(dir_ + "/kadb.dat"));
}

TEST_F(LifecycleTest, LookUpIndexesExist)
{
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
    engine::Recordset rs(*h->Connection,
                         "SELECT name FROM sqlite_master WHERE type='index' AND "
                         "tbl_name IN ('MainTable','PathTable') ORDER BY name",
                         engine::Cursor::Keyset);
    std::vector<std::string> names;
    for (; !rs.eof(); rs.moveNext()) {
        names.push_back(rs.get("name").asText());
    }
    for (const char* want : {"MainTable_DataID1", "MainTable_DataID3", "MainTable_PathFile",
                             "PathTable_Pathname"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
    }
    KaAVDBClose(h);
}

} // namespace
} // namespace kavdb::store
