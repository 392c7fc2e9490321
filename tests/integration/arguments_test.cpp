/*
 * Every export with a missing, empty or malformed argument, and the result code it gives:
 * one table for the whole interface. Nothing of a refused call reaches the catalogue.
 */
#include "support/fixture.h"

#include <functional>

namespace kavdb::test {
namespace {

using ArgumentsTest = CatalogueTest;

int32_t onImage(int32_t, void*, ImageReadRecord*)
{
    return 0;
}

struct Call {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT expected;
};

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
        {"Create null", [&] { return KaAVDBCreate(nullptr); }, E_INVALIDARG},
        {"Create empty", [&] { return KaAVDBCreate(""); }, E_INVALIDARG},
        {"Create no .mdb", [&] { return KaAVDBCreate((dir_ + "/cat.db").c_str()); }, E_INVALIDARG},
        {"Create existing", [&] { return KaAVDBCreate(dbPath_.c_str()); }, E_FAIL},
        {"Open null", [&] { return KaAVDBOpen(nullptr, &h); }, E_INVALIDARG},
        {"Open upper case", [&] { return KaAVDBOpen(upper.c_str(), &h); }, E_INVALIDARG},
        {"Open no out", [&] { return KaAVDBOpen(dbPath_.c_str(), nullptr); }, E_INVALIDARG},
        {"Open missing", [&] { return KaAVDBOpen((dir_ + "/x.mdb").c_str(), &h); }, E_FAIL},
        {"Close null", [&] { return KaAVDBClose(nullptr); }, E_INVALIDARG},
        {"AddItem no handle", [&] { return KaAVDBAddItem(nullptr, "x.mdb"); }, E_INVALIDARG},
        {"AddItem null", [&] { return KaAVDBAddItem(db, nullptr); }, E_INVALIDARG},
        {"RegisterFile no handle", [&] { return KaAVDBRegisterFile(nullptr, p, nullptr, nullptr); },
         E_INVALIDARG},
        {"RegisterFile null", [&] { return KaAVDBRegisterFile(db, nullptr, nullptr, nullptr); },
         E_INVALIDARG},
        {"RegisterFile folder", [&] { return KaAVDBRegisterFile(db, "/p/x", nullptr, nullptr); },
         E_INVALIDARG},
        {"RegisterFile no name", [&] { return KaAVDBRegisterFile(db, "/p.q/", nullptr, nullptr); },
         E_FAIL},
        {"RegisterFolder null", [&] { return KaAVDBRegisterFolder(db, nullptr); }, E_INVALIDARG},
        {"RegisterFolder empty", [&] { return KaAVDBRegisterFolder(db, ""); }, E_INVALIDARG},
        {"DeleteFile null", [&] { return KaAVDBDeleteFile(db, nullptr); }, E_INVALIDARG},
        {"DeleteFolder null", [&] { return KaAVDBDeleteFolder(db, nullptr); }, E_INVALIDARG},
        {"MoveFile from null", [&] { return KaAVDBMoveFile(db, nullptr, p, 0); }, E_INVALIDARG},
        {"MoveFile to null", [&] { return KaAVDBMoveFile(db, p, nullptr, 0); }, E_INVALIDARG},
        {"MoveFile to folder", [&] { return KaAVDBMoveFile(db, p, "/r/x", 0); }, E_INVALIDARG},
        {"CopyFile from null", [&] { return KaAVDBCopyFile(db, nullptr, p, 0); }, E_INVALIDARG},
        {"CopyFile to null", [&] { return KaAVDBCopyFile(db, p, nullptr, 0); }, E_INVALIDARG},
        {"WriteData no handle", [&] { return KaAVDBWriteData(nullptr, p, &data); }, E_INVALIDARG},
        {"WriteData null", [&] { return KaAVDBWriteData(db, p, nullptr); }, E_INVALIDARG},
        {"WriteData no path", [&] { return KaAVDBWriteData(db, nullptr, &data); }, E_INVALIDARG},
        {"WriteData folder", [&] { return KaAVDBWriteData(db, "/p/x", &data); }, E_INVALIDARG},
        {"ReadData empty", [&] { return KaAVDBReadData(db, "", &data); }, E_INVALIDARG},
        {"ReadData null", [&] { return KaAVDBReadData(db, p, nullptr); }, E_INVALIDARG},
        {"ReadData no path", [&] { return KaAVDBReadData(db, nullptr, &data); }, E_INVALIDARG},
        {"ReadData no handle", [&] { return KaAVDBReadData(nullptr, p, &data); }, E_INVALIDARG},
        {"Partial empty table",
         [&] { return KaAVDBReadFilePartially(db, p, "", "Make", 0, &n, &buffer); }, E_INVALIDARG},
        {"Partial null table",
         [&] { return KaAVDBReadFilePartially(db, p, nullptr, "Make", 0, &n, &buffer); },
         E_INVALIDARG},
        {"Partial null item",
         [&] { return KaAVDBReadFilePartially(db, p, "ExifInfo", nullptr, 0, &n, &buffer); },
         E_INVALIDARG},
        {"Partial kind -1",
         [&] { return KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", -1, &n, &buffer); },
         E_INVALIDARG},
        {"Partial folder",
         [&] { return KaAVDBReadFilePartially(db, "/p/x", "ExifInfo", "Make", 0, &n, &buffer); },
         E_INVALIDARG},
        {"Partial no size",
         [&] { return KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, nullptr, &buffer); },
         E_INVALIDARG},
        {"Partial no data",
         [&] { return KaAVDBReadFilePartially(db, p, "ExifInfo", "Make", 0, &n, nullptr); },
         E_INVALIDARG},
        {"GetDataTotalNum null", [&] { return KaAVDBGetDataTotalNum(nullptr); }, E_INVALIDARG},
        {"GetData index 0", [&] { return KaAVDBGetData(0, out, out, &n, &n); }, E_INVALIDARG},
        {"GetData null table", [&] { return KaAVDBGetData(1, nullptr, out, &n, &n); },
         E_INVALIDARG},
        {"GetData null type", [&] { return KaAVDBGetData(1, out, out, nullptr, &n); },
         E_INVALIDARG},
        {"GetDataNum empty", [&] { return KaAVDBGetDataNum("", &n); }, E_INVALIDARG},
        {"GetDataNum null table", [&] { return KaAVDBGetDataNum(nullptr, &n); }, E_INVALIDARG},
        {"GetDataNum null", [&] { return KaAVDBGetDataNum("ExifInfo", nullptr); }, E_INVALIDARG},
        {"TableCount empty", [&] { return KaAVDBGetReadTableDataCount(db, "", &n); }, E_INVALIDARG},
        {"TableCount null table", [&] { return KaAVDBGetReadTableDataCount(db, nullptr, &n); },
         E_INVALIDARG},
        {"TableCount null", [&] { return KaAVDBGetReadTableDataCount(db, "ExifInfo", nullptr); },
         E_INVALIDARG},
        {"TableCount odd name", [&] { return KaAVDBGetReadTableDataCount(db, "A;B", &n); },
         KAVDB_E_SYNTAX},
        {"TableData position 0", [&] { return KaAVDBGetReadTableData(db, 0, "ExifInfo", &tags); },
         E_INVALIDARG},
        {"TableData null", [&] { return KaAVDBGetReadTableData(db, 1, "ExifInfo", nullptr); },
         E_INVALIDARG},
        {"TableData null table", [&] { return KaAVDBGetReadTableData(db, 1, nullptr, &tags); },
         E_INVALIDARG},
        {"TableDataEx no handle",
         [&] { return KaAVDBGetReadTableDataEx(nullptr, 1, 1, "Caption", &rows); }, E_INVALIDARG},
        {"TableDataEx null", [&] { return KaAVDBGetReadTableDataEx(db, 1, 1, "Caption", nullptr); },
         E_INVALIDARG},
        {"TableDataEx null table",
         [&] { return KaAVDBGetReadTableDataEx(db, 1, 1, nullptr, &rows); }, E_INVALIDARG},
        {"TableDataEx reversed",
         [&] { return KaAVDBGetReadTableDataEx(db, 3, 2, "Caption", &rows); }, E_INVALIDARG},
        {"TableDataEx first 0",
         [&] { return KaAVDBGetReadTableDataEx(db, 0, 2, "Caption", &rows); },
         KAVDB_E_OUT_OF_RANGE},
        {"ReadImage no handle", [&] { return KaAVDBReadImage(nullptr, p, &image); }, E_INVALIDARG},
        {"ReadImage empty", [&] { return KaAVDBReadImage(db, "", &image); }, E_INVALIDARG},
        {"ReadImage no path", [&] { return KaAVDBReadImage(db, nullptr, &image); }, E_INVALIDARG},
        {"ReadImage folder", [&] { return KaAVDBReadImage(db, "/p/x", &image); }, E_INVALIDARG},
        {"ReadImage null", [&] { return KaAVDBReadImage(db, p, nullptr); }, E_INVALIDARG},
        {"WriteImage null", [&] { return KaAVDBWriteImage(db, p, nullptr); }, E_INVALIDARG},
        {"WriteImage no path", [&] { return KaAVDBWriteImage(db, nullptr, &image); }, E_INVALIDARG},
        {"ReadImages no handle", [&] { return KaAVDBReadImages(nullptr, nullptr, &list, onImage); },
         E_INVALIDARG},
        {"ReadImages null", [&] { return KaAVDBReadImages(db, nullptr, nullptr, onImage); },
         E_INVALIDARG},
        {"ReadImages no callback", [&] { return KaAVDBReadImages(db, nullptr, &list, nullptr); },
         E_INVALIDARG},
        {"ReadImages none", [&] { return KaAVDBReadImages(db, nullptr, &list, onImage); }, S_OK},
        {"ReadImageBatch null", [&] { return KaAVDBReadImageBatch(db, nullptr, &images); },
         E_INVALIDARG},
        {"ReadImageBatch no out", [&] { return KaAVDBReadImageBatch(db, &list, nullptr); },
         E_INVALIDARG},
        {"ReadUpdateData folder", [&] { return KaAVDBReadUpdateData(db, "/p/x", out); },
         E_INVALIDARG},
        {"ReadUpdateData null", [&] { return KaAVDBReadUpdateData(db, p, nullptr); }, E_INVALIDARG},
        {"WriteUpdateData null", [&] { return KaAVDBWriteUpdateData(db, p, nullptr); },
         E_INVALIDARG},
        {"RefreshFolder no handle", [&] { return KaAVDBRefreshFolder(nullptr, "/p", 1); },
         E_INVALIDARG},
        {"RefreshFolder null", [&] { return KaAVDBRefreshFolder(db, nullptr, 1); }, E_INVALIDARG},
        {"RefreshFolder empty", [&] { return KaAVDBRefreshFolder(db, "", 1); }, E_INVALIDARG},
        {"RefreshFolder no separator", [&] { return KaAVDBRefreshFolder(db, "photos", 1); },
         E_FAIL},
        {"RefreshFolder mode 3", [&] { return KaAVDBRefreshFolder(db, "/p", 3); }, E_INVALIDARG},
        {"RefreshFiles null", [&] { return KaAVDBRefreshFiles(db, nullptr, 1); }, E_INVALIDARG},
        {"RefreshFiles mode 0", [&] { return KaAVDBRefreshFiles(db, &list, 0); }, E_INVALIDARG},
        {"RefreshAll no handle", [&] { return KaAVDBRefreshAll(nullptr, 1); }, E_INVALIDARG},
        {"RefreshAll no folders", [&] { return KaAVDBRefreshAll(db, 0); }, S_OK},
        {"ReadComment no handle", [&] { return KaAVDBReadComment(nullptr, p, out); }, E_INVALIDARG},
        {"ReadComment empty", [&] { return KaAVDBReadComment(db, "", out); }, E_INVALIDARG},
        {"ReadComment null", [&] { return KaAVDBReadComment(db, p, nullptr); }, E_INVALIDARG},
        {"WriteComment no path", [&] { return KaAVDBWriteComment(db, nullptr, "x"); },
         E_INVALIDARG},
        {"WriteComment null", [&] { return KaAVDBWriteComment(db, p, nullptr); }, E_INVALIDARG},
        {"ReadFolderInfo no handle", [&] { return KaAVDBReadFolderInfo(nullptr, "/p", out); },
         E_INVALIDARG},
        {"ReadFolderInfo null", [&] { return KaAVDBReadFolderInfo(db, "/p", nullptr); },
         E_INVALIDARG},
        {"ReadFolderInfo empty", [&] { return KaAVDBReadFolderInfo(db, "", out); }, E_INVALIDARG},
        {"ReadFolderInfo dotted", [&] { return KaAVDBReadFolderInfo(db, "/p.q", out); },
         E_INVALIDARG},
        {"ReadFolderInfo no separator", [&] { return KaAVDBReadFolderInfo(db, "p", out); }, E_FAIL},
        {"WriteFolderInfo null", [&] { return KaAVDBWriteFolderInfo(db, "/p", nullptr); },
         E_INVALIDARG},
        {"WriteFolderInfo no separator", [&] { return KaAVDBWriteFolderInfo(db, "p", "x"); },
         E_FAIL},
        {"SetCheck no handle", [&] { return KaAVDBSetCheck(nullptr, p, 1); }, E_INVALIDARG},
        {"SetCheck null", [&] { return KaAVDBSetCheck(db, nullptr, 1); }, E_INVALIDARG},
        {"SetCheck folder", [&] { return KaAVDBSetCheck(db, "/p/x", 1); }, E_INVALIDARG},
        {"GetCheck null", [&] { return KaAVDBGetCheck(db, p, nullptr); }, E_INVALIDARG},
        {"GetCheck no path", [&] { return KaAVDBGetCheck(db, nullptr, &n); }, E_INVALIDARG},
        {"GetCheck folder", [&] { return KaAVDBGetCheck(db, "/p/x", &n); }, E_INVALIDARG},
        {"DeleteInfo null", [&] { return KaAVDBDeleteInfo(db, nullptr); }, E_INVALIDARG},
        {"DeleteInfo no handle", [&] { return KaAVDBDeleteInfo(nullptr, sql); }, E_INVALIDARG},
        {"DeleteInfo empty", [&] { return KaAVDBDeleteInfo(db, sql); }, E_INVALIDARG},
        {"UpdateTableData no handle",
         [&] { return KaAVDBUpdateTableData(nullptr, "Caption", "Title", "a", "b"); },
         E_INVALIDARG},
        {"UpdateTableData empty table",
         [&] { return KaAVDBUpdateTableData(db, "", "Title", "a", "b"); }, E_INVALIDARG},
        {"UpdateTableData empty item",
         [&] { return KaAVDBUpdateTableData(db, "Caption", "", "a", "b"); }, E_INVALIDARG},
        {"UpdateTableData empty from",
         [&] { return KaAVDBUpdateTableData(db, "Caption", "Title", "", "b"); }, E_INVALIDARG},
        {"UpdateTableData null from",
         [&] { return KaAVDBUpdateTableData(db, "Caption", "Title", nullptr, "b"); }, E_INVALIDARG},
        {"UpdateTableData null to",
         [&] { return KaAVDBUpdateTableData(db, "Caption", "Title", "a", nullptr); }, E_INVALIDARG},
        {"UpdateTableData odd item",
         [&] { return KaAVDBUpdateTableData(db, "Caption", "T-1", "a", "b"); }, KAVDB_E_SYNTAX},
        {"Query no handle", [&] { return KaAVDBQuery(nullptr, "SELECT * FROM T WHERE a", &list); },
         E_INVALIDARG},
        {"Query null", [&] { return KaAVDBQuery(db, nullptr, &list); }, E_INVALIDARG},
        {"Query empty", [&] { return KaAVDBQuery(db, "", &list); }, E_INVALIDARG},
        {"Query no out", [&] { return KaAVDBQuery(db, "SELECT * FROM T WHERE a", nullptr); },
         E_INVALIDARG},
        {"Query lower where",
         [&] { return KaAVDBQuery(db, "SELECT * FROM MainTable where a", &list); }, E_INVALIDARG},
        {"GetCountSQL no handle",
         [&] { return KaAVDBGetCountSQL(nullptr, "SELECT * FROM T WHERE a", &n); }, E_INVALIDARG},
        {"GetCountSQL empty", [&] { return KaAVDBGetCountSQL(db, "", &n); }, E_INVALIDARG},
        {"GetCountSQL no out",
         [&] { return KaAVDBGetCountSQL(db, "SELECT * FROM T WHERE a", nullptr); }, E_INVALIDARG},
        {"FileList no handle",
         [&] { return KaAVDBGetQueryFileList(nullptr, "SELECT 1", &list, 0); }, E_INVALIDARG},
        {"FileList null", [&] { return KaAVDBGetQueryFileList(db, nullptr, &list, 0); },
         E_INVALIDARG},
        {"FileList no out", [&] { return KaAVDBGetQueryFileList(db, "SELECT 1", nullptr, 0); },
         E_INVALIDARG},
        {"ExecuteSQL no handle", [&] { return KaAVDBExecuteSQL(nullptr, "SELECT 1"); },
         E_INVALIDARG},
        {"ExecuteSQL null", [&] { return KaAVDBExecuteSQL(db, nullptr); }, E_INVALIDARG},
        {"FreeMetaTag", [&] { return FreeMetaTag(nullptr); }, E_INVALIDARG},
        {"CopyMetaTag source", [&] { return CopyMetaTag(nullptr, &tag); }, E_INVALIDARG},
        {"CopyMetaTag target", [&] { return CopyMetaTag(&tag, nullptr); }, E_INVALIDARG},
        {"FreeMetaTagList", [&] { return FreeMetaTagList(nullptr); }, E_INVALIDARG},
        {"FreeMetaIdxDataList", [&] { return FreeMetaIdxDataList(nullptr); }, E_INVALIDARG},
        {"FreeMetaDataList", [&] { return FreeMetaDataList(nullptr); }, E_INVALIDARG},
        {"FreeMetaDataList empty", [&] { return FreeMetaDataList(&data); }, E_INVALIDARG},
        {"FreeImageData", [&] { return FreeImageData(nullptr); }, E_INVALIDARG},
        {"FreeImageDataList", [&] { return FreeImageDataList(nullptr); }, E_INVALIDARG},
        {"FreeStringList", [&] { return FreeStringList(nullptr); }, E_INVALIDARG},
        {"FreeBuffer", [&] { return FreeBuffer(nullptr); }, E_INVALIDARG},
        {"InitDatabase", [&] { return KaDBSVInitDatabase(nullptr); }, E_INVALIDARG},
    };
    for (const Call& c : calls) {
        EXPECT_EQ(c.call(), c.expected) << c.what;
    }
    EXPECT_EQ(h, nullptr);
    EXPECT_TRUE(list.empty() && data.empty() && tags.empty() && rows.empty() && images.empty());
    // Nothing reached the catalogue: no folder row was made by any of them.
    EXPECT_EQ(KaAVDBReadFolderInfo(db_, "/p", out), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadFolderInfo(db_, "/p.q", out), E_INVALIDARG);
    SYSTEMTIME t{};
    EXPECT_EQ(GetFileUpdateTM(nullptr, &t), -1);
    EXPECT_EQ(GetFileUpdateTM(dbPath_.c_str(), nullptr), -1);
}

} // namespace
} // namespace kavdb::test
