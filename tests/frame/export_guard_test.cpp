/*
 * The export guard as an application meets it: a call whose transaction cannot begin or
 * commit returns the failure and leaves nothing, the next call starts clean; the folder
 * cache never outlives one call.
 */
#include "store/engine/faults.h"
#include "support/fixture.h"

namespace kavdb::test {
namespace {

using engine::FaultPoint;

using ExportGuardTest = CatalogueTest;

/* Nothing is left: neither the comment nor a failed registration's new folder row. */
TEST_F(ExportGuardTest, AFailedBeginOrCommitLeavesNothingAndTheNextCallIsCommitted)
{
    const std::string file = dir_ + "/photos/a.jpg";
    ASSERT_EQ(registerWith(file), S_OK);
    char text[1024] = {};
    for (FaultPoint point : {FaultPoint::Begin, FaultPoint::Commit}) {
        SCOPED_TRACE(static_cast<int>(point));
        engine::armFault(point);
        EXPECT_EQ(registerWith(dir_ + "/new/b.jpg"), E_FAIL);
        EXPECT_EQ(KaAVDBReadFolderInfo(db_, (dir_ + "/new/").c_str(), text), KAVDB_E_NOT_FOUND);
        engine::armFault(point);
        EXPECT_EQ(KaAVDBWriteComment(db_, file.c_str(), "lost"), E_FAIL);
        EXPECT_EQ(comment(file), "");
        ASSERT_EQ(KaAVDBWriteComment(db_, file.c_str(), "kept"), S_OK);
        EXPECT_EQ(comment(file), "kept");
        ASSERT_EQ(KaAVDBWriteComment(db_, file.c_str(), ""), S_OK);
    }
    ASSERT_FALSE(errors().empty());
    EXPECT_EQ(errors().back().message, "Failed to commit transaction");
}

/* A second program removes the folder row the first one remembers and makes it anew. */
TEST_F(ExportGuardTest, TheFolderCacheIsNotTrustedAcrossCalls)
{
    DBHandle* other = nullptr;
    ASSERT_EQ(KaAVDBOpen(dbPath_.c_str(), &other), S_OK);
    const std::string file = dir_ + "/shared/x.jpg";
    ASSERT_EQ(registerWith(file), S_OK);
    readData(file); // remembers the folder
    ASSERT_EQ(KaAVDBDeleteFile(other, file.c_str()), S_OK);
    MetaDataList data;
    data.push_back(makeMeta("People", {{"Name", "Ann"}}));
    ASSERT_EQ(KaAVDBRegisterFile(other, file.c_str(), &data, nullptr), S_OK);
    releaseTestTags(data);
    EXPECT_EQ(readData(file), std::vector<std::string>{"People: Name=Ann"});
    KaAVDBClose(other);
}

} // namespace
} // namespace kavdb::test
