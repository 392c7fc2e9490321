/*
 * Every export with a missing, empty or malformed argument (or a search of an index never
 * made), and the result code it gives: one table for the whole interface. Nothing of a
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
    const Call calls[] = {
        GIVES(E_INVALIDARG, KaAVDBCreate(nullptr)),
        GIVES(E_INVALIDARG, KaAVDBCreate("")),
        GIVES(E_INVALIDARG, KaAVDBCreate((dir_ + "/cat.db").c_str())),
        GIVES(E_FAIL, KaAVDBCreate(dbPath_.c_str())),
        GIVES(E_INVALIDARG, KaAVDBOpen(nullptr, &h)),
        GIVES(E_INVALIDARG, KaAVDBOpen(upper.c_str(), &h)),
        GIVES(E_INVALIDARG, KaAVDBOpen(dbPath_.c_str(), nullptr)),
        GIVES(E_FAIL, KaAVDBOpen((dir_ + "/x.mdb").c_str(), &h)),
        GIVES(E_INVALIDARG, KaAVDBClose(nullptr)),
        GIVES(E_INVALIDARG, KaAVDBAddItem(nullptr, "x.mdb")),
        GIVES(E_INVALIDARG, KaAVDBAddItem(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRegisterFile(nullptr, p, nullptr, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRegisterFile(db, nullptr, nullptr, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRegisterFile(db, "/p/x", nullptr, nullptr)),
        GIVES(E_FAIL, KaAVDBRegisterFile(db, "/p.q/", nullptr, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRegisterFolder(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRegisterFolder(db, "")),
        GIVES(E_INVALIDARG, KaAVDBDeleteFile(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBDeleteFolder(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBMoveFile(db, nullptr, p, 0)),
        GIVES(E_INVALIDARG, KaAVDBMoveFile(db, p, nullptr, 0)),
        GIVES(E_INVALIDARG, KaAVDBMoveFile(db, p, "/r/x", 0)),
        GIVES(E_INVALIDARG, KaAVDBCopyFile(db, nullptr, p, 0)),
        GIVES(E_INVALIDARG, KaAVDBCopyFile(db, p, nullptr, 0)),
        GIVES(E_INVALIDARG, KaAVDBWriteData(nullptr, p, &data)),
        GIVES(E_INVALIDARG, KaAVDBWriteData(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBWriteData(db, nullptr, &data)),
        GIVES(E_INVALIDARG, KaAVDBWriteData(db, "/p/x", &data)),
        GIVES(E_INVALIDARG, KaAVDBReadData(db, "", &data)),
        GIVES(E_INVALIDARG, KaAVDBReadData(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBReadData(db, nullptr, &data)),
        GIVES(E_INVALIDARG, KaAVDBReadData(nullptr, p, &data)),
        GIVES(E_INVALIDARG, KaAVDBReadFilePartially(db, p, "", "Make", 0, &n, &buffer)),
        GIVES(E_INVALIDARG, KaAVDBReadFilePartially(db, p, nullptr, "Make", 0, &n, &buffer)),
        GIVES(E_INVALIDARG, KaAVDBReadFilePartially(db, p, "ExifInfo", nullptr, 0, &n, &buffer)),
        GIVES(E_INVALIDARG, KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", -1, &n, &buffer)),
        GIVES(E_INVALIDARG,
              KaAVDBReadFilePartially(db, "/p/x", "ExifInfo", "Make", 0, &n, &buffer)),
        GIVES(E_INVALIDARG,
              KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, nullptr, &buffer)),
        GIVES(E_INVALIDARG, KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, &n, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetDataTotalNum(nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetData(0, out, out, &n, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetData(1, nullptr, out, &n, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetData(1, out, out, nullptr, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetDataNum("", &n)),
        GIVES(E_INVALIDARG, KaAVDBGetDataNum(nullptr, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetDataNum("ExifInfo", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataCount(db, "", &n)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataCount(db, nullptr, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataCount(db, "ExifInfo", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableData(db, 0, "ExifInfo", &tags)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableData(db, 1, "ExifInfo", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableData(db, 1, nullptr, &tags)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataEx(nullptr, 1, 1, "Caption", &rows)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataEx(db, 1, 1, "Caption", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataEx(db, 1, 1, nullptr, &rows)),
        GIVES(E_INVALIDARG, KaAVDBGetReadTableDataEx(db, 3, 2, "Caption", &rows)),
        GIVES(KAVDB_E_OUT_OF_RANGE, KaAVDBGetReadTableDataEx(db, 0, 2, "Caption", &rows)),
        GIVES(E_INVALIDARG, KaAVDBReadImage(nullptr, p, &image)),
        GIVES(E_INVALIDARG, KaAVDBReadImage(db, "", &image)),
        GIVES(E_INVALIDARG, KaAVDBReadImage(db, nullptr, &image)),
        GIVES(E_INVALIDARG, KaAVDBReadImage(db, "/p/x", &image)),
        GIVES(E_INVALIDARG, KaAVDBReadImage(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBWriteImage(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBWriteImage(db, nullptr, &image)),
        GIVES(E_INVALIDARG, KaAVDBReadImages(nullptr, nullptr, &list, onImage)),
        GIVES(E_INVALIDARG, KaAVDBReadImages(db, nullptr, nullptr, onImage)),
        GIVES(E_INVALIDARG, KaAVDBReadImages(db, nullptr, &list, nullptr)),
        GIVES(S_OK, KaAVDBReadImages(db, nullptr, &list, onImage)),
        GIVES(E_INVALIDARG, KaAVDBReadImageBatch(db, nullptr, &images)),
        GIVES(E_INVALIDARG, KaAVDBReadImageBatch(db, &list, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBReadUpdateData(db, "/p/x", out)),
        GIVES(E_INVALIDARG, KaAVDBReadUpdateData(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBWriteUpdateData(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBRefreshFolder(nullptr, "/p", 1)),
        GIVES(E_INVALIDARG, KaAVDBRefreshFolder(db, nullptr, 1)),
        GIVES(E_INVALIDARG, KaAVDBRefreshFolder(db, "", 1)),
        GIVES(E_FAIL, KaAVDBRefreshFolder(db, "photos", 1)),
        GIVES(E_INVALIDARG, KaAVDBRefreshFiles(db, nullptr, 1)),
        GIVES(E_INVALIDARG, KaAVDBRefreshAll(nullptr, 1)),
        GIVES(S_OK, KaAVDBRefreshAll(db, 0)),
        GIVES(E_INVALIDARG, KaAVDBReadComment(nullptr, p, out)),
        GIVES(E_INVALIDARG, KaAVDBReadComment(db, "", out)),
        GIVES(E_INVALIDARG, KaAVDBReadComment(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBWriteComment(db, nullptr, "x")),
        GIVES(E_INVALIDARG, KaAVDBWriteComment(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBReadFolderInfo(nullptr, "/p", out)),
        GIVES(E_INVALIDARG, KaAVDBReadFolderInfo(db, "/p", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBReadFolderInfo(db, "", out)),
        GIVES(E_FAIL, KaAVDBReadFolderInfo(db, "p", out)),
        GIVES(E_INVALIDARG, KaAVDBWriteFolderInfo(db, "/p", nullptr)),
        GIVES(E_FAIL, KaAVDBWriteFolderInfo(db, "p", "x")),
        GIVES(E_INVALIDARG, KaAVDBSetCheck(nullptr, p, 1)),
        GIVES(E_INVALIDARG, KaAVDBSetCheck(db, nullptr, 1)),
        GIVES(E_INVALIDARG, KaAVDBSetCheck(db, "/p/x", 1)),
        GIVES(E_INVALIDARG, KaAVDBGetCheck(db, p, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetCheck(db, nullptr, &n)),
        GIVES(E_INVALIDARG, KaAVDBGetCheck(db, "/p/x", &n)),
        GIVES(E_INVALIDARG, KaAVDBDeleteInfo(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBDeleteInfo(nullptr, sql)),
        GIVES(E_INVALIDARG, KaAVDBDeleteInfo(db, sql)),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(nullptr, "Caption", "Title", "a", "b")),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(db, "", "Title", "a", "b")),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(db, "Caption", "", "a", "b")),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(db, "Caption", "Title", "", "b")),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(db, "Caption", "Title", nullptr, "b")),
        GIVES(E_INVALIDARG, KaAVDBUpdateTableData(db, "Caption", "Title", "a", nullptr)),
        GIVES(KAVDB_E_SYNTAX, KaAVDBUpdateTableData(db, "Caption", "T-1", "a", "b")),
        GIVES(E_INVALIDARG, KaAVDBQuery(nullptr, "SELECT * FROM T WHERE a", &list)),
        GIVES(E_INVALIDARG, KaAVDBQuery(db, nullptr, &list)),
        GIVES(E_INVALIDARG, KaAVDBQuery(db, "SELECT * FROM T WHERE a", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetCountSQL(nullptr, "SELECT * FROM T WHERE a", &n)),
        GIVES(E_INVALIDARG, KaAVDBGetCountSQL(db, "SELECT * FROM T WHERE a", nullptr)),
        GIVES(E_INVALIDARG, KaAVDBGetQueryFileList(nullptr, "SELECT 1", &list, 0)),
        GIVES(E_INVALIDARG, KaAVDBGetQueryFileList(db, nullptr, &list, 0)),
        GIVES(E_INVALIDARG, KaAVDBGetQueryFileList(db, "SELECT 1", nullptr, 0)),
        GIVES(E_INVALIDARG, KaAVDBExecuteSQL(nullptr, "SELECT 1")),
        GIVES(E_INVALIDARG, KaAVDBExecuteSQL(db, nullptr)),
        GIVES(E_INVALIDARG, KaAVDBSearchText(db, nullptr, 0, &list)),
        GIVES(KAVDB_E_NO_SUCH_TABLE, KaAVDBSearchText(db, "x", 0, &list)), // no index made
        GIVES(KAVDB_E_NO_SUCH_TABLE, KaAVDBSearchPlace(db, 0, 0, 10, 0, &list)),
        GIVES(E_INVALIDARG, KaAVDBRefreshStatistics(nullptr)),
        GIVES(E_INVALIDARG, FreeMetaTag(nullptr)),
        GIVES(E_INVALIDARG, CopyMetaTag(nullptr, &tag)),
        GIVES(E_INVALIDARG, CopyMetaTag(&tag, nullptr)),
        GIVES(E_INVALIDARG, FreeMetaTagList(nullptr)),
        GIVES(E_INVALIDARG, FreeMetaIdxDataList(nullptr)),
        GIVES(E_INVALIDARG, FreeMetaDataList(nullptr)),
        GIVES(E_INVALIDARG, FreeImageData(nullptr)),
        GIVES(E_INVALIDARG, FreeImageDataList(nullptr)),
        GIVES(E_INVALIDARG, FreeStringList(nullptr)),
        GIVES(E_INVALIDARG, FreeBuffer(nullptr)),
        GIVES(E_INVALIDARG, KaDBSVInitDatabase(nullptr)),
    };
    expectCodes(calls);
    EXPECT_EQ(h, nullptr);
    EXPECT_TRUE(list.empty() && data.empty() && tags.empty() && rows.empty() && images.empty());
    // Nothing reached the catalogue: no folder row was made by any of them.
    EXPECT_EQ(KaAVDBReadFolderInfo(db_, "/p", out), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(GetFileUpdateTM(dbPath_.c_str(), nullptr), -1); // a missing path: frame_test's
}

} // namespace
} // namespace kavdb::test
