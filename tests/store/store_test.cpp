/*
 * The catalogue store: catalogue creation under several configurations and the level
 * file, the configured item descriptions and the profile reader's rules behind them, path
 * keys and names, thumbnail sizes, and a file's update time from one look at it.
 */
#include "store/datetext.h"
#include "store/image_fields.h"
#include "store/record_access.h"
#include "support/rows.h"

#include <climits>
#include <filesystem>
#include <fstream>

namespace kavdb::test {
namespace {

namespace fs = std::filesystem;

class LifecycleTest : public TempDirTest {
  protected:
    std::string db() const { return dir_ + "/cat.mdb"; }
    Rows columns(const std::string& table)
    {
        return rowsOf(db(), "SELECT name FROM pragma_table_info('" + table + "')");
    }
};

TEST_F(LifecycleTest, CreatesTheConfiguredSchemaWithItsIndexesAndTheLevelFile)
{
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    EXPECT_EQ(columns("MainTable"),
              (Rows{"FieldID", "PathID", "Filename", "Width", "Height", "Bitcount",
                    "ThumbnailWidth", "ThumbnailHeight", "Thumbnail", "UpdateTM", "Comment",
                    "Marking", "DataID1", "DataID2", "DataID3"}));
    EXPECT_EQ(columns("PathTable"), (Rows{"PathID", "Pathname", "Comment"}));
    EXPECT_EQ(columns("ExifInfo"), (Rows{"DataID", "Make", "Model", "ISO", "Preview"}));
    EXPECT_EQ(rowsOf(db(), "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT "
                           "NULL ORDER BY name"),
              (Rows{"MainTable_DataID1", "MainTable_DataID2", "MainTable_DataID3",
                    "MainTable_PathFile", "PathTable_Pathname"}));
    const std::string dat = dir_ + "/kadb.dat";
    EXPECT_EQ(readFile(dat), "[Common]\r\nlevel=3");
    // The level file is written again only when its level differs.
    std::ofstream(dat, std::ios::binary) << "[Common]\r\nlevel=12\r\nextra=1\r\n";
    ASSERT_EQ(KaAVDBCreate((dir_ + "/a.mdb").c_str()), S_OK);
    EXPECT_EQ(readFile(dat), "[Common]\r\nlevel=3");
    std::ofstream(dat, std::ios::binary) << "[Common]\nlevel=3\n";
    ASSERT_EQ(KaAVDBCreate((dir_ + "/b.mdb.old").c_str()), S_OK); // ".mdb" anywhere will do
    EXPECT_EQ(readFile(dat), "[Common]\nlevel=3\n");
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen((dir_ + "/b.mdb.old").c_str(), &h), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(h, "SELECT * FROM People"), S_OK);
    EXPECT_EQ(KaAVDBClose(h), S_OK);
}

TEST_F(LifecycleTest, TheItemListEndsOrFailsAsTheConfigurationSays)
{
    const std::tuple<const char*, HRESULT, std::size_t, Rows> cases[] = {
        {"", S_OK, 12, {}},
        {"[DataTable1]\nTableName=T\nItem1=A,0\n", E_FAIL, 13, {}}, // after the base tables
        {"[DataTable1]\nTableName=T\nItem1=A,0,8,\nItem2=B,7,\nItem3=C,1,\n",
         S_OK,
         13,
         {"DataID", "A"}},
    };
    int n = 0;
    for (const auto& [ini, hr, mainColumns, tColumns] : cases) {
        writeIni(ini);
        std::string path = dir_ + "/c" + std::to_string(++n) + ".mdb";
        EXPECT_EQ(KaAVDBCreate(path.c_str()), hr) << ini;
        EXPECT_EQ(rowsOf(path, "SELECT COUNT(*) FROM pragma_table_info('MainTable')"),
                  Rows{std::to_string(mainColumns)});
        EXPECT_EQ(rowsOf(path, "SELECT name FROM pragma_table_info('T')"), tColumns) << ini;
    }
    EXPECT_FALSE(fs::exists(dir_ + "/kadb.dat")); // no level, no level file
}

TEST_F(LifecycleTest, AFileThatIsNotACatalogueIsLeftAsItIs)
{
    std::string path = makeFile("junk.mdb", std::string(4096, 'j'));
    EXPECT_EQ(KaAVDBCreate(path.c_str()), E_FAIL);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK); // a handle whose calls fail
    EXPECT_EQ(KaAVDBExecuteSQL(h, "SELECT 1"), KAVDB_E_OBJECT_CLOSED);
    EXPECT_EQ(KaAVDBClose(h), KAVDB_E_OBJECT_CLOSED);
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_EQ(errors()[0].message, "Failed to connect database.");
    EXPECT_EQ(errors()[1].message, "Failed to close database");
    EXPECT_EQ(readFile(path), std::string(4096, 'j'));
}

