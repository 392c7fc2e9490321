/*
 * The service facade through the public header: its checks before and after
 * initialisation, the query diagnostic, the process-wide catalogue's lifecycle and
 * forwarding. Every test runs in its own process, so each starts with no catalogue.
 */
#include "support/fixture.h"

#include <filesystem>

namespace kavdb::test {
namespace {

std::vector<std::string> diagnostics;

class FacadeTest : public TempDirTest {
  protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        diagnostics.clear();
        KaSetDiagnosticHandler([](const char* text) { diagnostics.emplace_back(text); });
        dbPath_ = dir_ + "/facade.mdb";
    }
    void TearDown() override
    {
        KaDBSVExitDatabase();
        KaSetDiagnosticHandler(nullptr);
        TempDirTest::TearDown();
    }
    std::string dbPath_;
};

/* Every forwarding function that needs the catalogue, with arguments that pass every
 * other check, and the catalogue-free ones with a missing argument each. */
TEST_F(FacadeTest, WithoutTheCatalogueEveryCallIsRefused)
{
    char text[2048];
    char* textPtr = text;
    char sql[] = "SELECT * FROM MainTable";
    int32_t n = 0;
    StringList list{"/p/a.jpg"};
    MetaDataList data;
    MetaTagList tags;
    MetaIdxDataList rows;
    ImageDataList images;
    ImageData image{};
    void* buffer = nullptr;
    EXPECT_EACH_GIVES(
        E_INVALIDARG, KaDBSVEnrollFolder("/p"), KaDBSVEnrollFile("/p/a.jpg", &data),
        KaDBSVEnrollImage("/p/a.jpg", &image), KaDBSVUpdateFile("/p/a.jpg", &data),
        KaDBSVSetFolderInfo("/p", "t"), KaDBSVDeleteFolder("/p"), KaDBSVDeleteFile("/p/a.jpg"),
        KaDBSVMoveFile("/p/a.jpg", "/p/b.jpg", 0), KaDBSVReadFile("/p/a.jpg", &data),
        KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", 0, &n, &buffer),
        KaDBSVGetFolderInfo("/p", &textPtr), KaDBSVReadImage("/p/a.jpg", &image),
        KaDBSVUpdateImage("/p/a.jpg", &image), KaDBSVReadComment("/p/a.jpg", &textPtr),
        KaDBSVUpdateComment("/p/a.jpg", "c"), KaDBSVGetReadTableDataCount("ExifInfo", &n),
        KaDBSVGetReadTableData(1, "ExifInfo", &tags),
        KaDBSVGetReadTableDataEx(1, 2, "ExifInfo", &rows), KaDBSVRefreshFolder("/p", 1),
        KaDBSVCopyFile("/p/a.jpg", "/p/b.jpg", 0), KaDBSVRefreshFiles(&list, 1),
        KaDBSVRefreshAll(1), KaDBSVWriteUpdateData("/p/a.jpg", "x"),
        KaDBSVReadUpdateData("/p/a.jpg", text), KaDBSVDeleteInfo(sql),
        KaDBSVUpdateTableData("ExifInfo", "Make", "a", "b"), KaDBSVSetCheck("/p/a.jpg", 1),
        KaDBSVGetCheck("/p/a.jpg", &n), KaDBSVGetQueryFileList("SELECT 1", &list, 0),
        KaDBSVExecuteSQL("SELECT 1"), KaDBSVGetCountSQL("SELECT * FROM MainTable WHERE 1", &n));
    // The image reads pass the missing handle on, and its own check refuses it.
    EXPECT_EACH_GIVES(E_INVALIDARG, KaDBSVReadImageBatch(&list, &images),
                      KaDBSVReadImages(nullptr, &list, nullptr), KaDBSVGetDataTableNum(nullptr),
                      KaDBSVGetDataTable(0, &textPtr, &textPtr, &n, &n),
                      KaDBSVGetDataTable(1, nullptr, &textPtr, &n, &n),
                      KaDBSVGetDataTable(1, &textPtr, nullptr, &n, &n),
                      KaDBSVGetDataTable(1, &textPtr, &textPtr, nullptr, &n),
                      KaDBSVGetDataTable(1, &textPtr, &textPtr, &n, nullptr));
    EXPECT_FALSE(std::filesystem::exists(dbPath_));
    // The item descriptions need no catalogue.
    char table[128] = {}, item[128] = {};
    char *tablePtr = table, *itemPtr = item;
    int32_t type = -1, size = -1;
    EXPECT_EQ(KaDBSVGetDataTableNum(&n), S_OK);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(KaDBSVGetDataTable(4, &tablePtr, &itemPtr, &type, &size), S_OK);
    EXPECT_EQ(std::string(table) + "." + item + ":" + std::to_string(type) + "," +
                  std::to_string(size),
              "ExifInfo.Preview:2,1024");
    EXPECT_TRUE(diagnostics.empty());
}

TEST_F(FacadeTest, QueryDiagnosticShowsItsArgumentsAndAnOpenCataloguesChecksAndResults)
{
    linkCatalogue(dbPath_);
    StringList list{"one", "two"};
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE a", &list), E_INVALIDARG);
    EXPECT_EQ(list, (StringList{"one", "two"}));
    std::string sql(5000, 's');
    EXPECT_EQ(KaDBSVQuery(sql.c_str(), &list), E_INVALIDARG);
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EQ(KaDBSVQuery(nullptr, &list), E_INVALIDARG);
    EXPECT_EQ(KaDBSVQuery("SELECT x", nullptr), E_INVALIDARG);
    ASSERT_EQ(diagnostics.size(), 4u);
    EXPECT_EQ(diagnostics[0], "m_hDB = 00000000\nstrSQL = SELECT * FROM MainTable WHERE a\n"
                              "lpList count = 2\n");
    EXPECT_EQ(diagnostics[1].size(), 999u); // bounded by its buffer
    EXPECT_EQ(diagnostics[1].rfind("m_hDB = 00000000\nstrSQL = sss", 0), 0u);
    const std::string& open = diagnostics[2]; // the handle's 8 digits, then as above
    EXPECT_EQ(open.rfind("m_hDB = ", 0), 0u);
    EXPECT_NE(open.substr(8, 8), "00000000"); // the open catalogue's handle
    EXPECT_EQ(open.substr(16), "\nstrSQL = (null)\nlpList count = 2\n");
    EXPECT_EQ(diagnostics[3], open.substr(0, 17) + "strSQL = SELECT x\nlpList count = -1\n");
    // The checks and results of an open catalogue, which write no diagnostic.
    diagnostics.clear();
    list.clear();
    int32_t n = 0;
    MetaTagList tags;
    MetaIdxDataList rows;
    for (HRESULT hr :
         {KaDBSVRefreshAll(3), KaDBSVRefreshAll(0), KaDBSVRefreshFiles(&list, 3),
          KaDBSVRefreshFolder(dir_.c_str(), 0), KaDBSVGetReadTableData(0, "ExifInfo", &tags),
          KaDBSVGetReadTableDataEx(0, 1, "ExifInfo", &rows),
          KaDBSVGetReadTableDataEx(3, 2, "ExifInfo", &rows),
          KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", -1, &n, nullptr),
          KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", 0, nullptr, nullptr),
          KaDBSVEnrollFolder(nullptr), KaDBSVMoveFile("/p/a.jpg", nullptr, 0),
          KaDBSVGetQueryFileList("SELECT 1", nullptr, 0), KaDBSVExecuteSQL(nullptr),
          KaDBSVGetCountSQL(nullptr, &n), KaDBSVGetReadTableDataCount("ExifInfo", nullptr),
          KaDBSVUpdateTableData("ExifInfo", "Make", nullptr, "b")}) {
        EXPECT_EQ(hr, E_INVALIDARG);
    }
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), S_OK);
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE Filename = \"a.jpg\"", &list), S_OK);
    StringList none;
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE Filename = \"zz.jpg\"", &none),
              KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaDBSVGetCountSQL("SELECT * FROM MainTable WHERE FieldID > 0", &n), S_OK);
    EXPECT_EQ(KaDBSVGetQueryFileList("SELECT Filename FROM MainTable", &list, 1), S_OK);
    EXPECT_EQ(list, (StringList{"/p/a.jpg", "a.jpg"}));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(KaDBSVExecuteSQL("CREATE TABLEX Broken (A INTEGER)"), KAVDB_E_SYNTAX);
    EXPECT_TRUE(diagnostics.empty());
}

