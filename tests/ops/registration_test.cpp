/*
 * Registration of files and folder trees, and deleting, moving and copying entries.
 */
#include "store/folder_rows.h"
#include "store/row_ops.h"
#include "support/fixture.h"

#include <unistd.h>

#include <filesystem>

namespace kavdb {
namespace {

using store::sqlf;
using store::Value;

class RegistrationTest : public test::CatalogueTest {
  protected:
    int32_t rows(const std::string& sql)
    {
        int32_t n = -1;
        EXPECT_EQ(store::kaGetDataCount(db_, sql, &n), S_OK) << sql;
        return n;
    }
    int32_t files() { return rows("SELECT * FROM MainTable "); }
    int32_t folders() { return rows("SELECT * FROM PathTable "); }
    int32_t filesIn(const std::string& folder)
    {
        return rows(sqlf("SELECT * FROM MainTable, PathTable WHERE MainTable.PathID = "
                         "PathTable.PathID AND StrComp(Pathname,\"%s\",0)=0",
                         store::quoteText(folder).c_str()));
    }
    Value column(const std::string& path, const char* name)
    {
        std::string folder, file;
        store::GetFolderPart(path.c_str(), folder);
        store::GetFileNamePart(path.c_str(), file);
        int32_t id = -1;
        EXPECT_EQ(store::kaGetPathID(db_, folder.c_str(), &id, false, false), S_OK) << path;
        Value v;
        EXPECT_EQ(store::kaGetData(db_, store::fileRowSql(id, file), Value::text(name), &v), S_OK)
            << path;
        return v;
    }
    HRESULT registerWith(const std::string& path, MetaData meta)
    {
        MetaDataList list;
        list.push_back(meta);
        HRESULT hr = KaAVDBRegisterFile(db_, path.c_str(), &list, nullptr);
        test::releaseTestTags(list);
        return hr;
    }
};

TEST_F(RegistrationTest, RegistersAFileOnce)
{
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/a.jpg", nullptr, nullptr), S_OK);
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/a.jpg", nullptr, nullptr), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/A.jpg", nullptr, nullptr), S_OK); // two files
    EXPECT_EQ(files(), 2);
    EXPECT_EQ(folders(), 1);
    EXPECT_TRUE(column("/p/a.jpg", "Comment").isNull());
}