/* KaAVDBGetData of each item as "result [table] item type size"; -7 for what it left. */
Rows itemDescriptions(std::initializer_list<int32_t> indexes)
{
    Rows described;
    for (int32_t i : indexes) {
        char table[200] = "", item[200] = "";
        int32_t type = -7, size = -7;
        HRESULT hr = KaAVDBGetData(i, table, item, &type, &size);
        described.push_back(std::to_string(hr) + " [" + table + "] " + item + " " +
                            std::to_string(type) + " " + std::to_string(size));
    }
    return described;
}

const std::string kFailed = std::to_string(E_FAIL);

TEST_F(LifecycleTest, ItemDescriptionsAndCountsFollowTheConfigurationReadByTheProfileRules)
{
    EXPECT_EQ(
        itemDescriptions({1, 3, 4, 5, 7, 8}),
        (Rows{"0 [ExifInfo] Make 0 64", "0 [ExifInfo] ISO 1 -7", "0 [ExifInfo] Preview 2 1024",
              "0 [Caption] Title 0 128", "0 [People] Name 0 64", kFailed + " []  -7 -7"}));
    const std::pair<const char*, int32_t> counts[] = {
        {"ExifInfo", 4}, {"Caption", 2}, {"exifinfo", 0}, {"Nope", 0}};
    for (const auto& [table, expected] : counts) {
        int32_t n = -1;
        EXPECT_EQ(KaAVDBGetDataNum(table, &n), expected > 0 ? S_OK : E_FAIL) << table;
        EXPECT_EQ(n, expected) << table;
    }
    int32_t n = 0;
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), S_OK);
    EXPECT_EQ(n, 7);
    // Incomplete values: each part is written as soon as it is known.
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0,\nItem2=B\nItem3=C,1,\n");
    EXPECT_EQ(itemDescriptions({1, 2, 3}),
              (Rows{kFailed + " [T] A 0 -7", kFailed + " [T]  -7 -7", "0 [T] C 1 -7"}));
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), S_OK);
    EXPECT_EQ(n, 3);
    writeIni("[Common]\nlevel=3\n");
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), E_FAIL);
    EXPECT_EQ(n, 0);
    // The profile reader's rules: names ignore case, values are trimmed and lose one pair of
    // quotes, ';' starts a comment, the first match wins, a value is cut to 127 characters.
    writeIni("; comment\n[datatable1]\nTableName =  Alpha  \r\nItem1='Make,0,64,'\n"
             "Item1=Ignored,0,1,\n;Item2=Hidden,0,1,\nITEM2=Model,0,8,\n[DataTable1]\n"
             "Item3=Late,1,\n[DataTable2]\nTableName=\"  Beta  \"\nItem1=" +
             std::string(130, 'x') + ",0,1,\n");
    EXPECT_EQ(itemDescriptions({1, 2, 3, 4, 5}),
              (Rows{"0 [Alpha] Make 0 64", "0 [Alpha] Model 0 8", "0 [Alpha] Late 1 -7",
                    kFailed + " [  Beta  ]  -7 -7", kFailed + " []  -7 -7"}));
}

