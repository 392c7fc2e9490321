/*
 * `kavdb watch` as a running process (through inotify, and by scanning): new photos are
 * catalogued, renamed and moved ones keep their entry and comment, deleted ones are
 * dropped with what they carried named. `kavdb add` recognises a moved photo the same
 * way. The watch's lines are awaited with a generous deadline; speed is the benchmark's.
 */
#include "command_fixture.h"
#include "watch_process.h"

#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class WatchTest : public CommandTest {};

TEST_F(WatchTest, NewRenamedAndDeletedPhotosThroughInotify)
{
    const std::string a = addPhotos("a", {});
    const std::string b = copyPhotos("b", {});
    WatchProcess watch(KAVDB_EXE, db_, {a, b});
    ASSERT_TRUE(watch.ready());
    fs::copy_file(photosDir() + "/Canon_40D.jpg", a + "/x.jpg");
    ASSERT_EQ(watch.line(), "added " + a + "/x.jpg");
    ASSERT_EQ(kavdb({"comment", a + "/x.jpg", "keep me"}).exitCode, 0);
    fs::rename(a + "/x.jpg", b + "/y.jpg");
    EXPECT_EQ(watch.line(), "moved " + a + "/x.jpg -> " + b + "/y.jpg");
    EXPECT_EQ(commentOf(b + "/y.jpg"), "keep me");
    fs::remove(b + "/y.jpg");
    EXPECT_EQ(watch.line(), "dropped " + b + "/y.jpg (with its comment)");
}

TEST_F(WatchTest, ScanningRecognisesAPhotoMovedByCopyAndDelete)
{
    const std::string a = addPhotos("a", {"Nikon_D70.jpg"});
    const std::string b = copyPhotos("b", {});
    ASSERT_EQ(kavdb({"comment", a + "/Nikon_D70.jpg", "printed"}).exitCode, 0);
    WatchProcess watch(KAVDB_EXE, db_, {a, b, "--poll", "--interval", "200"});
    ASSERT_TRUE(watch.ready());
    usleep(600000); // the first scan is the starting point
    fs::copy_file(a + "/Nikon_D70.jpg", b + "/renamed.jpg");
    fs::remove(a + "/Nikon_D70.jpg");
    EXPECT_EQ(watch.line(), "moved " + a + "/Nikon_D70.jpg -> " + b + "/renamed.jpg");
    EXPECT_EQ(commentOf(b + "/renamed.jpg"), "printed");
}

TEST_F(WatchTest, AddRecognisesAPhotoMovedSinceItWasCatalogued)
{
    const std::string a = addPhotos("a", {"Pentax_K10D.jpg"});
    const std::string b = copyPhotos("b", {});
    ASSERT_EQ(kavdb({"mark", a + "/Pentax_K10D.jpg", "1"}).exitCode, 0);
    fs::rename(a + "/Pentax_K10D.jpg", b + "/k10d.jpg");
    RunResult run = kavdb({"add", b});
    EXPECT_THAT(run.out, HasSubstr("moved " + a + "/Pentax_K10D.jpg -> " + b + "/k10d.jpg"));
    EXPECT_EQ(markOf(b + "/k10d.jpg"), 1);
    EXPECT_FALSE(hasRow(a + "/Pentax_K10D.jpg"));
}

} // namespace
} // namespace kavdb::test