TEST_F(RegistrationTest, RefusesBadArguments)
{
    EXPECT_EQ(KaAVDBRegisterFile(nullptr, "/p/a.jpg", nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRegisterFile(db_, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRegisterFile(db_, "/p/noext", nullptr, nullptr), E_INVALIDARG);
    std::string longName = "/p/" + std::string(300, 'n') + ".jpg";
    EXPECT_EQ(KaAVDBRegisterFile(db_, longName.c_str(), nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRegisterFolder(db_, ""), E_INVALIDARG);
    EXPECT_EQ(KaAVDBDeleteFile(db_, nullptr), E_INVALIDARG);
    EXPECT_EQ(files(), 0);
}

TEST_F(RegistrationTest, StoresTheImageRecord)
{
    unsigned char pixels[32];
    for (int i = 0; i < 32; ++i) {
        pixels[i] = static_cast<unsigned char>(i * 7);
    }
    ImageData image{pixels, 5, 2, 640, 480, 24, {2004, 7, 1, 5, 9, 8, 7, 6}};
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/p/a.jpg", nullptr, &image), S_OK);
    EXPECT_EQ(column("/p/a.jpg", "Width").asInt(), 640);
    EXPECT_EQ(column("/p/a.jpg", "ThumbnailHeight").asInt(), 2);
    EXPECT_EQ(column("/p/a.jpg", "UpdateTM").asText(), "2004070501090807006");
    Value thumb = column("/p/a.jpg", "Thumbnail");
    ASSERT_TRUE(thumb.isBytes());
    EXPECT_EQ(thumb.asBytes(), std::vector<uint8_t>(pixels, pixels + 32));

    ImageData noThumb{nullptr, -5, 2, 1, 1, 8, {}};
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/p/b.jpg", nullptr, &noThumb), S_OK);
    EXPECT_TRUE(column("/p/b.jpg", "Thumbnail").isNull());
}

TEST_F(RegistrationTest, EqualMetadataSharesOneRow)
{
    ASSERT_EQ(registerWith("/p/a.jpg", test::makeMeta("ExifInfo", {{"Make", "Canon"}})), S_OK);
    ASSERT_EQ(registerWith("/q/b.jpg", test::makeMeta("ExifInfo", {{"Make", "Canon"}})), S_OK);
    ASSERT_EQ(registerWith("/q/c.jpg", test::makeMeta("ExifInfo", {{"Make", "canon"}})), S_OK);
    EXPECT_EQ(rows("SELECT * FROM ExifInfo "), 2);
    EXPECT_EQ(column("/p/a.jpg", "DataID1").asInt(), column("/q/b.jpg", "DataID1").asInt());
    EXPECT_NE(column("/p/a.jpg", "DataID1").asInt(), column("/q/c.jpg", "DataID1").asInt());
    EXPECT_TRUE(column("/p/a.jpg", "DataID2").isNull());

    // A value holding a double quote is matched like any other.
    ASSERT_EQ(registerWith("/q/d.jpg", test::makeMeta("People", {{"Name", "say \"hi\""}})), S_OK);
    ASSERT_EQ(registerWith("/q/e.jpg", test::makeMeta("People", {{"Name", "say \"hi\""}})), S_OK);
    EXPECT_EQ(rows("SELECT * FROM People "), 1);
}

TEST_F(RegistrationTest, UnconfiguredTableStopsRegistration)
{
    EXPECT_LT(registerWith("/p/a.jpg", test::makeMeta("Nope", {{"Make", "x"}})), 0);
    EXPECT_EQ(files(), 0);
}

TEST_F(RegistrationTest, FolderWalkRegistersTheTree)
{
    makeFile("tree/a.jpg");
    makeFile("tree/sub/b.jpg");
    makeFile("tree/sub/deeper/c.png");
    makeDir("tree/empty");
    makeFile("tree/only/nested/d.jpg");
    ASSERT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/tree").c_str()), S_OK);
    EXPECT_EQ(files(), 4);
    EXPECT_EQ(filesIn(dir_ + "/tree/"), 1);
    EXPECT_EQ(filesIn(dir_ + "/tree/sub/deeper/"), 1);
    EXPECT_EQ(rows(sqlf("SELECT * FROM PathTable WHERE StrComp(Pathname,\"%s\",0)=0",
                        (dir_ + "/tree/empty/").c_str())),
              0);
    EXPECT_EQ(rows(sqlf("SELECT * FROM PathTable WHERE StrComp(Pathname,\"%s\",0)=0",
                        (dir_ + "/tree/only/").c_str())),
              0);
    EXPECT_EQ(folders(), 4);
}

TEST_F(RegistrationTest, FolderWalkResultIsThatOfTheLastEntry)
{
    makeFile("w/a.jpg");
    makeFile("w/b.jpg");
    ASSERT_EQ(KaAVDBRegisterFile(db_, (dir_ + "/w/b.jpg").c_str(), nullptr, nullptr), S_OK);
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/w").c_str()), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(files(), 2);
    // A trailing separator is joined once.
    makeFile("w/c.jpg");
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/w/").c_str()), S_OK);
    EXPECT_EQ(filesIn(dir_ + "/w/"), 3);
}

TEST_F(RegistrationTest, FolderWalkStopsAtAFileWithoutADot)
{
    makeFile("s/a.jpg");
    makeFile("s/b");
    makeFile("s/c.jpg");
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/s").c_str()), E_INVALIDARG);
    EXPECT_EQ(files(), 1);
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/missing").c_str()), E_FAIL);
}

/* A backslash is a separator to the catalogue: such a name is passed over and reported,
 * and its neighbours keep their own folder row. */
TEST_F(RegistrationTest, FolderWalkPassesOverANameHoldingABackslash)
{
    for (const char* name : {"k/A\\b.jpg", "k/c.jpg", "k/d.jpg", "k/z\\y.jpg"}) {
        makeFile(name);
    }
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/k").c_str()), S_OK);
    EXPECT_EQ(filesIn(dir_ + "/k/"), 2);
    EXPECT_EQ(files(), 2);
    EXPECT_EQ(folders(), 1);
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_EQ(errors()[0].code, E_INVALIDARG);
    EXPECT_NE(errors()[0].description.find("A\\b.jpg"), std::string::npos);
}

TEST_F(RegistrationTest, FolderWalkDoesNotFollowLinkedFolders)
{
    makeFile("real/a.jpg");
    makeFile("top/x.jpg");
    ASSERT_EQ(symlink((dir_ + "/real").c_str(), (dir_ + "/top/link").c_str()), 0);
    ASSERT_EQ(symlink((dir_ + "/real/a.jpg").c_str(), (dir_ + "/top/y.jpg").c_str()), 0);
    ASSERT_EQ(symlink((dir_ + "/top").c_str(), (dir_ + "/top/loop").c_str()), 0);
    ASSERT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/top").c_str()), S_OK);
    EXPECT_EQ(files(), 2); // x.jpg and the linked file y.jpg
}

TEST_F(RegistrationTest, NamesHoldingQuotesWorkLikeAnyOther)
{
    const std::string odd = "/p/a\"b.jpg";
    const std::string sql = "/p/x\") OR (1=1.jpg";
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/p/plain.jpg", nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBRegisterFile(db_, odd.c_str(), nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBRegisterFile(db_, sql.c_str(), nullptr, nullptr), S_OK);
    EXPECT_EQ(KaAVDBRegisterFile(db_, odd.c_str(), nullptr, nullptr), KAVDB_E_ALREADY_EXISTS);
    ASSERT_EQ(KaAVDBMoveFile(db_, odd.c_str(), "/q/c\"d.jpg", 1), S_OK);
    ASSERT_EQ(KaAVDBCopyFile(db_, "/q/c\"d.jpg", "/q/e\"\"f.jpg", 1), S_OK);
    ASSERT_EQ(KaAVDBDeleteFile(db_, sql.c_str()), S_OK);
    ASSERT_EQ(KaAVDBDeleteFile(db_, "/q/c\"d.jpg"), S_OK);
    EXPECT_EQ(files(), 2);
    EXPECT_EQ(column("/p/plain.jpg", "Filename").asText(), "plain.jpg");
    EXPECT_EQ(column("/q/e\"\"f.jpg", "Filename").asText(), "e\"\"f.jpg");
}

TEST_F(RegistrationTest, DeleteFolderRemovesOnlyItsOwnFiles)
{
    ASSERT_EQ(registerWith("/f/a.jpg", test::makeMeta("People", {{"Name", "Ann"}})), S_OK);
    ASSERT_EQ(registerWith("/f/b.jpg", test::makeMeta("People", {{"Name", "Bob"}})), S_OK);
    ASSERT_EQ(registerWith("/g/c.jpg", test::makeMeta("People", {{"Name", "Bob"}})), S_OK);
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/f/sub/d.jpg", nullptr, nullptr), S_OK);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/f"), S_OK);
    EXPECT_EQ(files(), 2);
    EXPECT_EQ(rows("SELECT * FROM People "), 1); // Bob stays with /g/c.jpg
    EXPECT_EQ(filesIn("/f/sub/"), 1);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/f"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/nowhere"), KAVDB_E_NOT_FOUND);
}

