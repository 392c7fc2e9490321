/*
 * The service facade through the public header: argument checks before and after
 * initialisation, the query diagnostic, the process-wide catalogue's lifecycle and
 * forwarding to the handle-based exports. Every test runs in its own process, so each
 * starts with no facade catalogue.
 */
#include "support/fixture.h"

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace kavdb {
namespace {

std::vector<std::string>& diagnostics()
{
    static std::vector<std::string> texts;
    return texts;
}

void recordDiagnostic(const char* text)
{
    diagnostics().push_back(text != nullptr ? text : "");
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

class FacadeTest : public test::TempDirTest {
  protected:
    void SetUp() override
    {
        test::TempDirTest::SetUp();
        diagnostics().clear();
        KaSetDiagnosticHandler(&recordDiagnostic);
        dbPath_ = dir_ + "/facade.mdb";
    }
    void TearDown() override
    {
        KaDBSVExitDatabase();
        KaSetDiagnosticHandler(nullptr);
        test::TempDirTest::TearDown();
    }

    std::string dbPath_;
};

struct FacadeCall {
    const char* name;
    std::function<HRESULT()> call;
};

/* Every forwarding function that needs the catalogue, with arguments that pass every
 * other check. */
std::vector<FacadeCall> callsNeedingTheCatalogue()
{
    static char text[2048];
    static char* textPtr = text;
    static char sql[] = "SELECT * FROM MainTable";
    static int32_t n = 0;
    static StringList list;
    static MetaDataList data;
    static MetaTagList tags;
    static MetaIdxDataList rows;
    static ImageData image{};
    static void* buffer = nullptr;
    return {
        {"EnrollFolder", [] { return KaDBSVEnrollFolder("/p"); }},
        {"EnrollFile", [] { return KaDBSVEnrollFile("/p/a.jpg", &data); }},
        {"EnrollImage", [] { return KaDBSVEnrollImage("/p/a.jpg", &image); }},
        {"UpdateFile", [] { return KaDBSVUpdateFile("/p/a.jpg", &data); }},
        {"SetFolderInfo", [] { return KaDBSVSetFolderInfo("/p", "t"); }},
        {"DeleteFolder", [] { return KaDBSVDeleteFolder("/p"); }},
        {"DeleteFile", [] { return KaDBSVDeleteFile("/p/a.jpg"); }},
        {"MoveFile", [] { return KaDBSVMoveFile("/p/a.jpg", "/p/b.jpg", 0); }},
        {"ReadFile", [] { return KaDBSVReadFile("/p/a.jpg", &data); }},
        {"ReadFilePartially",
         [] { return KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", 0, &n, &buffer); }},
        {"GetFolderInfo", [] { return KaDBSVGetFolderInfo("/p", &textPtr); }},
        {"ReadImage", [] { return KaDBSVReadImage("/p/a.jpg", &image); }},
        {"UpdateImage", [] { return KaDBSVUpdateImage("/p/a.jpg", &image); }},
        {"ReadComment", [] { return KaDBSVReadComment("/p/a.jpg", &textPtr); }},
        {"UpdateComment", [] { return KaDBSVUpdateComment("/p/a.jpg", "c"); }},
        {"Query", [] { return KaDBSVQuery("SELECT * FROM MainTable WHERE FieldID > 0", &list); }},
        {"GetReadTableDataCount", [] { return KaDBSVGetReadTableDataCount("ExifInfo", &n); }},
        {"GetReadTableData", [] { return KaDBSVGetReadTableData(1, "ExifInfo", &tags); }},
        {"GetReadTableDataEx", [] { return KaDBSVGetReadTableDataEx(1, 2, "ExifInfo", &rows); }},
        {"RefreshFolder", [] { return KaDBSVRefreshFolder("/p", 1); }},
        {"CopyFile", [] { return KaDBSVCopyFile("/p/a.jpg", "/p/b.jpg", 0); }},
        {"RefreshFiles", [] { return KaDBSVRefreshFiles(&list, 1); }},
        {"RefreshAll", [] { return KaDBSVRefreshAll(1); }},
        {"WriteUpdateData", [] { return KaDBSVWriteUpdateData("/p/a.jpg", "x"); }},
        {"ReadUpdateData", [] { return KaDBSVReadUpdateData("/p/a.jpg", text); }},
        {"DeleteInfo", [] { return KaDBSVDeleteInfo(sql); }},
        {"UpdateTableData", [] { return KaDBSVUpdateTableData("ExifInfo", "Make", "a", "b"); }},
        {"SetCheck", [] { return KaDBSVSetCheck("/p/a.jpg", 1); }},
        {"GetCheck", [] { return KaDBSVGetCheck("/p/a.jpg", &n); }},
        {"GetQueryFileList", [] { return KaDBSVGetQueryFileList("SELECT 1", &list, 0); }},
        {"ExecuteSQL", [] { return KaDBSVExecuteSQL("SELECT 1"); }},
        {"GetCountSQL", [] { return KaDBSVGetCountSQL("SELECT * FROM MainTable WHERE 1", &n); }},
    };
}

TEST_F(FacadeTest, EveryCallNeedsTheCatalogue)
{
    std::vector<FacadeCall> calls = callsNeedingTheCatalogue();
    ASSERT_EQ(calls.size(), 32u); // with the four that need none: 36
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(), E_INVALIDARG) << c.name;
    }
    EXPECT_FALSE(exists(dbPath_));
}

TEST_F(FacadeTest, FourCallsNeedNoCatalogue)
{
    int32_t count = -1;
    EXPECT_EQ(KaDBSVGetDataTableNum(&count), S_OK);
    EXPECT_EQ(count, 7); // the items of the test configuration's tables
    char table[128] = {};
    char item[128] = {};
    char* tablePtr = table;
    char* itemPtr = item;
    int32_t type = -1;
    int32_t size = -1;
    EXPECT_EQ(KaDBSVGetDataTable(1, &tablePtr, &itemPtr, &type, &size), S_OK);
    EXPECT_STREQ(table, "ExifInfo");
    EXPECT_STREQ(item, "Make");
    // The image reads pass the missing handle on, and its own check refuses it.
    StringList paths{"/p/a.jpg"};
    ImageDataList images;
    EXPECT_EQ(KaDBSVReadImageBatch(&paths, &images), E_INVALIDARG);
    EXPECT_EQ(KaDBSVReadImages(nullptr, &paths, nullptr), E_INVALIDARG);
}

TEST_F(FacadeTest, CatalogueFreeCallsCheckTheirArguments)
{
    char buffer[128] = {};
    char* ptr = buffer;
    int32_t n = 0;
    EXPECT_EQ(KaDBSVGetDataTableNum(nullptr), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetDataTable(0, &ptr, &ptr, &n, &n), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetDataTable(1, nullptr, &ptr, &n, &n), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetDataTable(1, &ptr, nullptr, &n, &n), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetDataTable(1, &ptr, &ptr, nullptr, &n), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetDataTable(1, &ptr, &ptr, &n, nullptr), E_INVALIDARG);
}

TEST_F(FacadeTest, QueryWithoutCatalogueShowsItsDiagnostic)
{
    StringList list{"one", "two"};
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE a", &list), E_INVALIDARG);
    ASSERT_EQ(diagnostics().size(), 1u);
    EXPECT_EQ(diagnostics()[0], "m_hDB = 00000000\nstrSQL = SELECT * FROM MainTable WHERE a\n"
                                "lpList count = 2\n");
    EXPECT_EQ(list, (StringList{"one", "two"}));
}

TEST_F(FacadeTest, QueryDiagnosticShowsMissingArguments)
{
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    StringList list;
    EXPECT_EQ(KaDBSVQuery(nullptr, &list), E_INVALIDARG);
    EXPECT_EQ(KaDBSVQuery("SELECT x", nullptr), E_INVALIDARG);
    ASSERT_EQ(diagnostics().size(), 2u);
    const std::string& first = diagnostics()[0];
    ASSERT_EQ(first.size(), std::string("m_hDB = 12345678\n").size() +
                                std::string("strSQL = (null)\nlpList count = 0\n").size());
    EXPECT_EQ(first.rfind("m_hDB = ", 0), 0u);
    EXPECT_NE(first.substr(8, 8), "00000000"); // the open catalogue's handle
    EXPECT_EQ(first.substr(16), "\nstrSQL = (null)\nlpList count = 0\n");
    EXPECT_EQ(diagnostics()[1], first.substr(0, 17) + "strSQL = SELECT x\nlpList count = -1\n");
}

TEST_F(FacadeTest, QueryDiagnosticIsBoundedByItsBuffer)
{
    std::string sql(5000, 's');
    StringList list;
    EXPECT_EQ(KaDBSVQuery(sql.c_str(), &list), E_INVALIDARG);
    ASSERT_EQ(diagnostics().size(), 1u);
    EXPECT_EQ(diagnostics()[0].size(), 999u);
    EXPECT_EQ(diagnostics()[0].rfind("m_hDB = 00000000\nstrSQL = sss", 0), 0u);
}

TEST_F(FacadeTest, InitialisationCreatesAMissingCatalogue)
{
    ASSERT_FALSE(exists(dbPath_));
    EXPECT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_TRUE(exists(dbPath_));
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM ExifInfo"), S_OK);
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), S_OK);
    StringList out;
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE Filename = \"a.jpg\"", &out), S_OK);
    EXPECT_EQ(out, (StringList{"/p/a.jpg"}));
    int32_t count = 0;
    EXPECT_EQ(KaDBSVGetCountSQL("SELECT * FROM MainTable WHERE FieldID > 0", &count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(diagnostics().empty());
}

TEST_F(FacadeTest, InitialisationAddsTheLateTables)
{
    std::string early = test::kTestIni;
    ASSERT_EQ(KaAVDBCreate(dbPath_.c_str()), S_OK);
    std::string late = early;
    for (int k = 4; k <= 7; ++k) {
        late += "[DataTable" + std::to_string(k) + "]\nTableName=T" + std::to_string(k) +
                "\nItem1=V,0,8,\n";
    }
    late += "[DataTable8]\nTableName=SceneInfo\nItem1=Scene,0,64,\n"
            "[DataTable9]\nTableName=FolderInfo\nItem1=FolderTitle,0,64,\n";
    writeIni(late);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM SceneInfo"), E_INVALIDARG);

    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM SceneInfo"), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT DataID9 FROM MainTable"), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT * FROM T4"), KaDBSVExecuteSQL("SELECT * FROM NoTable"));
    EXPECT_FALSE(exists(dir_ + "/facade.bak"));
}

