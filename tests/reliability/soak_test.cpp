/*
 * Memory over time: registering, refreshing and deleting 50,000 files, ten rounds in one
 * process; resident memory after the tenth round stays within 10% of the second's.
 */
#include "reliability/reliability_support.h"
#include "support/fixture.h"

namespace kavdb::test {
namespace {

constexpr int kFolders = 500;
constexpr int kPerFolder = 100;

using SoakTest = CatalogueTest;

TEST_F(SoakTest, ResidentMemoryDoesNotGrowOverRounds)
{
    for (int d = 0; d < kFolders; ++d) {
        for (int f = 0; f < kPerFolder; ++f) {
            makeFile("soak/d" + std::to_string(d) + "/f" + std::to_string(f) + ".jpg", "");
        }
    }
    std::string root = dir_ + "/soak";
    long second = 0;
    for (int round = 1; round <= 10; ++round) {
        ASSERT_EQ(KaAVDBRegisterFolder(db_, root.c_str()), S_OK) << round;
        ASSERT_EQ(KaAVDBRefreshAll(db_, 2), S_OK) << round;
        for (int d = 0; d < kFolders; ++d) {
            std::string folder = root + "/d" + std::to_string(d);
            ASSERT_EQ(KaAVDBDeleteFolder(db_, folder.c_str()), S_OK) << round;
        }
        long rss = residentKiB();
        if (round == 2) {
            second = rss;
        }
        if (round == 10) {
            EXPECT_LE(rss, second + second / 10) << "round 2: " << second << " KiB";
        }
    }
}

} // namespace
} // namespace kavdb::test