TEST_F(RegistrationTest, DeleteFolderWithoutFilesRemovesItsRow)
{
    int32_t id = -1;
    ASSERT_EQ(store::kaGetPathID(db_, "/e/", &id, true, false), S_OK);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/e/"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(folders(), 0);
}

TEST_F(RegistrationTest, MoveKeepsTheRowAndClearsTheMarkOnRequest)
{
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/p/a.jpg", nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBRegisterFile(db_, "/p/b.jpg", nullptr, nullptr), S_OK);
    ASSERT_EQ(KaAVDBSetCheck(db_, "/p/a.jpg", 1), S_OK);
    int32_t fieldId = column("/p/a.jpg", "FieldID").asInt();
    EXPECT_EQ(KaAVDBMoveFile(db_, "/p/a.jpg", "/p/b.jpg", 0), E_FAIL); // destination taken
    ASSERT_EQ(KaAVDBMoveFile(db_, "/p/a.jpg", "/q/c.jpg", 1), S_OK);
    EXPECT_EQ(column("/q/c.jpg", "FieldID").asInt(), fieldId);
    EXPECT_EQ(column("/q/c.jpg", "Marking").asInt(), 1);
    ASSERT_EQ(KaAVDBMoveFile(db_, "/q/c.jpg", "/r/d.jpg", 0), S_OK);
    EXPECT_EQ(column("/r/d.jpg", "Marking").asInt(), 0);
    EXPECT_EQ(folders(), 2); // /q/ went with its last file
    EXPECT_EQ(KaAVDBMoveFile(db_, "/r/none.jpg", "/r/x.jpg", 0), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBMoveFile(db_, "/r/d.jpg", "/r/folder", 0), E_INVALIDARG);
}

TEST_F(RegistrationTest, CopySharesMetadataUntilTheLastFileGoes)
{
    ASSERT_EQ(registerWith("/p/a.jpg", test::makeMeta("Caption", {{"Title", "T"}})), S_OK);
    ASSERT_EQ(KaAVDBSetCheck(db_, "/p/a.jpg", 1), S_OK);
    ASSERT_EQ(KaAVDBCopyFile(db_, "/p/a.jpg", "/q/b.jpg", 0), S_OK);
    EXPECT_EQ(column("/q/b.jpg", "Marking").asInt(), 0);
    EXPECT_EQ(column("/p/a.jpg", "Marking").asInt(), 1);
    EXPECT_EQ(column("/q/b.jpg", "DataID2").asInt(), column("/p/a.jpg", "DataID2").asInt());
    ASSERT_EQ(KaAVDBCopyFile(db_, "/p/a.jpg", "/q/b.jpg", 1), S_OK); // overwrites
    EXPECT_EQ(column("/q/b.jpg", "Marking").asInt(), 1);
    EXPECT_EQ(files(), 2);

    ASSERT_EQ(KaAVDBDeleteFile(db_, "/p/a.jpg"), S_OK);
    EXPECT_EQ(rows("SELECT * FROM Caption "), 1);
    ASSERT_EQ(KaAVDBDeleteFile(db_, "/q/b.jpg"), S_OK);
    EXPECT_EQ(rows("SELECT * FROM Caption "), 0);
    EXPECT_EQ(folders(), 0);
}

} // namespace
} // namespace kavdb
