/*
 * The number kind (kind 3 in kadb.ini): a REAL column whose values travel as MetaTags of
 * Type 3 holding a double, compared as numbers, matched exactly when rows are shared,
 * read back whole, by position and partially. A catalogue whose column was made as text
 * keeps working when its configuration later says number.
 */
#include "store/schema_ext.h"
#include "support/metadata_fixture.h"

#include <cstring>

namespace kavdb {
namespace {

using test::makeMeta;
using test::numberTag;
using test::tagNumber;
using test::tagText;

const std::string kA = "/p/a.jpg";
const std::string kB = "/p/b.jpg";
const std::string kC = "/p/c.jpg";

const char* const kNumberIni = "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\n"
                               "Item2=FNumber,3,\nItem3=GPSLatitude,3,\n";

class NumberKindTest : public test::MetadataTest {
  protected:
    const char* iniText() const override { return kNumberIni; }

    void SetUp() override
    {
        MetadataTest::SetUp();
        for (const std::string& path : {kA, kB, kC}) {
            ASSERT_EQ(registerFile(path), S_OK);
        }
    }
    static MetaData exif(double fnumber, const char* table = "ExifInfo")
    {
        MetaData m = makeMeta(table, {});
        m.Tags.push_back(numberTag("FNumber", fnumber));
        return m;
    }
    /* The one tag of that name ReadData gives for the file; Type 99 when there is none. */
    MetaTag readBack(const std::string& path, const char* name)
    {
        MetaDataList list;
        EXPECT_EQ(KaAVDBReadData(db_, path.c_str(), &list), S_OK);
        MetaTag found{};
        found.Type = 99;
        for (const MetaData& m : list) {
            for (const MetaTag& t : m.Tags) {
                if (std::strcmp(t.Name, name) == 0) {
                    found = t;
                    found.Data = nullptr;
                    value_ = tagNumber(t);
                    text_ = tagText(t);
                }
            }
        }
        if (!list.empty()) {
            FreeMetaDataList(&list);
        }
        return found;
    }
    double value_ = 0;
    std::string text_;
};

TEST_F(NumberKindTest, NumbersRoundTripAsEightByteDoubles)
{
    MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}});
    m.Tags.push_back(numberTag("FNumber", 7.1));
    m.Tags.push_back(numberTag("GPSLatitude", -33.868820));
    ASSERT_EQ(write(kA, m), S_OK);

    MetaTag fnumber = readBack(kA, "FNumber");
    EXPECT_EQ(fnumber.Type, 3u);
    EXPECT_EQ(fnumber.Size, 8u);
    EXPECT_EQ(value_, 7.1);
    EXPECT_EQ(readBack(kA, "GPSLatitude").Type, 3u);
    EXPECT_EQ(value_, -33.868820);
}

TEST_F(NumberKindTest, NumbersCompareAsNumbers)
{
    ASSERT_EQ(write(kA, exif(5.6)), S_OK);
    ASSERT_EQ(write(kB, exif(11)), S_OK);
    ASSERT_EQ(write(kC, exif(22)), S_OK);
    // As texts, "11" and "22" would sort before "5.6".
    EXPECT_EQ(rows("SELECT * FROM ExifInfo WHERE FNumber > 8"), 2);
    EXPECT_EQ(rows("SELECT * FROM ExifInfo WHERE FNumber < 6"), 1);
}

TEST_F(NumberKindTest, RowsAreSharedOnlyByTheVerySameNumber)
{
    ASSERT_EQ(write(kA, exif(0.1 + 0.2)), S_OK);
    ASSERT_EQ(write(kB, exif(0.1 + 0.2)), S_OK);
    ASSERT_EQ(write(kC, exif(0.3)), S_OK);
    EXPECT_EQ(link(kA, 1), link(kB, 1));
    EXPECT_NE(link(kA, 1), link(kC, 1));
    EXPECT_EQ(tableRows("ExifInfo"), 2);

    ASSERT_EQ(write(kA, exif(0.3)), S_OK); // moves onto c's row; its own row stays b's
    EXPECT_EQ(link(kA, 1), link(kC, 1));
    EXPECT_EQ(tableRows("ExifInfo"), 2);
}

