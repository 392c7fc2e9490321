/*
 * The facade's start-up helpers: the executable's directory and the copy of the
 * template catalogue, which never replaces an existing file.
 */
#include "frame/facade.h"
#include "support/fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kavdb {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const std::string& path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

class TemplateCopyTest : public test::TempDirTest {
  protected:
    std::string templateDir() const { return dir_ + "/app/"; }
};

TEST(ExecutableDirTest, IsTheDirectoryOfTheRunningProgram)
{
    std::string dir = frame::executableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "kavdb_unit_tests"));
}

TEST_F(TemplateCopyTest, CopiesTheTemplateToAMissingPath)
{
    makeFile("app/initDBfile.dat", std::string("template\0bytes", 14));
    std::string target = dir_ + "/lib.mdb";
    EXPECT_EQ(frame::copyTemplateCatalogue(templateDir(), target.c_str()), S_OK);
    EXPECT_EQ(contentOf(target), std::string("template\0bytes", 14));
}

TEST_F(TemplateCopyTest, NeverReplacesAnExistingFile)
{
    makeFile("app/initDBfile.dat", "template");
    std::string target = makeFile("lib.mdb", "mine");
    EXPECT_EQ(frame::copyTemplateCatalogue(templateDir(), target.c_str()), E_FAIL);
    EXPECT_EQ(contentOf(target), "mine");
}

TEST_F(TemplateCopyTest, MissingTemplateCopiesNothing)
{
    std::string target = dir_ + "/lib.mdb";
    EXPECT_EQ(frame::copyTemplateCatalogue(templateDir(), target.c_str()), E_FAIL);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(frame::copyTemplateCatalogue(templateDir(), nullptr), E_INVALIDARG);
}

/* The copied template is what the facade then opens. */
TEST_F(TemplateCopyTest, CopiedTemplateOpensAsACatalogue)
{
    std::string made = dir_ + "/app/made.mdb";
    fs::create_directories(dir_ + "/app");
    ASSERT_EQ(KaAVDBCreate(made.c_str()), S_OK);
    fs::rename(made, dir_ + "/app/initDBfile.dat");
    std::string target = dir_ + "/lib.mdb";
    ASSERT_EQ(frame::copyTemplateCatalogue(templateDir(), target.c_str()), S_OK);
    DBHandle* h = nullptr;
    ASSERT_EQ(KaAVDBOpen(target.c_str(), &h), S_OK);
    EXPECT_EQ(KaAVDBExecuteSQL(h, "SELECT * FROM MainTable"), S_OK);
    EXPECT_EQ(KaAVDBClose(h), S_OK);
}

} // namespace
} // namespace kavdb