TEST_F(FacadeTest, SecondInitialisationOpensNothing)
{
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    std::string other = dir_ + "/other.mdb";
    EXPECT_EQ(KaDBSVInitDatabase(other.c_str()), S_OK);
    EXPECT_FALSE(exists(other));
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), S_OK);
    StringList out;
    EXPECT_EQ(KaDBSVGetQueryFileList("SELECT Filename FROM MainTable", &out, 1), S_OK);
    EXPECT_EQ(out, (StringList{"a.jpg"}));
}

TEST_F(FacadeTest, InitialisationRefusesANullPath)
{
    EXPECT_EQ(KaDBSVInitDatabase(nullptr), E_INVALIDARG);
}

TEST_F(FacadeTest, FailedCreationLeavesNoCatalogue)
{
    std::string unreachable = dir_ + "/no/such/dir/cat.mdb";
    EXPECT_LT(KaDBSVInitDatabase(unreachable.c_str()), 0);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT 1"), E_INVALIDARG);
}

TEST_F(FacadeTest, ExitWithoutInitialisationSucceeds)
{
    EXPECT_EQ(KaDBSVExitDatabase(), S_OK);
    EXPECT_EQ(KaDBSVExitDatabase(), S_OK);
}

TEST_F(FacadeTest, ExitClosesTheCatalogue)
{
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT 1"), S_OK);
    EXPECT_EQ(KaDBSVExitDatabase(), S_OK);
    EXPECT_EQ(KaDBSVExecuteSQL("SELECT 1"), E_INVALIDARG);
    // A later initialisation opens again, even another catalogue.
    std::string other = dir_ + "/other.mdb";
    EXPECT_EQ(KaDBSVInitDatabase(other.c_str()), S_OK);
    EXPECT_TRUE(exists(other));
}