TEST_F(FacadeTest, InitialisationCreatesOrUpgradesTheCatalogueOnce)
{
    // A failed creation leaves no catalogue.
    EXPECT_LT(KaDBSVInitDatabase((dir_ + "/no/such/dir/cat.mdb").c_str()), 0);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT 1"), E_INVALIDARG);
    linkCatalogue(dbPath_);
    ASSERT_EQ(KaAVDBCreate(dbPath_.c_str()), S_OK);
    std::string late = kTestIni;
    for (int k = 4; k <= 7; ++k) {
        late += "[DataTable" + std::to_string(k) + "]\nTableName=T" + std::to_string(k) +
                "\nItem1=V,0,8,\n";
    }
    writeIni(late + "[DataTable8]\nTableName=SceneInfo\nItem1=Scene,0,64,\n"
                    "[DataTable9]\nTableName=FolderInfo\nItem1=FolderTitle,0,64,\n");
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM SceneInfo"), E_INVALIDARG);
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM SceneInfo"), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT DataID9 FROM MainTable"), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM T4"), KAVDB_E_NO_SUCH_TABLE);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/facade.bak"));
    std::string other = dir_ + "/other.mdb";
    EXPECT_EQ(KaDBSVInitDatabase(other.c_str()), S_OK); // a second one opens nothing
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(KaDBSVExitDatabase(), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT 1"), E_INVALIDARG);
    EXPECT_EQ(KaDBSVExitDatabase(), S_OK);
    EXPECT_EQ(KaDBSVInitDatabase(other.c_str()), S_OK); // a missing one is created
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM ExifInfo"), S_OK);
    EXPECT_TRUE(diagnostics.empty());
}

} // namespace
} // namespace kavdb::test