TEST(PathKeysTest, SplitAndJoin)
{
    const std::tuple<const char*, const char*, const char*, HRESULT> cases[] = {
        {"C:\\photos\\a.jpg", "C:\\photos\\", "a.jpg", S_OK},
        {"C:\\a.jpg", "C:\\", "a.jpg", S_OK},
        {"/home/u\\mixed/b.png", "/home/u\\mixed/", "b.png", S_OK},
        {"a.jpg", "", "a.jpg", S_OK},
        {"C:a.jpg", "C:", "a.jpg", S_OK},
        {"/x/y/", "/x/y/", "", E_FAIL},
        {"", "", "", E_INVALIDARG},
        {nullptr, "", "", E_INVALIDARG},
    };
    for (const auto& [path, folder, name, hr] : cases) {
        std::string f, n;
        EXPECT_EQ(store::SplitFilePath(path, f, n), hr) << (path ? path : "null");
        EXPECT_EQ(f + "|" + n, std::string(folder) + "|" + name);
    }
    EXPECT_TRUE(store::IsFolderPath("C:\\photos"));
    EXPECT_FALSE(store::IsFolderPath("C:\\photos.2004\\readme"));
    EXPECT_FALSE(store::IsFolderPath(""));
    EXPECT_FALSE(store::IsFolderPath(nullptr));
    for (const auto& [text, joined] : {std::pair<std::string, std::string>{"C:\\p", "C:\\p\\"},
                                       {"/home/p", "/home/p/"},
                                       {"plain", "plain/"},
                                       {"/mixed\\last", "/mixed\\last\\"}}) {
        std::string t = text;
        store::appendSeparator(t);
        EXPECT_EQ(t, joined);
    }
}

TEST(NamesTest, OnlyPlainNamesReachTheLibrarysStatements)
{
    for (const char* name : {"Caption", "_x9", "Data\xc3\xa9", "a"}) {
        EXPECT_EQ(store::CheckName(name), S_OK) << name;
    }
    for (const char* name : {"", "9x", "A;B", "a b", "a\"b", "a-b", "[x]", "x--"}) {
        EXPECT_EQ(store::CheckName(name), KAVDB_E_SYNTAX) << name;
    }
}

TEST(ThumbnailBytes, PaddedRowsTimesHeightWithinALimit)
{
    const std::tuple<int32_t, int32_t, int64_t> cases[] = {{1, 1, 4},
                                                           {4, 1, 12},
                                                           {5, 2, 32},
                                                           {160, 120, 57600},
                                                           {0, 5, 0},
                                                           {5, 0, 0},
                                                           {-5, 2, 0},
                                                           {5, -2, 0},
                                                           {INT32_MAX, 1, 0},
                                                           {1, INT32_MAX, 0},
                                                           {16384, 5461, 268419072},
                                                           {16384, 5462, 0}};
    for (const auto& [width, height, bytes] : cases) {
        ImageData image{};
        image.ThumbnailWidth = width;
        image.ThumbnailHeight = height;
        EXPECT_EQ(store::thumbnailBytes(image), bytes) << width << "x" << height;
    }
}

TEST_F(LifecycleTest, AFileTimeOrItsCertainAbsence)
{
    std::string file = makeFile("a.jpg");
    std::string dir = makeDir("d.jpg");
    setMtime(file, 1100000000, 123000000);
    SYSTEMTIME looked{}, opened{};
    ASSERT_EQ(store::fileTimeOrAbsence(file.c_str(), &looked), 1);
    ASSERT_EQ(store::fileUpdateTime(file.c_str(), &opened), 1);
    EXPECT_EQ(store::dateText(looked), store::dateText(opened));
    EXPECT_EQ(looked.wMilliseconds, 123);
    SYSTEMTIME t{};
    t.wYear = 1999;
    for (const std::string& path : {dir_ + "/missing.jpg", dir_ + "/none/x.jpg", file + "/x.jpg"}) {
        EXPECT_EQ(store::fileTimeOrAbsence(path.c_str(), &t), 0) << path;
    }
    EXPECT_EQ(store::fileTimeOrAbsence(dir.c_str(), &t), -1);
    EXPECT_EQ(store::fileTimeOrAbsence(nullptr, &t), -1);
    EXPECT_EQ(t.wYear, 1999);
}

} // namespace
} // namespace kavdb::test