TEST_F(FacadeTest, ChecksAfterInitialisation)
{
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    StringList list;
    int32_t n = 0;
    MetaTagList tags;
    MetaIdxDataList rows;
    EXPECT_EQ(KaDBSVRefreshAll(3), E_INVALIDARG);
    EXPECT_EQ(KaDBSVRefreshAll(0), E_INVALIDARG);
    EXPECT_EQ(KaDBSVRefreshFiles(&list, 3), E_INVALIDARG);
    EXPECT_EQ(KaDBSVRefreshFolder(dir_.c_str(), 0), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetReadTableData(0, "ExifInfo", &tags), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetReadTableDataEx(0, 1, "ExifInfo", &rows), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetReadTableDataEx(3, 2, "ExifInfo", &rows), E_INVALIDARG);
    EXPECT_EQ(KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", -1, &n, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(KaDBSVReadFilePartially("/p/a.jpg", "ExifInfo", "Make", 0, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(KaDBSVEnrollFolder(nullptr), E_INVALIDARG);
    EXPECT_EQ(KaDBSVMoveFile("/p/a.jpg", nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetQueryFileList("SELECT 1", nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(KaDBSVExecuteSQL(nullptr), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetCountSQL(nullptr, &n), E_INVALIDARG);
    EXPECT_EQ(KaDBSVGetReadTableDataCount("ExifInfo", nullptr), E_INVALIDARG);
    EXPECT_EQ(KaDBSVUpdateTableData("ExifInfo", "Make", nullptr, "b"), E_INVALIDARG);
    EXPECT_TRUE(diagnostics().empty());
}

TEST_F(FacadeTest, ForwardsResultsUnchanged)
{
    ASSERT_EQ(KaDBSVInitDatabase(dbPath_.c_str()), S_OK);
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), S_OK);
    EXPECT_EQ(KaDBSVEnrollFile("/p/a.jpg", nullptr), KAVDB_E_ALREADY_EXISTS);
    StringList out;
    EXPECT_EQ(KaDBSVQuery("SELECT * FROM MainTable WHERE Filename = \"zz.jpg\"", &out),
              KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaDBSVExecuteSQL("CREATE TABLEX Broken (A INTEGER)"), (HRESULT)0x80040E14);
    EXPECT_TRUE(diagnostics().empty());
}

} // namespace
} // namespace kavdb
