/*
 * `kavdb dupes`: identical copies grouped by content, a resized copy grouped with its
 * picture, other photos left out, a folder argument limiting the search, and the JSON
 * form; a catalogue made before fingerprints existed gets its Fingerprint table.
 */
#include "command_fixture.h"
#include "imaging/vips_runtime.h"
#include "sheet_page.h"

#include <vips/vips8>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class DupesCommandTest : public CommandTest {};

TEST_F(DupesCommandTest, GroupsIdenticalFilesAndSimilarPictures)
{
    imaging::startVips("kavdb_app_command_tests");
    const std::string a = copyPhotos("a", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    const std::string b = copyPhotos("b", {"Canon_40D.jpg", "Pentax_K10D.jpg"});
    vips::VImage::new_from_file((a + "/Nikon_D70.jpg").c_str())
        .resize(0.5)
        .write_to_file((b + "/small.jpg").c_str());
    ASSERT_EQ(kavdb({"add", a, b}).exitCode, 0);

    EXPECT_EQ(kavdbExits({"dupes"}, 0).out, "identical: 2 files\n  " + a + "/Canon_40D.jpg\n  " +
                                                b + "/Canon_40D.jpg\n\nsimilar: 2 files\n  " + a +
                                                "/Nikon_D70.jpg\n  " + b + "/small.jpg\n");
    EXPECT_EQ(kavdb({"dupes", b, "--json"}).out, "{\"groups\":[]}\n");
    EXPECT_EQ(kavdb({"dupes", "--distance", "0", "--json"}).out,
              "{\"groups\":[{\"kind\":\"identical\",\"paths\":[\"" + a + "/Canon_40D.jpg\",\"" + b +
                  "/Canon_40D.jpg\"]}]}\n");
}

TEST_F(DupesCommandTest, ACatalogueWithoutFingerprintsGetsItsTable)
{
    const std::string a = copyPhotos("a", {"Canon_40D.jpg"});
    const std::string b = copyPhotos("b", {"Canon_40D.jpg"});
    // Made by an earlier kavdb, whose configuration had no Fingerprint table.
    const std::string shipped = std::getenv("KAVDB_CONFIG_DIR");
    const std::string earlier = dir_ + "/earlier";
    fs::create_directories(earlier);
    std::string ini = readText(shipped + "/kadb.ini");
    std::ofstream(earlier + "/kadb.ini") << ini.substr(0, ini.find("[DataTable10]"));
    setenv("KAVDB_CONFIG_DIR", earlier.c_str(), 1);
    RunResult made = kavdb({"add", a});
    setenv("KAVDB_CONFIG_DIR", shipped.c_str(), 1);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(kavdb({"dupes"}).exitCode, 1);
    ASSERT_EQ(kavdb({"add", "--force", a, b}).exitCode, 0);
    EXPECT_THAT(kavdb({"dupes"}).out, HasSubstr("identical: 2 files"));
}

} // namespace
} // namespace kavdb::test
