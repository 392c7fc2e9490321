/*
 * Every export with a missing, empty or malformed argument (or a search of an index never
 * made), and the result code it gives: the whole interface, by code. Nothing of a
 * refused call reaches the catalogue.
 */
#include "support/fixture.h"

namespace kavdb::test {
namespace {

using ArgumentsTest = CatalogueTest;

int32_t onImage(int32_t, void*, ImageReadRecord*)
{
    return 0;
}

TEST_F(ArgumentsTest, EachRefusalHasItsCode)
{
    StringList list;
    MetaDataList data;
    MetaTagList tags;
    MetaIdxDataList rows;
    ImageDataList images;
    ImageData image{};
    MetaTag tag{};
    int32_t n = 0;
    char out[1024] = {};
    char sql[] = "";
    void* buffer = nullptr;
    DBHandle* h = nullptr;
    DBHandle* db = db_;
    const char* p = "/p/a.jpg";
    const std::string upper = dir_ + "/CAT.MDB";
    EXPECT_EACH_GIVES(
        E_INVALIDARG, KaAVDBCreate(nullptr), KaAVDBCreate(""),
        KaAVDBCreate((dir_ + "/cat.db").c_str()), KaAVDBOpen(nullptr, &h),
        KaAVDBOpen(upper.c_str(), &h), KaAVDBOpen(dbPath_.c_str(), nullptr), KaAVDBClose(nullptr),
        KaAVDBAddItem(nullptr, "x.mdb"), KaAVDBAddItem(db, nullptr),
        KaAVDBRegisterFile(nullptr, p, nullptr, nullptr),
        KaAVDBRegisterFile(db, nullptr, nullptr, nullptr),
        KaAVDBRegisterFile(db, "/p/x", nullptr, nullptr), KaAVDBRegisterFolder(db, nullptr),
        KaAVDBRegisterFolder(db, ""), KaAVDBDeleteFile(db, nullptr),
        KaAVDBDeleteFolder(db, nullptr), KaAVDBMoveFile(db, nullptr, p, 0),
        KaAVDBMoveFile(db, p, nullptr, 0), KaAVDBMoveFile(db, p, "/r/x", 0),
        KaAVDBCopyFile(db, nullptr, p, 0), KaAVDBCopyFile(db, p, nullptr, 0),
        KaAVDBWriteData(nullptr, p, &data), KaAVDBWriteData(db, p, nullptr),
        KaAVDBWriteData(db, nullptr, &data), KaAVDBWriteData(db, "/p/x", &data),
        KaAVDBReadData(db, "", &data), KaAVDBReadData(db, p, nullptr),
        KaAVDBReadData(db, nullptr, &data), KaAVDBReadData(nullptr, p, &data),
        KaAVDBReadFilePartially(db, p, "", "Make", 0, &n, &buffer),
        KaAVDBReadFilePartially(db, p, nullptr, "Make", 0, &n, &buffer),
        KaAVDBReadFilePartially(db, p, "ExifInfo", nullptr, 0, &n, &buffer),
        KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", -1, &n, &buffer),
        KaAVDBReadFilePartially(db, "/p/x", "ExifInfo", "Make", 0, &n, &buffer),
        KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, nullptr, &buffer),
        KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, &n, nullptr),
        KaAVDBGetDataTotalNum(nullptr), KaAVDBGetData(0, out, out, &n, &n),
        KaAVDBGetData(1, nullptr, out, &n, &n), KaAVDBGetData(1, out, out, nullptr, &n),
        KaAVDBGetDataNum("", &n), KaAVDBGetDataNum(nullptr, &n),
        KaAVDBGetDataNum("ExifInfo", nullptr), KaAVDBGetReadTableDataCount(db, "", &n),
        KaAVDBGetReadTableDataCount(db, nullptr, &n),
        KaAVDBGetReadTableDataCount(db, "ExifInfo", nullptr),
        KaAVDBGetReadTableData(db, 0, "ExifInfo", &tags),
        KaAVDBGetReadTableData(db, 1, "ExifInfo", nullptr),
        KaAVDBGetReadTableData(db, 1, nullptr, &tags),
        KaAVDBGetReadTableDataEx(nullptr, 1, 1, "Caption", &rows),
        KaAVDBGetReadTableDataEx(db, 1, 1, "Caption", nullptr),
        KaAVDBGetReadTableDataEx(db, 1, 1, nullptr, &rows),
        KaAVDBGetReadTableDataEx(db, 3, 2, "Caption", &rows), KaAVDBReadImage(nullptr, p, &image),
        KaAVDBReadImage(db, "", &image), KaAVDBReadImage(db, nullptr, &image),
        KaAVDBReadImage(db, "/p/x", &image), KaAVDBReadImage(db, p, nullptr),
        KaAVDBWriteImage(db, p, nullptr), KaAVDBWriteImage(db, nullptr, &image),
        KaAVDBReadImages(nullptr, nullptr, &list, onImage),
        KaAVDBReadImages(db, nullptr, nullptr, onImage),
        KaAVDBReadImages(db, nullptr, &list, nullptr), KaAVDBReadImageBatch(db, nullptr, &images),
        KaAVDBReadImageBatch(db, &list, nullptr), KaAVDBReadUpdateData(db, "/p/x", out),
        KaAVDBReadUpdateData(db, p, nullptr), KaAVDBWriteUpdateData(db, p, nullptr),
        KaAVDBRefreshFolder(nullptr, "/p", 1), KaAVDBRefreshFolder(db, nullptr, 1),
        KaAVDBRefreshFolder(db, "", 1), KaAVDBRefreshFiles(db, nullptr, 1),
        KaAVDBRefreshAll(nullptr, 1), KaAVDBReadComment(nullptr, p, out),
        KaAVDBReadComment(db, "", out), KaAVDBReadComment(db, p, nullptr),
        KaAVDBWriteComment(db, nullptr, "x"), KaAVDBWriteComment(db, p, nullptr),
        KaAVDBReadFolderInfo(nullptr, "/p", out), KaAVDBReadFolderInfo(db, "/p", nullptr),
        KaAVDBReadFolderInfo(db, "", out), KaAVDBWriteFolderInfo(db, "/p", nullptr),
        KaAVDBSetCheck(nullptr, p, 1), KaAVDBSetCheck(db, nullptr, 1),
        KaAVDBSetCheck(db, "/p/x", 1), KaAVDBGetCheck(db, p, nullptr),
        KaAVDBGetCheck(db, nullptr, &n), KaAVDBGetCheck(db, "/p/x", &n),
        KaAVDBDeleteInfo(db, nullptr), KaAVDBDeleteInfo(nullptr, sql), KaAVDBDeleteInfo(db, sql),
        KaAVDBUpdateTableData(nullptr, "Caption", "Title", "a", "b"),
        KaAVDBUpdateTableData(db, "", "Title", "a", "b"),
        KaAVDBUpdateTableData(db, "Caption", "", "a", "b"),
        KaAVDBUpdateTableData(db, "Caption", "Title", "", "b"),
        KaAVDBUpdateTableData(db, "Caption", "Title", nullptr, "b"),
        KaAVDBUpdateTableData(db, "Caption", "Title", "a", nullptr),
        KaAVDBQuery(nullptr, "SELECT * FROM T WHERE a", &list), KaAVDBQuery(db, nullptr, &list),
        KaAVDBQuery(db, "SELECT * FROM T WHERE a", nullptr),
        KaAVDBGetCountSQL(nullptr, "SELECT * FROM T WHERE a", &n),
        KaAVDBGetCountSQL(db, "SELECT * FROM T WHERE a", nullptr),
        KaAVDBGetQueryFileList(nullptr, "SELECT 1", &list, 0),
        KaAVDBGetQueryFileList(db, nullptr, &list, 0),
        KaAVDBGetQueryFileList(db, "SELECT 1", nullptr, 0), KaAVDBExecuteSQL(nullptr, "SELECT 1"),
        KaAVDBExecuteSQL(db, nullptr), KaAVDBSearchText(db, nullptr, 0, &list),
        KaAVDBRefreshStatistics(nullptr), FreeMetaTag(nullptr), CopyMetaTag(nullptr, &tag),
        CopyMetaTag(&tag, nullptr), FreeMetaTagList(nullptr), FreeMetaIdxDataList(nullptr),
        FreeMetaDataList(nullptr), FreeImageData(nullptr), FreeImageDataList(nullptr),
        FreeStringList(nullptr), FreeBuffer(nullptr), KaDBSVInitDatabase(nullptr));
    EXPECT_EACH_GIVES(
        E_FAIL, KaAVDBCreate(dbPath_.c_str()), KaAVDBOpen((dir_ + "/x.mdb").c_str(), &h),
        KaAVDBRegisterFile(db, "/p.q/", nullptr, nullptr), KaAVDBRefreshFolder(db, "photos", 1),
        KaAVDBReadFolderInfo(db, "p", out), KaAVDBWriteFolderInfo(db, "p", "x"));
    EXPECT_EACH_GIVES(KAVDB_E_OUT_OF_RANGE, KaAVDBGetReadTableDataEx(db, 0, 2, "Caption", &rows));
    EXPECT_EACH_GIVES(S_OK, KaAVDBReadImages(db, nullptr, &list, onImage), KaAVDBRefreshAll(db, 0));
    EXPECT_EACH_GIVES(KAVDB_E_SYNTAX, KaAVDBUpdateTableData(db, "Caption", "T-1", "a", "b"));
    // Searches of indexes never made:
    EXPECT_EACH_GIVES(KAVDB_E_NO_SUCH_TABLE, KaAVDBSearchText(db, "x", 0, &list),
                      KaAVDBSearchPlace(db, 0, 0, 10, 0, &list));
    EXPECT_EQ(h, nullptr);
    EXPECT_TRUE(list.empty() && data.empty() && tags.empty() && rows.empty() && images.empty());
    // Nothing reached the catalogue: no folder row was made by any of them.
    EXPECT_EQ(KaAVDBReadFolderInfo(db_, "/p", out), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(GetFileUpdateTM(dbPath_.c_str(), nullptr), -1); // a missing path: frame_test's
}

} // namespace
} // namespace kavdb::test
