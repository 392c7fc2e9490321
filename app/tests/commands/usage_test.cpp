/*
 * The command line itself: search's help listing the configured tables and items, --version, exit
 * code 2 for bad usage and for a missing catalogue, and the catalogue's default place under
 * $XDG_DATA_HOME.
 */
#include "command_fixture.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class UsageTest : public CommandTest {};

TEST_F(UsageTest, SearchHelpListsTheConfiguredItemsAndVersionTheRelease)
{
    std::string search = kavdb({"search", "--help"}).out;
    for (const char* listed : {"ExifInfo: Make (text)", "FNumber (number)", "ISO (whole number)",
                               "Caption: Title (text)", "Keywords (text)"})
        EXPECT_NE(search.find(listed), std::string::npos) << listed << " in\n" << search;
    RunResult version = kavdb({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("kavdb 1.", 0), 0u) << version.out;
}

TEST_F(UsageTest, BadUsageExitsWithTwo)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"frobnicate"},
          std::vector<std::string>{"add"}, std::vector<std::string>{"mark", "x.jpg"},
          std::vector<std::string>{"show", "--no-such-option", "x.jpg"}}) {
        RunResult run = kavdb(args);
        EXPECT_EQ(run.exitCode, 2) << (args.empty() ? "(nothing)" : args[0]);
    }
}

TEST_F(UsageTest, NoSqliteCatalogueYetExitsWithTwo)
{
    RunResult run = kavdb({"show", "/tmp/x.jpg"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("no catalogue here yet"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(db_)); // looking does not create one
}

TEST_F(UsageTest, CatalogueNamesMustHoldMdb)
{
    RunResult run = kavdb({"--db", dir_ + "/cat.sqlite", "add", dir_});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(".mdb"), std::string::npos);
}

TEST_F(UsageTest, DefaultCatalogueLivesUnderXdgDataHome)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    const std::string data = dir_ + "/data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    std::vector<std::string> args = {KAVDB_EXE, "add", folder};
    std::string command;
    for (const std::string& a : args)
        command += "'" + a + "' ";
    int status = std::system((command + ">/dev/null 2>&1").c_str());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(data + "/kavdb/catalogue.mdb"));
}

} // namespace
} // namespace kavdb::test
