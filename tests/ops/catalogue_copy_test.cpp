/*
 * The catalogue copy through its export, file to file: the progress it reports table by
 * table and batch by batch, and what it refuses or undoes (a destination holding rows or
 * lacking an item of the source, a value a destination column cannot hold met part way),
 * each leaving the destination without a row.
 */
#include "support/fixture.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace kavdb::test {
namespace {

/* More files than one batch of the copy holds. */
constexpr int kFiles = 300;

class CatalogueCopyTest : public CatalogueTest {
  protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        for (int i = 0; i < kFiles; ++i) {
            std::string path = makeFile("photos/f" + std::to_string(i) + ".jpg");
            ASSERT_EQ(registerWith(
                          path, {makeMeta("ExifInfo", {{"Make", "Make " + std::to_string(i % 7)}},
                                          {{"ISO", i}})}),
                      S_OK);
        }
    }

    /* A catalogue at dir/name made from ini; the usual configuration back afterwards. */
    std::string catalogueFrom(const std::string& name, const std::string& ini)
    {
        std::string path = dir_ + "/" + name;
        writeIni(ini);
        EXPECT_EQ(KaAVDBCreate(path.c_str()), S_OK);
        writeIni(kTestIni);
        return path;
    }

    int32_t rowsOf(const std::string& path, const char* table)
    {
        DBHandle* h = nullptr;
        int32_t n = -1;
        EXPECT_EQ(KaAVDBOpen(path.c_str(), &h), S_OK);
        EXPECT_EQ(KaAVDBGetReadTableDataCount(h, table, &n), S_OK);
        KaAVDBClose(h);
        return n;
    }

    HRESULT copyTo(const std::string& dst)
    {
        report_.clear();
        return KaAVDBCopyCatalogue(dbPath_.c_str(), dst.c_str(), &report_, nullptr, nullptr);
    }

    StringList report_;
};

using Step = std::tuple<std::string, int64_t, int64_t>;

void recordStep(void* context, const char* table, int64_t done, int64_t total)
{
    static_cast<std::vector<Step>*>(context)->emplace_back(table, done, total);
}

TEST_F(CatalogueCopyTest, ProgressGoesTableByTableAndARefusedCopyKeepsNoRow)
{
    const std::string dst = dir_ + "/copy.mdb";
    std::vector<Step> steps;
    ASSERT_EQ(KaAVDBCopyCatalogue(dbPath_.c_str(), dst.c_str(), &report_, recordStep, &steps),
              S_OK);
    std::vector<Step> main;
    std::copy_if(steps.begin(), steps.end(), std::back_inserter(main),
                 [](const Step& s) { return std::get<0>(s) == "MainTable"; });
    EXPECT_EQ(main, (std::vector<Step>{{"MainTable", 0, kFiles},
                                       {"MainTable", 256, kFiles},
                                       {"MainTable", kFiles, kFiles}}));
    EXPECT_EQ(std::get<0>(steps.front()), "PathTable"); // parents before the files
    EXPECT_EQ(std::get<0>(steps.back()), "MainTable");
    EXPECT_EQ(report_.size(), 5u); // PathTable, the three metadata tables, MainTable
    EXPECT_EQ(rowsOf(dst, "ExifInfo"), kFiles);
    EXPECT_EQ(copyTo(dst), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(copyTo(dir_ + "/made.mdb"), S_OK) << "a missing destination is made";
    const std::string used = catalogueFrom("used.mdb", kTestIni);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(used.c_str(), &h), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(h, "INSERT INTO PathTable (Pathname) VALUES ('/elsewhere')"), S_OK);
    KaAVDBClose(h);
    EXPECT_EQ(copyTo(used), KAVDB_E_ALREADY_EXISTS) << "one row is a catalogue in use";
    // A destination lacking an item or refusing a value keeps no row.
    std::string ini = kTestIni;
    const std::string lacking =
        catalogueFrom("lacking.mdb", ini.replace(ini.find("Item4=Preview"), 22, ""));
    EXPECT_EQ(copyTo(lacking), KAVDB_E_UNKNOWN_COLUMN);
    EXPECT_EQ(report_.back(), "ExifInfo.Preview: the destination has no such item");
    EXPECT_EQ(rowsOf(lacking, "PathTable"), 0);

    ini = kTestIni;
    // Make as an integer item: the first ExifInfo row fails, after PathTable was copied.
    const std::string refusing =
        catalogueFrom("refusing.mdb", ini.replace(ini.find("Make,0,64,"), 10, "Make,1,"));
    EXPECT_EQ(copyTo(refusing), KAVDB_E_DATA_MISMATCH);
    EXPECT_EQ(rowsOf(refusing, "PathTable"), 0);
    EXPECT_EQ(rowsOf(refusing, "ExifInfo"), 0);
}

} // namespace
} // namespace kavdb::test