TEST_F(NumberKindTest, RegistrationWithNumbersFindsTheEqualRow)
{
    for (const std::string& path : {std::string("/q/x.jpg"), std::string("/q/y.jpg")}) {
        MetaDataList list{exif(2.8)};
        EXPECT_EQ(KaAVDBRegisterFile(db_, path.c_str(), &list, nullptr), S_OK);
        test::releaseTestTags(list);
    }
    EXPECT_EQ(link("/q/x.jpg", 1), link("/q/y.jpg", 1));
    EXPECT_EQ(rows("SELECT * FROM ExifInfo WHERE FNumber = 2.8"), 1);
}

TEST_F(NumberKindTest, PartialAndPositionalReadsGiveTheNumber)
{
    ASSERT_EQ(write(kA, exif(4.5)), S_OK);
    int32_t size = -1;
    void* data = nullptr;
    ASSERT_EQ(KaAVDBReadFilePartially(db_, kA.c_str(), "ExifInfo", "FNumber", 3, &size, &data),
              S_OK);
    EXPECT_EQ(size, 8);
    double value = 0;
    std::memcpy(&value, data, 8);
    EXPECT_EQ(value, 4.5);
    FreeBuffer(data);
    EXPECT_EQ(KaAVDBReadFilePartially(db_, kA.c_str(), "ExifInfo", "FNumber", 0, &size, &data),
              E_FAIL); // a number is not asked for as text

    MetaTagList tags;
    ASSERT_EQ(KaAVDBGetReadTableData(db_, 1, "ExifInfo", &tags), S_OK);
    ASSERT_EQ(tags.size(), 1u); // Make and GPSLatitude are Null
    EXPECT_EQ(tags.front().Type, 3u);
    EXPECT_EQ(tagNumber(tags.front()), 4.5);
    FreeMetaTagList(&tags);

    int32_t type = -1;
    char table[128] = {};
    char item[128] = {};
    ASSERT_EQ(KaAVDBGetData(2, table, item, &type, &size), S_OK);
    EXPECT_STREQ(item, "FNumber");
    EXPECT_EQ(type, 3);
}

TEST_F(NumberKindTest, ATableAddedLaterGetsNumberColumnsToo)
{
    writeIni(std::string(kNumberIni) + "[DataTable2]\nTableName=Light\nItem1=Lux,3,\n");
    ASSERT_EQ(store::kaAddDataTableBySql(db_, 2), S_OK);
    for (const auto& [path, lux] : {std::pair{kA, 900.0}, std::pair{kB, 80.5}}) {
        MetaData m = makeMeta("Light", {});
        m.Tags.push_back(numberTag("Lux", lux));
        ASSERT_EQ(write(path, m), S_OK);
    }
    EXPECT_EQ(rows("SELECT * FROM Light WHERE Lux > 100"), 1);
    EXPECT_EQ(readBack(kB, "Lux").Type, 3u);
    EXPECT_EQ(value_, 80.5);
}

class OlderCatalogueTest : public NumberKindTest {
  protected:
    // The catalogue was made when FNumber was a text item.
    const char* iniText() const override
    {
        return "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\nItem2=FNumber,0,16,\n"
               "Item3=GPSLatitude,0,32,\n";
    }
};

TEST_F(OlderCatalogueTest, ATextColumnTakesNumbersAsTheirText)
{
    writeIni(kNumberIni);
    ASSERT_EQ(write(kA, exif(1.8)), S_OK);
    ASSERT_EQ(write(kB, exif(1.8)), S_OK);
    EXPECT_EQ(link(kA, 1), link(kB, 1));
    EXPECT_EQ(readBack(kA, "FNumber").Type, 0u);
    EXPECT_EQ(text_, "1.8");
}

} // namespace
} // namespace kavdb
