/*
 * Query composition: the caller's table list and condition kept, the select list,
 * missing base tables and missing joins added, parts over their limits refused.
 */
#include "query/compose.h"
#include "support/fixture.h"

#include <string>

namespace kavdb {
namespace {

const char* const kSelect = "SELECT PathTable.Pathname, MainTable.Filename FROM ";
const char* const kFolderJoin = " AND (PathTable.PathID=MainTable.PathID)";

const char* const kNumberedIni = "[DataTable1]\nTableName=DataTable1\nItem1=Item1,0,64,\n"
                                 "Item2=Item2,0,64,\n";
const char* const kExifIni = "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\n"
                             "[DataTable2]\nTableName=Caption\nItem1=Title,0,64,\n";
const char* const kNoTablesIni = "[Common]\nlevel=1\n";

struct ComposeCase {
    const char* name;
    const char* ini;
    std::string statement;
    HRESULT result;
    std::string composed; // expected text when result is S_OK
};

void PrintTo(const ComposeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ComposeTest : public test::TempDirTest, public ::testing::WithParamInterface<ComposeCase> {};

TEST_P(ComposeTest, Composes)
{
    const ComposeCase& c = GetParam();
    writeIni(c.ini);
    std::string composed = "left over";
    EXPECT_EQ(query::kaComposeQuery(c.statement.c_str(), composed), c.result);
    EXPECT_EQ(composed, c.result == S_OK ? c.composed : "");
}

std::string selected(const std::string& rest)
{
    return kSelect + rest;
}

const ComposeCase kCases[] = {
    {"WorkedExample", kNumberedIni, "SELECT * FROM DataTable1 WHERE DataTable1.Item2 = 'x'", S_OK,
     "SELECT PathTable.Pathname, MainTable.Filename FROM DataTable1, MainTable, PathTable WHERE "
     "DataTable1.Item2 = 'x' AND (PathTable.PathID=MainTable.PathID) AND "
     "(MainTable.DataID1=DataTable1.DataID)"},
    {"SelectListIgnored", kNoTablesIni, "SELECT Foo, Bar FROM MainTable WHERE Marking = 1", S_OK,
     selected("MainTable, PathTable WHERE Marking = 1") + kFolderJoin},
    {"LowerCaseWhere", kNoTablesIni, "SELECT * FROM MainTable where Marking = 1", E_INVALIDARG, ""},
    {"LowerCaseFrom", kNoTablesIni, "SELECT * from MainTable WHERE Marking = 1", E_INVALIDARG, ""},
    {"NoSpaceAfterWhere", kNoTablesIni, "SELECT * FROM MainTable WHERE(Marking = 1)", E_INVALIDARG,
     ""},
    {"NoSpaceBeforeWhere", kNoTablesIni, "SELECT * FROM MainTable\tWHERE Marking = 1", E_INVALIDARG,
     ""},
    {"FromAfterWhere", kNoTablesIni, "SELECT * WHERE Marking = 1 FROM MainTable", E_INVALIDARG, ""},
    {"Empty", kNoTablesIni, "", E_INVALIDARG, ""},
    {"BothBaseTablesListed", kNoTablesIni,
     "SELECT * FROM PathTable, MainTable WHERE MainTable.Marking = 1", S_OK,
     selected("PathTable, MainTable WHERE MainTable.Marking = 1") + kFolderJoin},
    {"LongerNameCountsAsListed", kNoTablesIni, "SELECT * FROM MainTableX WHERE a = 1", S_OK,
     selected("MainTableX, PathTable WHERE a = 1") + kFolderJoin},
    {"OnlyPathTableListed", kNoTablesIni, "SELECT * FROM PathTable WHERE a = 1", S_OK,
     selected("PathTable, MainTable WHERE a = 1") + kFolderJoin},
    {"FolderJoinSpelling1", kNoTablesIni,
     "SELECT * FROM MainTable WHERE PathTable.PathID=MainTable.PathID", S_OK,
     selected("MainTable, PathTable WHERE PathTable.PathID=MainTable.PathID")},
    {"FolderJoinSpelling2", kNoTablesIni,
     "SELECT * FROM MainTable WHERE PathTable.PathID = MainTable.PathID", S_OK,
     selected("MainTable, PathTable WHERE PathTable.PathID = MainTable.PathID")},
    {"FolderJoinSpelling3", kNoTablesIni,
     "SELECT * FROM MainTable WHERE MainTable.PathID=PathTable.PathID", S_OK,
     selected("MainTable, PathTable WHERE MainTable.PathID=PathTable.PathID")},
    {"FolderJoinSpelling4", kNoTablesIni,
     "SELECT * FROM MainTable WHERE x = 1 AND MainTable.PathID = PathTable.PathID", S_OK,
     selected("MainTable, PathTable WHERE x = 1 AND MainTable.PathID = PathTable.PathID")},
    {"FolderJoinOtherSpacingAdded", kNoTablesIni,
     "SELECT * FROM MainTable WHERE PathTable.PathID =MainTable.PathID", S_OK,
     selected("MainTable, PathTable WHERE PathTable.PathID =MainTable.PathID") + kFolderJoin},
    {"MetaJoinSpelling1", kExifIni,
     "SELECT * FROM ExifInfo WHERE MainTable.DataID1=ExifInfo.DataID AND Make = \"C\"", S_OK,
     selected("ExifInfo, MainTable, PathTable WHERE MainTable.DataID1=ExifInfo.DataID AND "
              "Make = \"C\"") +
         kFolderJoin},
    {"MetaJoinSpelling2", kExifIni,
     "SELECT * FROM ExifInfo WHERE MainTable.DataID1 = ExifInfo.DataID", S_OK,
     selected("ExifInfo, MainTable, PathTable WHERE MainTable.DataID1 = ExifInfo.DataID") +
         kFolderJoin},
    {"MetaJoinSpelling3", kExifIni,
     "SELECT * FROM ExifInfo WHERE ExifInfo.DataID=MainTable.DataID1", S_OK,
     selected("ExifInfo, MainTable, PathTable WHERE ExifInfo.DataID=MainTable.DataID1") +
         kFolderJoin},
    {"MetaJoinSpelling4", kExifIni,
     "SELECT * FROM ExifInfo WHERE ExifInfo.DataID = MainTable.DataID1", S_OK,
     selected("ExifInfo, MainTable, PathTable WHERE ExifInfo.DataID = MainTable.DataID1") +
         kFolderJoin},
    {"MetaJoinOfOtherTableStillAdded", kExifIni,
     "SELECT * FROM ExifInfo, Caption WHERE ExifInfo.DataID = MainTable.DataID1", S_OK,
     selected("ExifInfo, Caption, MainTable, PathTable WHERE ExifInfo.DataID = "
              "MainTable.DataID1") +
         kFolderJoin + " AND (MainTable.DataID2=Caption.DataID)"},
    {"MetaJoinsInTableOrder", kExifIni, "SELECT * FROM Caption, ExifInfo WHERE Title = \"t\"", S_OK,
     selected("Caption, ExifInfo, MainTable, PathTable WHERE Title = \"t\"") + kFolderJoin +
         " AND (MainTable.DataID1=ExifInfo.DataID) AND (MainTable.DataID2=Caption.DataID)"},
    {"UnlistedMetaTableAddsNothing", kExifIni, "SELECT * FROM Caption WHERE Title = \"t\"", S_OK,
     selected("Caption, MainTable, PathTable WHERE Title = \"t\"") + kFolderJoin +
         " AND (MainTable.DataID2=Caption.DataID)"},
    {"DataTable1MatchedByDataTable10", kNumberedIni, "SELECT * FROM DataTable10 WHERE a = 1", S_OK,
     selected("DataTable10, MainTable, PathTable WHERE a = 1") + kFolderJoin +
         " AND (MainTable.DataID1=DataTable1.DataID)"},
    {"NoMetadataTablesConfigured", kNoTablesIni, "SELECT * FROM ExifInfo WHERE Make = \"C\"", S_OK,
     selected("ExifInfo, MainTable, PathTable WHERE Make = \"C\"") + kFolderJoin},
    {"ConditionAtLimit", kNoTablesIni, "SELECT * FROM MainTable WHERE " + std::string(1039, 'c'),
     S_OK, selected("MainTable, PathTable WHERE ") + std::string(1039, 'c') + kFolderJoin},
    {"ConditionOverLimit", kNoTablesIni, "SELECT * FROM MainTable WHERE " + std::string(1040, 'c'),
     E_INVALIDARG, ""},
    {"TableListAtLimit", kNoTablesIni,
     "SELECT * FROM MainTable, PathTable" + std::string(1039 - 20, 't') + " WHERE a", S_OK,
     selected("MainTable, PathTable" + std::string(1019, 't') + " WHERE a") + kFolderJoin},
    {"TableListOverLimit", kNoTablesIni,
     "SELECT * FROM MainTable, PathTable" + std::string(1040 - 20, 't') + " WHERE a", E_INVALIDARG,
     ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ComposeTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class ComposeLimitTest : public test::TempDirTest {};

/* Thousands of configured tables of one name, each listed and joined: the composed text
 * outgrows one statement and is refused rather than cut. */
TEST_F(ComposeLimitTest, ComposedTextOverLimitIsRefused)
{
    std::string ini;
    for (int k = 1; k <= 4500; ++k) {
        ini += "[DataTable" + std::to_string(k) + "]\nTableName=A\n";
    }
    writeIni(ini);
    std::string composed;
    EXPECT_EQ(query::kaComposeQuery("SELECT * FROM A WHERE x = 1", composed), E_INVALIDARG);
    EXPECT_TRUE(composed.empty());
}

/* A join text is held like a configuration value: a table name too long for it is refused. */
TEST_F(ComposeLimitTest, JoinTextOverLimitIsRefused)
{
    for (std::size_t length : {100u, 101u}) {
        std::string table = "T" + std::string(length - 1, 'n');
        writeIni("[DataTable1]\nTableName=" + table + "\n");
        std::string composed;
        std::string statement = "SELECT * FROM " + table + " WHERE a = 1";
        // The longest spelling, name + ".DataID = MainTable.DataID1", holds 127 characters
        // for a 100-character name.
        EXPECT_EQ(query::kaComposeQuery(statement.c_str(), composed),
                  length == 100 ? S_OK : E_INVALIDARG)
            << length;
    }
}

/* A null statement is refused like an empty one. */
TEST_F(ComposeLimitTest, NullStatementIsRefused)
{
    std::string composed;
    EXPECT_EQ(query::kaComposeQuery(nullptr, composed), E_INVALIDARG);
}

} // namespace
} // namespace kavdb
