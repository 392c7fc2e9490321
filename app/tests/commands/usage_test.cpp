/*
 * The command line itself: search's help listing the configured tables and items, exit
 * code 2 for bad usage and for a missing catalogue, and the catalogue's default place under
 * $XDG_DATA_HOME (when absolute) or else $HOME. A catalogue its user may not write (another
 * user's, or on a read-only medium): search, show, sql SELECT and sheet answer from it and leave
 * the file exactly as it was, and a command that would change it fails with the reason instead.
 */
#include "command_fixture.h"
#include "sheet_page.h"
#include "support/server.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class UsageTest : public CommandTest {};

TEST_F(UsageTest, HelpListsTheConfiguredItemsAndBadUsageExitsWithTwo)
{
    std::string search = kavdb({"search", "--help"}).out;
    for (const char* listed : {"ExifInfo: Make (text)", "FNumber (number)", "ISO (whole number)",
                               "Caption: Title (text)", "Keywords (text)"})
        EXPECT_THAT(search, HasSubstr(listed));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"add"}, {"mark", "x.jpg"}, {"show", "--no-such-option", "x.jpg"}})
        kavdbExits(args, 2);
    kavdbExits({"--db", dir_ + "/cat.sqlite", "add", dir_}, 2, ".mdb");
}

TEST_F(UsageTest, NoSqliteCatalogueYetExitsWithTwo)
{
    kavdbExits({"show", "/tmp/x.jpg"}, 2, "no catalogue here yet");
    EXPECT_FALSE(fs::exists(db_)); // looking does not create one
}

TEST_F(UsageTest, DefaultCatalogueLivesUnderXdgDataHomeOrElseUnderHome)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    const std::string underHome = dir_ + "/home/.local/share/kavdb/catalogue.mdb";
    struct Case {
        std::string xdg; // "" for none
        std::string catalogue;
    };
    for (const Case& c : {Case{dir_ + "/data", dir_ + "/data/kavdb/catalogue.mdb"},
                          Case{"relative/dir", underHome}, // not absolute: ignored
                          Case{"", underHome}}) {
        const std::string xdg =
            c.xdg.empty() ? "-u XDG_DATA_HOME" : "XDG_DATA_HOME=" + shellQuoted(c.xdg);
        const std::string command = "env " + xdg + " HOME=" + shellQuoted(dir_ + "/home") + " " +
                                    shellQuoted(KAVDB_EXE) + " add " + shellQuoted(folder);
        EXPECT_EQ(WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str())), 0) << c.xdg;
        EXPECT_TRUE(fs::exists(c.catalogue)) << c.xdg;
        fs::remove(c.catalogue);
    }
}

class ReadOnlySqliteTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        folder_ = addPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
        fs::permissions(db_,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        before_ = readText(db_);
    }
    std::string folder_;
    std::string before_;
};

TEST_F(ReadOnlySqliteTest, ReadingCommandsAnswerWritingOnesSayWhyAndTheFileStaysAsItWas)
{
    using Args = std::vector<std::string>;
    for (const auto& [args, says] : std::vector<std::pair<Args, std::string>>{
             {{"search", "--where", "Make = 'Canon'"}, folder_ + "/Canon_40D.jpg\n"},
             {{"show", folder_ + "/Nikon_D70.jpg"}, "Model:         NIKON D70"},
             {{"sql", "SELECT Filename FROM MainTable ORDER BY Filename"},
              "Canon_40D.jpg\nNikon_D70.jpg\n"},
             {{"sheet", "-o", dir_ + "/sheet"}, "contact sheet of 2 photos"}}) {
        RunResult run = kavdbUnprivileged(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.out, HasSubstr(says));
    }
    for (const auto& [args, says] : std::vector<std::pair<Args, std::string>>{
             {{"comment", folder_ + "/Canon_40D.jpg", "hello"}, "attempt to write a readonly"},
             {{"sql", "UPDATE MainTable SET Marking = 1"},
              "cannot be written (Permission denied)"}}) {
        RunResult run = kavdbUnprivileged(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_THAT(run.err, HasSubstr(says));
    }
    EXPECT_EQ(readText(db_), before_);
}

} // namespace
} // namespace kavdb::test
