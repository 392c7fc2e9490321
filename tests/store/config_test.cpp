/*
 * The profile reader and the configuration look-ups over kadb.ini.
 */
#include "store/config.h"
#include "support/fixture.h"

#include <fstream>

namespace kavdb::store {
namespace {

class ProfileReaderTest : public test::TempDirTest {
protected:
    std::string write(const std::string& text)
    {
        std::string path = dir_ + "/p.ini";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

TEST_F(ProfileReaderTest, FollowsThePrivateProfileRules)
{
    std::string ini = write("; comment\n"
                            "[Alpha]\n"
                            "Key =  value with spaces  \r\n"
                            "quoted=\"  kept inside  \"\n"
                            "single='x'\n"
                            "dup=first\n"
                            "dup=second\n"
                            ";hidden=1\n"
                            "[alpha]\n"
                            "late=yes\n"
                            "[Beta]\n"
                            "key=beta\n");
    struct Case {
        const char* section;
        const char* key;
        std::size_t size;
        const char* expected;
    } cases[] = {
        {"Alpha", "Key", 128, "value with spaces"},
        {"ALPHA", "KEY", 128, "value with spaces"}, // names ignore case
        {"Alpha", "quoted", 128, "  kept inside  "},
        {"Alpha", "single", 128, "x"},
        {"Alpha", "dup", 128, "first"}, // first match wins
        {"Alpha", "hidden", 128, ""},
        {"Alpha", "late", 128, "yes"},
        {"Beta", "key", 128, "beta"},
        {"Alpha", "Key", 6, "value"}, // cut to the buffer size minus one
        {"Gamma", "key", 128, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetProfileString(c.section, c.key, c.size, ini), c.expected)
            << c.section << "/" << c.key;
    }
}

TEST_F(ProfileReaderTest, RereadsTheFileWhenItChanges)
{
    std::string ini = write("[S]\nk=one\n");
    EXPECT_EQ(GetProfileString("S", "k", 128, ini), "one");
    write("[S]\nk=two, longer\n");
    EXPECT_EQ(GetProfileString("S", "k", 128, ini), "two, longer");
}

TEST_F(ProfileReaderTest, OneCallReadsTheFileAsItWasAtItsFirstRead)
{
    std::string ini = write("[S]\nk=one\n");
    {
        ConfigCallScope call;
        EXPECT_EQ(GetProfileString("S", "k", 128, ini), "one");
        write("[S]\nk=two, longer\n");
        {
            ConfigCallScope nested;
            EXPECT_EQ(GetProfileString("S", "k", 128, ini), "one");
        }
        EXPECT_EQ(GetProfileString("S", "k", 128, ini), "one");
    }
    EXPECT_EQ(GetProfileString("S", "k", 128, ini), "two, longer");
    {
        ConfigCallScope next;
        EXPECT_EQ(GetProfileString("S", "k", 128, ini), "two, longer");
    }
}

TEST_F(ProfileReaderTest, MissingFileReadsEmpty)
{
    EXPECT_EQ(GetProfileString("S", "k", 128, dir_ + "/none.ini"), "");
}

TEST(ItemSpecTest, CommasDecideWhatAnItemGives)
{
    struct Case {
        const char* value;
        bool first, second, third;
        const char* name;
        int kind, size;
    } cases[] = {
        {"Title,0,64,", true, true, true, "Title", 0, 64},
        {"ISO,1,", true, true, false, "ISO", 1, 0},
        {"Bad,0", true, false, false, "Bad", 0, 0},
        {"Name", false, false, false, "Name", 0, 0},
        {"Blob,2,1024,", true, true, true, "Blob", 2, 1024},
    };
    for (const auto& c : cases) {
        ItemSpec s = parseItem(c.value);
        EXPECT_EQ(s.name, c.name) << c.value;
        EXPECT_EQ(s.hasFirstComma, c.first) << c.value;
        EXPECT_EQ(s.hasSecondComma, c.second) << c.value;
        EXPECT_EQ(s.hasThirdComma, c.third) << c.value;
        EXPECT_EQ(s.kind, c.kind) << c.value;
        EXPECT_EQ(s.size, c.size) << c.value;
    }
}

using ConfigTest = test::TempDirTest;

TEST_F(ConfigTest, PathsComeFromTheConfigurationDirectory)
{
    std::string ini, dat;
    ASSERT_EQ(kaGetIniPath(ini), S_OK);
    ASSERT_EQ(kaGetDatPath(dat), S_OK);
    EXPECT_EQ(ini, dir_ + "/kadb.ini");
    EXPECT_EQ(dat, dir_ + "/kadb.dat");
}

TEST_F(ConfigTest, TableLookUps)
{
    int32_t count = 0;
    ASSERT_EQ(kaCountDataTables(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(kaCountDataTables(nullptr), E_INVALIDARG);

    std::string link;
    EXPECT_EQ(kaGetLinkColumn("Caption", link), S_OK);
    EXPECT_EQ(link, "DataID2");
    EXPECT_EQ(kaGetLinkColumn("caption", link), E_FAIL); // case-sensitive
    EXPECT_EQ(kaGetLinkColumn("", link), E_INVALIDARG);

    std::string name;
    EXPECT_EQ(kaGetTableName(name, 3), S_OK);
    EXPECT_EQ(name, "People");
    EXPECT_EQ(kaGetTableName(name, 4), E_FAIL);
    EXPECT_EQ(kaGetTableName(name, 0), E_INVALIDARG);

    std::vector<std::string> items;
    ASSERT_EQ(kaGetItemNames("ExifInfo", items), S_OK);
    EXPECT_EQ(items, (std::vector<std::string>{"Make", "Model", "ISO", "Preview"}));
    EXPECT_EQ(kaGetItemNames("Nope", items), E_FAIL);
}

TEST_F(ConfigTest, ItemNamesStopAtAValueWithoutComma)
{
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0,8,\nItem2=B\nItem3=C,0,8,\n");
    std::vector<std::string> items;
    ASSERT_EQ(kaGetItemNames("T", items), S_OK);
    EXPECT_EQ(items, std::vector<std::string>{"A"});
}

TEST_F(ConfigTest, NoConfigurationMeansNoTables)
{
    writeIni("");
    int32_t count = -1;
    ASSERT_EQ(kaCountDataTables(&count), S_OK);
    EXPECT_EQ(count, 0);
    std::vector<ConfiguredItem> all;
    ASSERT_EQ(configuredItems(all), S_OK);
    EXPECT_TRUE(all.empty());
}

TEST_F(ConfigTest, ConfiguredItemsRunTableByTable)
{
    std::vector<ConfiguredItem> all;
    ASSERT_EQ(configuredItems(all), S_OK);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[0].table, 1);
    EXPECT_EQ(all[4].tableName, "Caption");
    EXPECT_EQ(all[6].value, "Name,0,64,");
}

} // namespace
} // namespace kavdb::store
