/*
 * Two programs at once: two processes register different folder trees and write
 * metadata into one catalogue while a third refreshes it. Every call succeeds (waiting
 * on the lock, never failing busy) and the catalogue ends with exactly the union.
 */
#include "reliability/reliability_support.h"
#include "support/fixture.h"

#include <sys/wait.h>
#include <unistd.h>

namespace kavdb::test {
namespace {

constexpr int kFolders = 8;
constexpr int kFilesPerFolder = 150;

class ConcurrencyTest : public TempDirTest {
protected:
    std::string db() const { return dir_ + "/shared.mdb"; }
    std::string file(char tree, int d, int f) const
    {
        return dir_ + "/" + tree + "/d" + std::to_string(d) + "/f" + std::to_string(f) + ".jpg";
    }

    void writer(char tree, const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        for (int d = 0; d < kFolders; ++d) {
            std::string folder = dir_ + "/" + tree + "/d" + std::to_string(d);
            if (KaAVDBRegisterFolder(h, folder.c_str()) != S_OK) {
                _exit(10);
            }
            for (int f = 0; f < kFilesPerFolder; ++f) {
                MetaDataList data;
                data.push_back(makeMeta("People", {{"Name", std::string(1, tree)}}));
                HRESULT hr = KaAVDBWriteData(h, file(tree, d, f).c_str(), &data);
                releaseTestTags(data);
                if (hr != S_OK) {
                    _exit(11);
                }
            }
            report(d);
        }
        KaAVDBClose(h);
    }

    void refresher(const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        for (int i = 0; i < 30; ++i) {
            if (KaAVDBRefreshAll(h, 2) < 0) {
                _exit(12);
            }
            report(i);
            usleep(20000);
        }
        KaAVDBClose(h);
    }
};

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
    Child a = startChild([&](const auto& report) { writer('A', report); });
    Child b = startChild([&](const auto& report) { writer('B', report); });
    Child r = startChild([&](const auto& report) { refresher(report); });
    for (Child* c : {&a, &b, &r}) {
        int status = -1;
        collect(*c, &status);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
    EXPECT_EQ(integrity(h), "ok");
    for (char tree : {'A', 'B'}) {
        StringList paths;
        std::string sql = "SELECT * FROM People WHERE People.Name = '" + std::string(1, tree) + "'";
        ASSERT_EQ(KaAVDBQuery(h, sql.c_str(), &paths), S_OK);
        EXPECT_EQ(paths.size(), static_cast<size_t>(kFolders * kFilesPerFolder)) << tree;
        FreeStringList(&paths);
    }
    int32_t all = 0;
    KaAVDBGetCountSQL(h, "SELECT * FROM MainTable WHERE MainTable.FieldID > 0", &all);
    EXPECT_EQ(all, 2 * kFolders * kFilesPerFolder);
    KaAVDBClose(h);
}

} // namespace
} // namespace kavdb::test
