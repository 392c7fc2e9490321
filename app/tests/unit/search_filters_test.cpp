/*
 * The time and place filters of kavdb search as typed on the command line, and how the
 * lists several filters give are put together.
 */
#include "search_filters.h"

#include <gtest/gtest.h>

namespace kavdb {
namespace {

TEST(SearchFilters, DatesAreRealDaysAndDayBoundsCoverTheWholeDay)
{
    EXPECT_EQ(dateBound("2008-05-30", false), "2008-05-30");
    EXPECT_EQ(dateBound("2008-05-30", true), "2008-05-30 23:59:59");
    EXPECT_EQ(dateBound("2008-05-30 15:56:01", true), "2008-05-30 15:56:01");
    EXPECT_EQ(dateBound("2008-02-29", false), "2008-02-29");
    for (const char* bad : {"2007-02-29", "2008-13-01", "2008-00-10", "2008-5-30", "30.05.2008",
                            "2008-05-30 24:00:00", "2008-05-30T15:56:01", "2008-05-30x", ""}) {
        EXPECT_FALSE(dateBound(bad, false)) << bad;
    }
}

TEST(SearchFilters, PositionsAndDistances)
{
    std::optional<Position> p = parsePosition("43.296, -5.37");
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->latitude, 43.296);
    EXPECT_DOUBLE_EQ(p->longitude, -5.37);
    for (const char* bad : {"43.296", "91,0", "0,181", "a,b", "1,2,3", "nan,0"})
        EXPECT_FALSE(parsePosition(bad)) << bad;
    EXPECT_EQ(parseDistance("10km"), 10000.0);
    EXPECT_EQ(parseDistance("2.5 km"), 2500.0);
    EXPECT_EQ(parseDistance("500m"), 500.0);
    EXPECT_EQ(parseDistance("750"), 750.0);
    for (const char* bad : {"-1km", "km", "ten km", "10 miles", "inf"})
        EXPECT_FALSE(parseDistance(bad)) << bad;
}

TEST(SearchFilters, TheRankedListKeepsItsOrderAndOnlyWhatEveryFilterHolds)
{
    std::vector<std::string> ranked = {"/c", "/a", "/b", "/d"};
    EXPECT_EQ(keepListed(ranked, {{"/a", "/b", "/c"}, {"/c", "/b", "/x"}}),
              (std::vector<std::string>{"/c", "/b"}));
    EXPECT_EQ(keepListed(ranked, {}), ranked);
    EXPECT_TRUE(keepListed(ranked, {{}}).empty());
}

} // namespace
} // namespace kavdb
