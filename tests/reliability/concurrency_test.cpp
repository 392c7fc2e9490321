/*
 * Two programs at once: one process registers its tree with a single folder walk, a
 * second folder by folder, and each then writes metadata for every file, while a third
 * refreshes the whole catalogue in a loop without pausing. Every call succeeds (waiting
 * on the lock, never failing busy), and the catalogue ends with exactly the union.
 */
#include "reliability/reliability_support.h"
#include "support/fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

namespace kavdb::test {
namespace {

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 250; // 2 trees x 10 x 250 = 5,000 files

/* Report codes: a failed call reports its step with this added. */
constexpr int kFailed = 1 << 24;

class ConcurrencyTest : public TempDirTest {
  protected:
    std::string db() const { return dir_ + "/shared.mdb"; }
    std::string folder(char tree, int d) const
    {
        return dir_ + "/" + tree + "/d" + std::to_string(d);
    }
    std::string file(char tree, int d, int f) const
    {
        return folder(tree, d) + "/f" + std::to_string(f) + ".jpg";
    }
    std::string doneMark() const { return dir_ + "/writers-done"; }

    static void step(const std::function<void(int)>& report, int index, HRESULT hr)
    {
        report(hr == S_OK ? index : index + kFailed);
    }

    void writeTree(DBHandle* h, char tree, int d, const std::function<void(int)>& report)
    {
        for (int f = 0; f < kFilesPerFolder; ++f) {
            MetaDataList data;
            data.push_back(
                makeMeta("People", {{"Name", std::string(1, tree) + "-" + std::to_string(d)}}));
            HRESULT hr = KaAVDBWriteData(h, file(tree, d, f).c_str(), &data);
            releaseTestTags(data);
            step(report, d * kFilesPerFolder + f, hr);
        }
    }

    /* Tree A: one walk of the whole tree, then metadata for every file. */
    void walkingWriter(const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        step(report, 1 << 20, KaAVDBRegisterFolder(h, (dir_ + "/A").c_str()));
        for (int d = 0; d < kFolders; ++d) {
            writeTree(h, 'A', d, report);
        }
        KaAVDBClose(h);
    }

    /* Tree B: folder by folder, each registered and then tagged. */
    void folderWriter(const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        for (int d = 0; d < kFolders; ++d) {
            step(report, (1 << 20) + d, KaAVDBRegisterFolder(h, folder('B', d).c_str()));
            writeTree(h, 'B', d, report);
        }
        KaAVDBClose(h);
    }

    void refresher(const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        for (int i = 0; access(doneMark().c_str(), F_OK) != 0; ++i) {
            step(report, i, KaAVDBRefreshAll(h, 2) < 0 ? E_FAIL : S_OK);
        }
        KaAVDBClose(h);
    }
};

int failures(const std::vector<int>& steps)
{
    int n = 0;
    for (int s : steps) {
        n += s >= kFailed ? 1 : 0;
    }
    return n;
}

TEST_F(ConcurrencyTest, TwoWritersAndARefresherEndWithTheUnion)
{
    for (char tree : {'A', 'B'}) {
        for (int d = 0; d < kFolders; ++d) {
            for (int f = 0; f < kFilesPerFolder; ++f) {
                makeFile(std::string(1, tree) + "/d" + std::to_string(d) + "/f" +
                         std::to_string(f) + ".jpg");
            }
        }
    }
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    Child a = startChild([&](const auto& report) { walkingWriter(report); });
    Child b = startChild([&](const auto& report) { folderWriter(report); });
    Child r = startChild([&](const auto& report) { refresher(report); });
    std::vector<int> stepsA = collect(a);
    std::vector<int> stepsB = collect(b);
    std::ofstream(doneMark()) << "done";
    int status = -1;
    std::vector<int> stepsR = collect(r, &status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(stepsA.size(), 1u + kFolders * kFilesPerFolder);
    EXPECT_EQ(stepsB.size(), static_cast<size_t>(kFolders * (1 + kFilesPerFolder)));
    EXPECT_EQ(failures(stepsA), 0);
    EXPECT_EQ(failures(stepsB), 0);
    EXPECT_EQ(failures(stepsR), 0) << "of " << stepsR.size() << " refreshes";

    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
    EXPECT_EQ(integrity(h), "ok");
    EXPECT_EQ(danglingKeys(h, 3), 0);
    for (char tree : {'A', 'B'}) {
        for (int d = 0; d < kFolders; ++d) {
            StringList paths;
            std::string sql = "SELECT * FROM People WHERE People.Name = '" + std::string(1, tree) +
                              "-" + std::to_string(d) + "'";
            EXPECT_EQ(KaAVDBQuery(h, sql.c_str(), &paths), S_OK) << tree << d;
            EXPECT_EQ(paths.size(), static_cast<size_t>(kFilesPerFolder)) << tree << d;
            FreeStringList(&paths);
        }
    }
    int32_t all = 0;
    KaAVDBGetCountSQL(h, "SELECT * FROM MainTable WHERE MainTable.FieldID > 0", &all);
    EXPECT_EQ(all, 2 * kFolders * kFilesPerFolder);
    KaAVDBClose(h);
}

} // namespace
} // namespace kavdb::test
