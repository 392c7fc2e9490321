/*
 * A file's update time from one look at it: present with its time, certainly absent, or
 * not to be judged (a directory, a path through a file).
 */
#include "store/datetext.h"
#include "support/fixture.h"

#include <filesystem>

namespace kavdb::store {
namespace {

class FileTimeOrAbsenceTest : public test::TempDirTest {};

TEST_F(FileTimeOrAbsenceTest, GivesTheSameTimeAsOpeningTheFile)
{
    std::string path = makeFile("a.jpg");
    setMtime(path, 1100000000, 123000000);
    SYSTEMTIME looked{};
    SYSTEMTIME opened{};
    ASSERT_EQ(fileTimeOrAbsence(path.c_str(), &looked), 1);
    ASSERT_EQ(fileUpdateTime(path.c_str(), &opened), 1);
    EXPECT_EQ(dateText(looked), dateText(opened));
    EXPECT_EQ(looked.wMilliseconds, 123);
}

TEST_F(FileTimeOrAbsenceTest, TellsAbsenceFromWhatCannotBeJudged)
{
    std::string file = makeFile("a.jpg");
    std::string dir = makeDir("d.jpg");
    SYSTEMTIME t{};
    t.wYear = 1999;
    EXPECT_EQ(fileTimeOrAbsence((dir_ + "/missing.jpg").c_str(), &t), 0);
    EXPECT_EQ(fileTimeOrAbsence((dir_ + "/none/missing.jpg").c_str(), &t), 0);
    EXPECT_EQ(fileTimeOrAbsence((file + "/x.jpg").c_str(), &t), 0); // through a file
    EXPECT_EQ(fileTimeOrAbsence(dir.c_str(), &t), -1);
    EXPECT_EQ(fileTimeOrAbsence(nullptr, &t), -1);
    EXPECT_EQ(t.wYear, 1999);
}

} // namespace
} // namespace kavdb::store
