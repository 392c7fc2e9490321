/*
 * `kavdb refresh`: after files change or disappear on disk, entries of deleted files go
 * and every drop is reported (names with -v; always those that carried notes; --dry-run
 * only says), changed photos are read again with what the new file lacks as Null (or
 * dropped with --delete-changed), and a folder argument limits the work to its tree.
 */
#include "command_fixture.h"

#include <chrono>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class RefreshTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        other_ = addPhotos("q", {"Pentax_K10D.jpg"});
    }

    /* Gives a file another modification time, an hour earlier. */
    static void touch(const std::string& path)
    {
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
    }

    /* Puts other photo content under an existing name (a newer time as well). */
    void replaceWith(const std::string& path, const std::string& samplePhoto)
    {
        fs::copy_file(photosDir() + "/" + samplePhoto, path, fs::copy_options::overwrite_existing);
        touch(path);
    }

    std::string folder_;
    std::string other_;
};

TEST_F(RefreshTest, ChangedPhotosAreReadAgainWhatTheyLackIsNullAndUnreadableOnesLoseTheThumbnail)
{
    const std::string photo = folder_ + "/Canon_40D.jpg";
    replaceWith(photo, "Reconyx_HC500_Hyperfire.jpg");
    replaceWith(folder_ + "/Nikon_D70.jpg", "Kodak_CX7530.jpg"); // no ISO, no lens
    const std::string truncated = other_ + "/Pentax_K10D.jpg";
    fs::resize_file(truncated, fs::file_size(truncated) / 3);
    touch(truncated);
    RunResult run = kavdbExits({"refresh"}, 1, "Pentax_K10D.jpg: not readable as an image");
    EXPECT_THAT(run.out, HasSubstr("2 photos read again"));
    EXPECT_THAT(run.out, HasSubstr("0 entries dropped"));
    EXPECT_TRUE(imageOf(truncated).thumbnail.empty());
    EXPECT_TRUE(hasRow(truncated));

    StoredImage data = imageOf(photo);
    EXPECT_EQ(std::tie(data.width, data.thumbWidth, data.time),
              std::make_tuple(2048, 160, fileTime(photo)));
    for (const char* condition : {"Make IS NULL AND FNumber IS NULL AND ISO = 100",
                                  "Make LIKE 'EASTMAN%' AND ISO IS NULL AND Lens IS NULL"})
        EXPECT_EQ(kavdb({"search", "--where", condition, "--count"}).out, "1\n") << condition;
    for (const char* condition : {"ISO = 0", "Make = ''", "Lens = ''", "FNumber = 0"})
        EXPECT_EQ(kavdb({"search", "--where", condition, "--count"}).out, "0\n") << condition;
}

TEST_F(RefreshTest, EveryDropIsReportedAndADryRunChangesNothing)
{
    const std::string noted = folder_ + "/Nikon_D70.jpg";
    const std::string plain = folder_ + "/Canon_40D.jpg";
    kavdb({"comment", noted, "printed for Ann"});
    kavdb({"tag", noted, "Rating", "Stars=5"});
    fs::remove(noted);
    fs::remove(plain);
    RunResult dry = kavdbExits({"refresh", "--dry-run"}, 0);
    EXPECT_THAT(dry.out, HasSubstr("would drop " + noted + " (with its comment, Rating)"));
    EXPECT_THAT(dry.out, HasSubstr("would drop " + plain + "\n"));
    EXPECT_THAT(dry.out, HasSubstr("2 entries would be dropped, 1 of them with notes"));
    EXPECT_TRUE(hasRow(noted));

    RunResult run = kavdbExits({"refresh"}, 0);
    EXPECT_THAT(run.out, HasSubstr("dropped " + noted + " (with its comment, Rating)"));
    EXPECT_THAT(run.out, Not(HasSubstr("dropped " + plain))); // names with -v
    // Counted only once gone; which entries go is the library's (tests/ops/refresh_test).
    EXPECT_THAT(run.out, HasSubstr("2 entries dropped, 1 of them with notes"));
    fs::remove(other_ + "/Pentax_K10D.jpg");
    EXPECT_THAT(kavdb({"-v", "refresh"}).out,
                HasSubstr("dropped " + other_ + "/Pentax_K10D.jpg\n"));
}

TEST_F(RefreshTest, OnlyChangedPhotosOfAFolderArgumentAreReadAgainOrDroppedWithDeleteChanged)
{
    EXPECT_THAT(kavdb({"refresh"}).out, HasSubstr("0 photos read again"));
    replaceWith(folder_ + "/Canon_40D.jpg", "Reconyx_HC500_Hyperfire.jpg");
    replaceWith(other_ + "/Pentax_K10D.jpg", "Reconyx_HC500_Hyperfire.jpg");
    kavdbExits({"refresh", other_}, 0);
    EXPECT_EQ(imageOf(other_ + "/Pentax_K10D.jpg").width, 2048);
    StoredImage untouched = imageOf(folder_ + "/Canon_40D.jpg");
    EXPECT_EQ(untouched.width, 100); // not looked at yet
    EXPECT_FALSE(untouched.thumbnail.empty());
    kavdbExits({"refresh", dir_ + "/nowhere"}, 1);
    EXPECT_THAT(kavdbExits({"refresh", "--delete-changed"}, 0).out, HasSubstr("1 entry dropped"));
}

} // namespace
} // namespace kavdb::test
