/*
 * `kavdb search` and `kavdb sql` on the catalogued sample photos: matches agree with
 * what Exiv2 reads from the files, "no match" is an empty answer, and statements the
 * catalogue refuses are bad usage.
 */
#include "command_fixture.h"
#include "reference.h"

#include <algorithm>
#include <sstream>

namespace kavdb::test {
namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class SearchTest : public CommandTest {
  protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        kavdb({"add", "--quiet", photosDir()});
    }

    /* Sample photos whose make, as Exiv2 reads it, satisfies the test. */
    template <typename Test> std::vector<std::string> photosWhere(Test test)
    {
        std::vector<std::string> paths;
        for (const std::string& name : samplePhotoNames()) {
            Reference ref = referenceOf(photosDir() + "/" + name);
            if (test(ref))
                paths.push_back(photosDir() + "/" + name);
        }
        return paths;
    }
};

TEST_F(SearchTest, FullStatementPrintsTheMatchingPaths)
{
    RunResult run = kavdb({"search", "SELECT * FROM ExifInfo WHERE ExifInfo.Model LIKE '%D70%'"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(lines(run.out), std::vector<std::string>{photosDir() + "/Nikon_D70.jpg"});
}

TEST_F(SearchTest, ShortFormAgreesWithExiv2)
{
    RunResult run = kavdb({"search", "--where", "Make = 'Canon'"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> found = lines(run.out);
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected =
        photosWhere([](const Reference& r) { return r.readable && r.make == "Canon"; });
    EXPECT_EQ(found, expected);
    EXPECT_EQ(expected.size(), 3u);

    RunResult count = kavdb({"search", "--count", "--where", "Make = 'Canon'"});
    EXPECT_EQ(count.out, "3\n");
}

TEST_F(SearchTest, SearchesOtherTablesThroughTheTableOption)
{
    kavdb({"tag", photosDir() + "/Pentax_K10D.jpg", "Caption", "Title=Rose"});
    RunResult run = kavdb({"search", "--table", "Caption", "--where", "Title = 'Rose'"});
    EXPECT_EQ(lines(run.out), std::vector<std::string>{photosDir() + "/Pentax_K10D.jpg"});
}

TEST_F(SearchTest, NoMatchIsAnEmptyAnswer)
{
    RunResult run = kavdb({"search", "--where", "Model LIKE '%no such camera%'"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    RunResult count = kavdb({"search", "--count", "--where", "Model LIKE '%no such camera%'"});
    EXPECT_EQ(count.exitCode, 0);
    EXPECT_EQ(count.out, "0\n");
}

TEST_F(SearchTest, RefusedStatementsAreBadUsage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"search", "select * from ExifInfo where Model = 'x'"},
          std::vector<std::string>{"search"},
          std::vector<std::string>{"search", "SELECT * FROM ExifInfo WHERE", "--where", "x"},
          std::vector<std::string>{"search", "--where", "NoSuchColumn = 1"}}) {
        RunResult run = kavdb(args);
        EXPECT_EQ(run.exitCode, 2) << args.back() << "\n" << run.err;
        EXPECT_NE(run.err, "");
    }
}

TEST_F(SearchTest, SqlSelectPrintsPathsOrNames)
{
    RunResult paths = kavdb({"sql", "SELECT PathTable.Pathname, MainTable.Filename FROM MainTable, "
                                    "PathTable WHERE MainTable.PathID = PathTable.PathID AND "
                                    "MainTable.Filename = 'Nikon_D70.jpg'"});
    EXPECT_EQ(paths.exitCode, 0) << paths.err;
    EXPECT_EQ(lines(paths.out), std::vector<std::string>{photosDir() + "/Nikon_D70.jpg"});

    RunResult names = kavdb({"sql", "select Filename from MainTable where Filename like 'Nikon%'"});
    EXPECT_EQ(names.exitCode, 0) << names.err;
    std::vector<std::string> got = lines(names.out);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"Nikon_COOLPIX_P1.jpg", "Nikon_D70.jpg"}));
}

TEST_F(SearchTest, SqlRunsChangesAndReportsErrorsInWords)
{
    RunResult change =
        kavdb({"sql", "UPDATE MainTable SET Marking = 1 WHERE Filename = 'Nikon_D70.jpg'"});
    EXPECT_EQ(change.exitCode, 0) << change.err;
    int32_t mark = 0;
    EXPECT_EQ(KaAVDBGetCheck(catalogue(), (photosDir() + "/Nikon_D70.jpg").c_str(), &mark), S_OK);
    EXPECT_EQ(mark, 1);

    RunResult bad = kavdb({"sql", "UPDATE MainTable SET WHERE"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("SQL syntax error"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find("0x8"), std::string::npos) << bad.err;
}

} // namespace
} // namespace kavdb::test
