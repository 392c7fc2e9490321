/*
 * The command line itself: search's help listing the configured tables and items, exit
 * code 2 for bad usage and for a missing catalogue, and the catalogue's default place under
 * $XDG_DATA_HOME (when absolute) or else $HOME.
 */
#include "command_fixture.h"
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

} // namespace
} // namespace kavdb::test
