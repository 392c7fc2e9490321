/*
 * A killed process never corrupts the catalogue: a child registers files with metadata
 * and thumbnails and is killed with SIGKILL at random moments. After every kill the
 * catalogue opens, passes SQLite's integrity check, every key holds, every call that had
 * returned is there in full, and a call that had not returned is whole or absent.
 */
#include "reliability/reliability_support.h"
#include "support/fixture.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <set>

namespace kavdb::test {
namespace {

constexpr int kFiles = 20000;
constexpr int kPerFolder = 100;
constexpr int kKills = 20;

class CrashTest : public TempDirTest {
protected:
    std::string db() const { return dir_ + "/crash.mdb"; }
    std::string pathOf(int i) const
    {
        return dir_ + "/tree/d" + std::to_string(i / kPerFolder) + "/f" + std::to_string(i) +
               ".jpg";
    }

    static void thumbnailOf(int i, unsigned char* px) // 8x4 pixels: 96 bytes
    {
        for (int b = 0; b < 96; ++b) {
            px[b] = static_cast<unsigned char>(i * 31 + b);
        }
    }

    /* The child: registers files from `from` on, reporting each call that returned. */
    void registerFrom(int from, const std::function<void(int)>& report)
    {
        DBHandle* h = nullptr;
        if (KaAVDBOpen(db().c_str(), &h) != S_OK) {
            _exit(2);
        }
        for (int i = from; i < kFiles; ++i) {
            unsigned char px[96];
            thumbnailOf(i, px);
            ImageData image{px, 8, 4, i, 2 * i, 24, {2020, 1, 3, 2, 4, 5, 6, 7}};
            MetaDataList data;
            data.push_back(makeMeta("ExifInfo", {{"Make", "Make" + std::to_string(i % 50)}},
                                    {{"ISO", i % 7}}));
            HRESULT hr = KaAVDBRegisterFile(h, pathOf(i).c_str(), &data, &image);
            releaseTestTags(data);
            if (hr != S_OK && hr != KAVDB_E_ALREADY_EXISTS) {
                _exit(4);
            }
            report(i);
        }
        KaAVDBClose(h);
    }

    /* Whether file i is in the catalogue whole; false when absent. Fails the test when
     * it is there only in part. */
    bool presentInFull(DBHandle* h, int i)
    {
        ImageData image{};
        HRESULT hr = KaAVDBReadImage(h, pathOf(i).c_str(), &image);
        if (hr == KAVDB_E_NOT_FOUND) {
            return false;
        }
        EXPECT_EQ(hr, S_OK) << i;
        unsigned char px[96];
        thumbnailOf(i, px);
        EXPECT_EQ(image.Width, i);
        EXPECT_EQ(image.Height, 2 * i);
        EXPECT_TRUE(image.Thumbnail != nullptr && std::memcmp(image.Thumbnail, px, 96) == 0) << i;
        FreeImageData(&image);
        MetaDataList data;
        EXPECT_EQ(KaAVDBReadData(h, pathOf(i).c_str(), &data), S_OK);
        EXPECT_EQ(data.size(), 1u) << i;
        if (data.size() == 1) {
            EXPECT_EQ(tagText(data.front().Tags.front()), "Make" + std::to_string(i % 50));
        }
        if (!data.empty()) {
            FreeMetaDataList(&data);
        }
        return true;
    }

    int registeredCount(DBHandle* h)
    {
        int32_t n = 0;
        KaAVDBGetCountSQL(h, "SELECT * FROM MainTable WHERE MainTable.FieldID > 0", &n);
        return n;
    }
};

TEST_F(CrashTest, KilledRegistrationsLeaveAConsistentCatalogue)
{
    for (int d = 0; d < kFiles / kPerFolder; ++d) {
        makeDir("tree/d" + std::to_string(d));
    }
    ASSERT_EQ(KaAVDBCreate(db().c_str()), S_OK);
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> pause(20, 150);
    std::set<int> returned;
    int next = 0;
    for (int round = 0; round <= kKills && next < kFiles; ++round) {
        Child child = startChild([&](const auto& report) { registerFrom(next, report); });
        ASSERT_GT(child.pid, 0);
        if (round < kKills) {
            usleep(pause(rng) * 1000);
            kill(child.pid, SIGKILL);
        }
        int status = 0;
        auto steps = collect(child, &status);
        if (round == kKills) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        returned.insert(steps.begin(), steps.end());

        DBHandle* h = nullptr;
        ASSERT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
        ASSERT_EQ(integrity(h), "ok") << "round " << round;
        ASSERT_EQ(danglingKeys(h, 3), 0) << "round " << round;
        for (int i : steps) {
            ASSERT_TRUE(presentInFull(h, i)) << "returned call lost: " << i;
        }
        // The call in flight at the kill, if any: whole or absent.
        int inFlight = steps.empty() ? next : steps.back() + 1;
        if (inFlight < kFiles) {
            presentInFull(h, inFlight);
        }
        EXPECT_GE(registeredCount(h), static_cast<int>(returned.size()));
        ASSERT_EQ(KaAVDBClose(h), S_OK);
        next = steps.empty() ? next : steps.back() + 1;
    }
    ASSERT_EQ(next, kFiles);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(db().c_str(), &h), S_OK);
    EXPECT_EQ(registeredCount(h), kFiles);
    KaAVDBClose(h);
}

} // namespace
} // namespace kavdb::test
