/*
 * Registration of files and folder trees, and deleting, moving and copying entries,
 * checked on the whole rows they leave in the catalogue. The image record a registration
 * stores is tested with the image exports.
 */
#include "support/rows.h"

#include <unistd.h>

namespace kavdb::test {
namespace {

const char* const kFiles = "SELECT Pathname, Filename, Marking, DataID1, DataID2, DataID3 FROM "
                           "MainTable, PathTable WHERE MainTable.PathID = PathTable.PathID "
                           "ORDER BY Pathname, Filename";

using RegistrationTest = RowsTest;

TEST_F(RegistrationTest, AFileIsRegisteredOnceUnderItsExactName)
{
    for (const char* path : {"/p/a.jpg", "/p/A.jpg", "/p/a\"b.jpg", "/p/x\") OR (1=1.jpg",
                             "C:\\photos\\a.jpg", "/q/it's.jpg"}) {
        EXPECT_EQ(registerWith(path), S_OK) << path;
    }
    EXPECT_EQ(registerWith("/p/a.jpg"), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(registerWith("/p/a\"b.jpg"), KAVDB_E_ALREADY_EXISTS);
    EXPECT_EQ(rows("SELECT PathID, Pathname, Comment FROM PathTable ORDER BY PathID"),
              (Rows{"1|/p/|-", "2|C:\\photos\\|-", "3|/q/|-"}));
    EXPECT_EQ(rows("SELECT FieldID, PathID, Filename, Width, Height, Bitcount, ThumbnailWidth, "
                   "ThumbnailHeight, Thumbnail, UpdateTM, Comment, Marking FROM MainTable "
                   "WHERE FieldID < 3"),
              (Rows{"1|1|a.jpg|-|-|-|-|-|-|-|-|-", "2|1|A.jpg|-|-|-|-|-|-|-|-|-"}));
    EXPECT_EQ(count("MainTable"), 6);
}

TEST_F(RegistrationTest, EqualMetadataSharesOneRow)
{
    ASSERT_EQ(registerWith("/p/a.jpg", {makeMeta("ExifInfo", {{"Make", "Canon"}})}), S_OK);
    ASSERT_EQ(registerWith("/q/b.jpg", {makeMeta("ExifInfo", {{"Make", "Canon"}}),
                                        makeMeta("People", {{"Name", "say \"hi\""}})}),
              S_OK);
    ASSERT_EQ(registerWith("/q/c.jpg", {makeMeta("ExifInfo", {{"Make", "canon"}}),
                                        makeMeta("People", {{"Name", "say \"hi\""}})}),
              S_OK);
    ASSERT_EQ(registerWith("/q/d.jpg", {makeMeta("ExifInfo", {{"Make", "Canon"}}, {{"ISO", 5}})}),
              S_OK);
    EXPECT_EQ(rows(kFiles), (Rows{"/p/|a.jpg|-|1|-|-", "/q/|b.jpg|-|1|-|1", "/q/|c.jpg|-|2|-|1",
                                  "/q/|d.jpg|-|3|-|-"}));
    EXPECT_EQ(rows("SELECT * FROM ExifInfo"),
              (Rows{"1|Canon|-|-|-", "2|canon|-|-|-", "3|Canon|-|5|-"}));
    // A table the configuration does not name stops the registration before its row.
    EXPECT_EQ(registerWith("/p/e.jpg", {makeMeta("Nope", {{"Make", "x"}})}), KAVDB_E_NO_SUCH_TABLE);
    EXPECT_EQ(count("MainTable"), 4);
}

TEST_F(RegistrationTest, AFolderWalkRegistersTheTreeInNameOrder)
{
    makeFile("tree/a.jpg");
    makeFile("tree/sub/b.jpg");
    makeFile("tree/sub/deeper/c.png");
    makeDir("tree/empty");
    makeFile("tree/only/nested/d.jpg");
    makeFile("real/r.jpg");
    ASSERT_EQ(symlink((dir_ + "/real").c_str(), (dir_ + "/tree/link").c_str()), 0);
    ASSERT_EQ(symlink((dir_ + "/real/r.jpg").c_str(), (dir_ + "/tree/y.jpg").c_str()), 0);
    ASSERT_EQ(symlink((dir_ + "/tree").c_str(), (dir_ + "/tree/loop").c_str()), 0);
    ASSERT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/tree").c_str()), S_OK);
    std::string t = dir_ + "/tree/";
    EXPECT_EQ(rows("SELECT Pathname, Filename FROM MainTable, PathTable WHERE MainTable.PathID = "
                   "PathTable.PathID ORDER BY FieldID"),
              (Rows{t + "|a.jpg", t + "only/nested/|d.jpg", t + "sub/|b.jpg",
                    t + "sub/deeper/|c.png", t + "|y.jpg"}));
    EXPECT_EQ(count("PathTable"), 4); // no row for the empty folders
    // The result is that of the last entry handled; a trailing separator is joined once.
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/tree/").c_str()), KAVDB_E_ALREADY_EXISTS);
    makeFile("tree/z.jpg");
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/tree/").c_str()), S_OK);
    // A file without a dot stops the walk; a folder that cannot be listed fails it.
    makeFile("s/a.jpg");
    makeFile("s/b");
    makeFile("s/c.jpg");
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/s").c_str()), E_INVALIDARG);
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/missing").c_str()), E_FAIL);
    EXPECT_EQ(count("MainTable"), 7);
}

/* A backslash is a separator to the catalogue: such a name is passed over and reported,
 * and its neighbours keep their own folder row. */
TEST_F(RegistrationTest, AFolderWalkPassesOverANameHoldingABackslash)
{
    for (const char* name : {"k/A\\b.jpg", "k/c.jpg", "k/d.jpg", "k/z\\y.jpg"}) {
        makeFile(name);
    }
    EXPECT_EQ(KaAVDBRegisterFolder(db_, (dir_ + "/k").c_str()), S_OK);
    EXPECT_EQ(rows(kFiles), (Rows{dir_ + "/k/|c.jpg|-|-|-|-", dir_ + "/k/|d.jpg|-|-|-|-"}));
    ASSERT_EQ(errors().size(), 2u);
    EXPECT_EQ(errors()[0].code, E_INVALIDARG);
    EXPECT_EQ(errors()[0].message, "Failed To KaAVDBRegisterFolder");
    EXPECT_NE(errors()[0].description.find("A\\b.jpg"), std::string::npos);
}

TEST_F(RegistrationTest, DeletingRemovesRowsNothingElseUses)
{
    ASSERT_EQ(registerWith("/f/a.jpg", {makeMeta("People", {{"Name", "Ann"}})}), S_OK);
    ASSERT_EQ(registerWith("/f/b.jpg", {makeMeta("People", {{"Name", "Bob"}})}), S_OK);
    ASSERT_EQ(registerWith("/g/c.jpg", {makeMeta("People", {{"Name", "Bob"}})}), S_OK);
    ASSERT_EQ(registerWith("/f/sub/d.jpg"), S_OK);
    ASSERT_EQ(registerWith("/h/e.jpg"), S_OK);
    ASSERT_EQ(registerWith("/h/f.jpg"), S_OK);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/f"), S_OK);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/f"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/nowhere"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBDeleteFile(db_, "/h/E.jpg"), KAVDB_E_NOT_FOUND); // names compare exactly
    EXPECT_EQ(KaAVDBDeleteFile(db_, "/h/e.jpg"), S_OK);
    EXPECT_EQ(rows(kFiles),
              (Rows{"/f/sub/|d.jpg|-|-|-|-", "/g/|c.jpg|-|-|-|2", "/h/|f.jpg|-|-|-|-"}));
    EXPECT_EQ(rows("SELECT * FROM People"), (Rows{"2|Bob"}));
    EXPECT_EQ(KaAVDBDeleteFile(db_, "/h/f.jpg"), S_OK);
    EXPECT_EQ(rows("SELECT Pathname FROM PathTable ORDER BY PathID"), (Rows{"/g/", "/f/sub/"}));
    // A folder row without files goes with the call that finds it empty.
    int32_t mark = 0;
    ASSERT_EQ(KaAVDBGetCheck(db_, "/e/x.jpg", &mark), S_OK); // makes the folder row
    EXPECT_EQ(KaAVDBDeleteFolder(db_, "/e/"), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(count("PathTable"), 2);
}

TEST_F(RegistrationTest, MovingKeepsTheRowAndClearsTheMarkOnRequest)
{
    ASSERT_EQ(registerWith("/p/a.jpg"), S_OK);
    ASSERT_EQ(registerWith("/p/b.jpg"), S_OK);
    ASSERT_EQ(KaAVDBSetCheck(db_, "/p/a.jpg", 1), S_OK);
    EXPECT_EQ(KaAVDBMoveFile(db_, "/p/a.jpg", "/p/b.jpg", 0), E_FAIL);    // destination taken
    EXPECT_EQ(KaAVDBMoveFile(db_, "/r/none.jpg", "/r/x.jpg", 0), E_FAIL); // no such folder
    EXPECT_EQ(KaAVDBMoveFile(db_, "/p/none.jpg", "/r/x.jpg", 0), KAVDB_E_NOT_FOUND);
    ASSERT_EQ(KaAVDBMoveFile(db_, "/p/a.jpg", "/q/c\"d.jpg", 1), S_OK);
    EXPECT_EQ(row("SELECT FieldID, Pathname, Marking FROM MainTable, PathTable WHERE "
                  "MainTable.PathID = PathTable.PathID AND Filename = 'c\"d.jpg'"),
              "1|/q/|1");
    ASSERT_EQ(KaAVDBMoveFile(db_, "/q/c\"d.jpg", "/r/d.jpg", 0), S_OK);
    EXPECT_EQ(rows(kFiles), (Rows{"/p/|b.jpg|-|-|-|-", "/r/|d.jpg|0|-|-|-"}));
    EXPECT_EQ(count("PathTable"), 2); // /q/ went with its last file
}

// That a shared row goes with the last file using it is DeletingRemovesRowsNothingElseUses's.
TEST_F(RegistrationTest, ACopySharesTheMetadataRowAndOverwritesOnlyWhenAsked)
{
    ASSERT_EQ(registerWith("/p/a.jpg", {makeMeta("Caption", {{"Title", "T"}})}), S_OK);
    ASSERT_EQ(KaAVDBSetCheck(db_, "/p/a.jpg", 1), S_OK);
    ASSERT_EQ(KaAVDBWriteComment(db_, "/p/a.jpg", "note"), S_OK);
    ASSERT_EQ(KaAVDBCopyFile(db_, "/p/a.jpg", "/q/b.jpg", 0), S_OK);
    EXPECT_EQ(rows(kFiles), (Rows{"/p/|a.jpg|1|-|1|-", "/q/|b.jpg|0|-|1|-"}));
    ASSERT_EQ(KaAVDBCopyFile(db_, "/p/a.jpg", "/q/b.jpg", 1), S_OK); // overwrites
    EXPECT_EQ(rows("SELECT Filename, Comment, Marking FROM MainTable ORDER BY FieldID"),
              (Rows{"a.jpg|note|1", "b.jpg|note|1"}));
    EXPECT_EQ(KaAVDBCopyFile(db_, "/p/none.jpg", "/q/c.jpg", 0), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBCopyFile(db_, "/z/none.jpg", "/q/c.jpg", 0), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(count("Caption"), 1);
}

} // namespace
} // namespace kavdb::test
