/*
 * Metadata operations: writing and reading a file's metadata with shared rows, partial
 * reads, the configured item descriptions, and metadata tables read by row position.
 */
#include "support/metadata_fixture.h"

#include <cstring>

namespace kavdb {
namespace {

using test::intTag;
using test::makeMeta;
using test::tagInt;
using test::tagText;
using test::textTag;

constexpr int kExif = 1;
constexpr int kCaption = 2;
const std::string kA = "/p/a.jpg";
const std::string kB = "/p/b.jpg";

class WriteReadTest : public test::MetadataTest {
  protected:
    void SetUp() override
    {
        MetadataTest::SetUp();
        ASSERT_EQ(registerFile(kA), S_OK);
        ASSERT_EQ(registerFile(kB), S_OK);
    }
    MetaData exif(const char* make, const char* model = nullptr)
    {
        MetaData m = makeMeta("ExifInfo", {{"Make", make}});
        if (model != nullptr) {
            m.Tags.push_back(textTag("Model", model));
        }
        return m;
    }
    /* ReadData into a fresh list; the caller releases it. */
    MetaDataList read(const std::string& path)
    {
        MetaDataList list;
        EXPECT_EQ(KaAVDBReadData(db_, path.c_str(), &list), S_OK);
        return list;
    }
};

TEST_F(WriteReadTest, RoundTripsTextIntegerAndBinaryItems)
{
    MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}, {"Model", "EOS"}}, {{"ISO", 400}});
    const std::vector<uint8_t> preview = {1, 0, 2, 255};
    m.Tags.push_back(test::binTag("Preview", preview));
    ASSERT_EQ(write(kA, m), S_OK);

    MetaDataList list = read(kA);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list.front().TableName, "ExifInfo");
    std::vector<MetaTag> tags(list.front().Tags.begin(), list.front().Tags.end());
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_STREQ(tags[0].Name, "Make");
    EXPECT_EQ(tagText(tags[0]), "Canon");
    EXPECT_EQ(tags[0].Size, 6u);
    EXPECT_EQ(tagText(tags[1]), "EOS");
    EXPECT_EQ(tags[2].Type, 1u);
    EXPECT_EQ(tags[2].Size, 4u);
    EXPECT_EQ(tagInt(tags[2]), 400);
    EXPECT_EQ(tags[3].Type, 2u);
    ASSERT_EQ(tags[3].Size, preview.size());
    EXPECT_EQ(std::memcmp(tags[3].Data, preview.data(), preview.size()), 0);
    EXPECT_EQ(FreeMetaDataList(&list), S_OK);
}

/* Size describes what the library hands out; a caller's short Size never cuts a text. */
TEST_F(WriteReadTest, ATextIsStoredWholeWhateverItsSize)
{
    MetaData shortSize = exif("Holiday in Rome");
    shortSize.Tags.front().Size = 4;
    ASSERT_EQ(write(kA, shortSize), S_OK);
    ASSERT_EQ(write(kB, exif("Holiday in Rome")), S_OK);
    MetaDataList list = read(kA);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(tagText(list.front().Tags.front()), "Holiday in Rome");
    EXPECT_EQ(link(kA, kExif), link(kB, kExif));
    FreeMetaDataList(&list);
}

/* Writing merges the tags over the file's row and then looks for an equal row, in which
 * binary items take no part: a file whose tuple differs from a stored row only in a
 * binary item joins that row, and the binary value it brought is not stored. */
TEST_F(WriteReadTest, BinaryItemsTakeNoPartInTheMatchOfAWriteSoTheirValueJoinsAnEqualRow)
{
    const std::vector<uint8_t> first = {7};
    const std::vector<uint8_t> second = {'a', 0, '"', '\'', 0, 'b', 'c'};
    MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}});
    m.Tags.push_back(test::binTag("Preview", first));
    ASSERT_EQ(write(kA, m), S_OK);
    m = makeMeta("ExifInfo", {{"Make", "Canon"}});
    m.Tags.push_back(test::binTag("Preview", second));
    ASSERT_EQ(write(kB, m), S_OK);
    EXPECT_EQ(link(kA, kExif), link(kB, kExif));
    MetaDataList list = read(kB);
    ASSERT_EQ(list.size(), 1u);
    const MetaTag& preview = list.front().Tags.back();
    ASSERT_EQ(preview.Size, first.size());
    EXPECT_EQ(std::memcmp(preview.Data, first.data(), first.size()), 0);
    FreeMetaDataList(&list);
    // With nothing equal to join, the value is stored whole, whatever its size.
    const std::vector<uint8_t> big(100000, 9);
    m = makeMeta("ExifInfo", {{"Make", "Nikon"}});
    m.Tags.push_back(test::binTag("Preview", big));
    ASSERT_EQ(write(kB, m), S_OK);
    list = read(kB);
    EXPECT_EQ(list.front().Tags.back().Size, big.size());
    FreeMetaDataList(&list);
}

TEST_F(WriteReadTest, ReadsHighestTableFirstAndAppends)
{
    ASSERT_EQ(
        write(kA, {makeMeta("ExifInfo", {{"Make", "Canon"}}),
                   makeMeta("Caption", {{"Title", "Sea"}}), makeMeta("People", {{"Name", "Ann"}})}),
        S_OK);
    MetaDataList list;
    list.push_back(makeMeta("Kept", {}));
    ASSERT_EQ(KaAVDBReadData(db_, kA.c_str(), &list), S_OK);
    std::vector<std::string> order;
    for (const auto& m : list) {
        order.push_back(m.TableName);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Kept", "People", "Caption", "ExifInfo"}));
    FreeMetaDataList(&list);
}

TEST_F(WriteReadTest, ReadWithoutMetadataOrWithoutFile)
{
    MetaDataList list;
    EXPECT_EQ(KaAVDBReadData(db_, kA.c_str(), &list), S_OK);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(KaAVDBReadData(db_, "/p/none.jpg", &list), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadData(db_, "", &list), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadData(db_, kA.c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadData(nullptr, kA.c_str(), &list), E_INVALIDARG);
}

TEST_F(WriteReadTest, EqualTagsShareOneRow)
{
    ASSERT_EQ(write(kA, exif("Canon")), S_OK);
    ASSERT_EQ(write(kB, exif("Canon")), S_OK);
    EXPECT_NE(link(kA, kExif), 0);
    EXPECT_EQ(link(kA, kExif), link(kB, kExif));
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(WriteReadTest, NewTagsForOneFileLeaveTheSharedRowToTheOther)
{
    ASSERT_EQ(write(kA, exif("Canon", "EOS")), S_OK);
    ASSERT_EQ(write(kB, exif("Canon", "EOS")), S_OK);
    const int32_t shared = link(kB, kExif);
    ASSERT_EQ(write(kA, exif("Nikon")), S_OK);
    EXPECT_EQ(link(kB, kExif), shared);
    EXPECT_NE(link(kA, kExif), shared);
    EXPECT_EQ(item("ExifInfo", shared, "Make").asText(), "Canon");
    EXPECT_EQ(item("ExifInfo", link(kA, kExif), "Make").asText(), "Nikon");
    // Items the new tags leave out keep the values the file had.
    EXPECT_EQ(item("ExifInfo", link(kA, kExif), "Model").asText(), "EOS");
    EXPECT_EQ(tableRows("ExifInfo"), 2);
}

TEST_F(WriteReadTest, ChangedUnsharedRowIsReplacedAndDeleted)
{
    ASSERT_EQ(write(kA, exif("Canon")), S_OK);
    const int32_t old = link(kA, kExif);
    ASSERT_EQ(write(kA, exif("Nikon")), S_OK);
    EXPECT_NE(link(kA, kExif), old);
    EXPECT_FALSE(rowExists("ExifInfo", old));
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(WriteReadTest, ChangedUnsharedRowMovesToAnEqualExistingRow)
{
    ASSERT_EQ(write(kA, exif("Canon")), S_OK);
    ASSERT_EQ(write(kB, exif("Nikon")), S_OK);
    ASSERT_EQ(write(kA, exif("Nikon")), S_OK);
    EXPECT_EQ(link(kA, kExif), link(kB, kExif));
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(WriteReadTest, ItemsNotMentionedKeepTheirValues)
{
    ASSERT_EQ(
        write(kA, makeMeta("ExifInfo", {{"Make", "Canon"}, {"Model", "EOS"}}, {{"ISO", 100}})),
        S_OK);
    ASSERT_EQ(write(kA, makeMeta("ExifInfo", {}, {{"ISO", 200}})), S_OK);
    const int32_t id = link(kA, kExif);
    EXPECT_EQ(item("ExifInfo", id, "Make").asText(), "Canon");
    EXPECT_EQ(item("ExifInfo", id, "Model").asText(), "EOS");
    EXPECT_EQ(item("ExifInfo", id, "ISO").asInt(), 200);
}

TEST_F(WriteReadTest, WritingTheSameMetaDataTwiceKeepsTheRow)
{
    ASSERT_EQ(write(kA, exif("Canon", "EOS")), S_OK);
    const int32_t id = link(kA, kExif);
    ASSERT_EQ(write(kA, exif("Canon", "EOS")), S_OK);
    EXPECT_EQ(link(kA, kExif), id);
    EXPECT_TRUE(rowExists("ExifInfo", id));
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(WriteReadTest, TagThatDoesNotConvertLeavesTheRowAsItWas)
{
    ASSERT_EQ(write(kA, exif("Canon")), S_OK);
    const int32_t id = link(kA, kExif);
    MetaData m = exif("Nikon");
    m.Tags.push_back(test::binTag("Preview", {})); // a binary value needs at least one byte
    EXPECT_EQ(write(kA, m), E_INVALIDARG);
    EXPECT_EQ(link(kA, kExif), id);
    EXPECT_EQ(item("ExifInfo", id, "Make").asText(), "Canon");
    EXPECT_EQ(tableRows("ExifInfo"), 1);
}

TEST_F(WriteReadTest, ValueHoldingAQuoteIsMatchedLikeAnyOther)
{
    ASSERT_EQ(write(kA, makeMeta("Caption", {{"Title", "say \"hi\""}})), S_OK);
    ASSERT_EQ(write(kB, makeMeta("Caption", {{"Title", "say \"hi\""}})), S_OK);
    EXPECT_EQ(link(kA, kCaption), link(kB, kCaption));
    EXPECT_EQ(tableRows("Caption"), 1);
    MetaDataList list = read(kB);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(tagText(list.front().Tags.front()), "say \"hi\"");
    FreeMetaDataList(&list);
}

TEST_F(WriteReadTest, WriteRefusesAndStops)
{
    EXPECT_EQ(write("/p/none.jpg", exif("Canon")), E_FAIL);            // not registered
    EXPECT_EQ(write("/q/none.jpg", exif("Canon")), KAVDB_E_NOT_FOUND); // folder not catalogued
    EXPECT_EQ(write("/p/folder", exif("Canon")), E_INVALIDARG);
    MetaDataList list;
    EXPECT_EQ(KaAVDBWriteData(nullptr, kA.c_str(), &list), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteData(db_, kA.c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteData(db_, kA.c_str(), &list), S_OK);
    test::releaseTestTags(list);
    EXPECT_EQ(tableRows("ExifInfo"), 0);

    // An unconfigured table ends the call there; what came before stays.
    EXPECT_EQ(write(kA, {makeMeta("Caption", {{"Title", "T"}}), makeMeta("Nope", {{"X", "x"}}),
                         makeMeta("People", {{"Name", "Ann"}})}),
              E_FAIL);
    EXPECT_NE(link(kA, kCaption), 0);
    EXPECT_EQ(link(kA, 3), 0);
}

class PartialReadTest : public WriteReadTest {
  protected:
    void SetUp() override
    {
        WriteReadTest::SetUp();
        MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}}, {{"ISO", 800}});
        m.Tags.push_back(test::binTag("Preview", {9, 0, 7}));
        ASSERT_EQ(write(kA, {m, makeMeta("Caption", {{"Title", "Sea"}})}), S_OK);
    }
    HRESULT partial(const char* table, const char* item, int32_t type)
    {
        size_ = -1;
        data_ = nullptr;
        return KaAVDBReadFilePartially(db_, kA.c_str(), table, item, type, &size_, &data_);
    }
    void TearDown() override
    {
        if (data_ != nullptr) {
            FreeBuffer(data_);
        }
        WriteReadTest::TearDown();
    }
    int32_t size_ = -1;
    void* data_ = nullptr;
};

TEST_F(PartialReadTest, ReadsTextIntegerAndBinary)
{
    ASSERT_EQ(partial("ExifInfo", "Make", 0), S_OK);
    EXPECT_EQ(size_, 6);
    EXPECT_STREQ(static_cast<const char*>(data_), "Canon");
    EXPECT_EQ(FreeBuffer(data_), S_OK);

    ASSERT_EQ(partial("ExifInfo", "ISO", 1), S_OK);
    EXPECT_EQ(size_, 4);
    EXPECT_EQ(*static_cast<const int32_t*>(data_), 800);
    EXPECT_EQ(FreeBuffer(data_), S_OK);

    ASSERT_EQ(partial("ExifInfo", "Preview", 2), S_OK);
    ASSERT_EQ(size_, 3);
    const uint8_t expected[] = {9, 0, 7};
    EXPECT_EQ(std::memcmp(data_, expected, 3), 0);
    EXPECT_EQ(FreeBuffer(data_), S_OK);

    ASSERT_EQ(partial("Caption", "Title", 0), S_OK);
    EXPECT_STREQ(static_cast<const char*>(data_), "Sea");
}

TEST_F(PartialReadTest, MismatchesAndMissingItems)
{
    EXPECT_EQ(partial("ExifInfo", "ISO", 0), E_FAIL);   // an integer asked as text
    EXPECT_EQ(partial("ExifInfo", "Model", 0), E_FAIL); // Null item: no tag
    EXPECT_EQ(partial("People", "Name", 0), E_FAIL);    // table not linked
    EXPECT_EQ(partial("exifinfo", "Make", 0), E_FAIL);  // table names are case-sensitive
    EXPECT_EQ(data_, nullptr);
    EXPECT_EQ(KaAVDBReadFilePartially(db_, "/p/none.jpg", "ExifInfo", "Make", 0, &size_, &data_),
              KAVDB_E_NOT_FOUND);
}

TEST_F(PartialReadTest, RefusesBadArguments)
{
    EXPECT_EQ(partial("", "Make", 0), E_INVALIDARG);
    EXPECT_EQ(partial("ExifInfo", "", 0), E_INVALIDARG);
    EXPECT_EQ(partial("ExifInfo", "Make", -1), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadFilePartially(db_, "/p/dir", "ExifInfo", "Make", 0, &size_, &data_),
              E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadFilePartially(db_, kA.c_str(), "ExifInfo", "Make", 0, nullptr, &data_),
              E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadFilePartially(db_, kA.c_str(), "ExifInfo", "Make", 0, &size_, nullptr),
              E_INVALIDARG);
}

/* Item descriptions: the test configuration holds 4 + 2 + 1 items. */
class ItemDescriptionTest : public test::TempDirTest {};

TEST_F(ItemDescriptionTest, CountsItems)
{
    int32_t n = 0;
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), S_OK);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(KaAVDBGetDataTotalNum(nullptr), E_INVALIDARG);
    struct Case {
        const char* table;
        HRESULT hr;
        int32_t count;
    } cases[] = {{"ExifInfo", S_OK, 4},   {"Caption", S_OK, 2}, {"People", S_OK, 1},
                 {"exifinfo", E_FAIL, 0}, {"Nope", E_FAIL, 0},  {"", E_INVALIDARG, -1}};
    for (const auto& c : cases) {
        n = -1;
        EXPECT_EQ(KaAVDBGetDataNum(c.table, &n), c.hr) << c.table;
        if (c.hr != E_INVALIDARG) {
            EXPECT_EQ(n, c.count) << c.table;
        }
    }
}

TEST_F(ItemDescriptionTest, DescribesEachItemInRunningOrder)
{
    struct Case {
        int32_t index;
        HRESULT hr;
        const char* table;
        const char* item;
        int32_t type;
        int32_t size; // -7: left untouched
    } cases[] = {{1, S_OK, "ExifInfo", "Make", 0, 64},      {3, S_OK, "ExifInfo", "ISO", 1, -7},
                 {4, S_OK, "ExifInfo", "Preview", 2, 1024}, {5, S_OK, "Caption", "Title", 0, 128},
                 {7, S_OK, "People", "Name", 0, 64},        {8, E_FAIL, "", "", -7, -7},
                 {0, E_INVALIDARG, "", "", -7, -7}};
    for (const auto& c : cases) {
        char table[128] = "", item[128] = "";
        int32_t type = -7, size = -7;
        EXPECT_EQ(KaAVDBGetData(c.index, table, item, &type, &size), c.hr) << c.index;
        EXPECT_STREQ(table, c.table) << c.index;
        EXPECT_STREQ(item, c.item) << c.index;
        EXPECT_EQ(type, c.type) << c.index;
        EXPECT_EQ(size, c.size) << c.index;
    }
    char text[128];
    int32_t v = 0;
    EXPECT_EQ(KaAVDBGetData(1, nullptr, text, &v, &v), E_INVALIDARG);
}

TEST_F(ItemDescriptionTest, IncompleteItemValues)
{
    writeIni("[DataTable1]\nTableName=T\nItem1=A,0,\nItem2=B\nItem3=C,1,\n");
    char table[128] = "", item[128] = "";
    int32_t type = -7, size = -7;
    EXPECT_EQ(KaAVDBGetData(1, table, item, &type, &size), E_FAIL); // text without a size
    EXPECT_STREQ(item, "A");
    EXPECT_EQ(type, 0);
    EXPECT_EQ(size, -7);
    item[0] = '\0';
    EXPECT_EQ(KaAVDBGetData(2, table, item, &type, &size), E_FAIL); // no comma at all
    EXPECT_STREQ(item, "");
    EXPECT_EQ(KaAVDBGetData(3, table, item, &type, &size), S_OK);
    EXPECT_EQ(type, 1);
    int32_t n = 0;
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), S_OK);
    EXPECT_EQ(n, 3);

    writeIni("[Common]\nlevel=3\n");
    EXPECT_EQ(KaAVDBGetDataTotalNum(&n), E_FAIL);
}

class TableRowsTest : public WriteReadTest {
  protected:
    void SetUp() override
    {
        WriteReadTest::SetUp();
        for (const char* title : {"one", "two", "three"}) {
            std::string path = std::string("/p/") + title + ".jpg";
            ASSERT_EQ(registerFile(path), S_OK);
            ASSERT_EQ(write(path, makeMeta("Caption", {{"Title", title}}, {{"Rating", 1}})), S_OK);
        }
    }
    static std::string titleOf(const MetaTagList& tags) { return tagText(tags.front()); }
};

TEST_F(TableRowsTest, CountsRows)
{
    int32_t n = -1;
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "Caption", &n), S_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "People", &n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "", &n), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "NoSuchTable", &n), HRESULT(0x80040E37));
    EXPECT_FALSE(errors().empty());
}

TEST_F(TableRowsTest, ReadsOneRowByPosition)
{
    struct Case {
        int32_t position;
        HRESULT hr;
        const char* title;
    } cases[] = {{1, S_OK, "one"},
                 {3, S_OK, "three"},
                 {4, KAVDB_E_OUT_OF_RANGE, nullptr},
                 {0, E_INVALIDARG, nullptr}};
    for (const auto& c : cases) {
        MetaTagList tags;
        EXPECT_EQ(KaAVDBGetReadTableData(db_, c.position, "Caption", &tags), c.hr) << c.position;
        if (c.title != nullptr) {
            ASSERT_EQ(tags.size(), 2u);
            EXPECT_EQ(titleOf(tags), c.title);
            EXPECT_EQ(tagInt(tags.back()), 1);
        } else {
            EXPECT_TRUE(tags.empty());
        }
        FreeMetaTagList(&tags);
    }
    MetaTagList tags;
    EXPECT_EQ(KaAVDBGetReadTableData(db_, 1, "People", &tags), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBGetReadTableData(db_, 1, "Nope", &tags), E_FAIL);
}

TEST_F(TableRowsTest, ReadsARangeOfRows)
{
    MetaIdxDataList rows;
    ASSERT_EQ(KaAVDBGetReadTableDataEx(db_, 2, 3, "Caption", &rows), S_OK);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.front().Index, 2);
    EXPECT_EQ(titleOf(rows.front().Tags), "two");
    EXPECT_EQ(rows.back().Index, 3);
    EXPECT_EQ(titleOf(rows.back().Tags), "three");
    ASSERT_EQ(KaAVDBGetReadTableDataEx(db_, 1, 1, "Caption", &rows), S_OK);
    EXPECT_EQ(rows.size(), 3u); // appended
    EXPECT_EQ(titleOf(rows.back().Tags), "one");
    FreeMetaIdxDataList(&rows);
}

TEST_F(TableRowsTest, RangeRules)
{
    struct Case {
        int32_t first, last;
        const char* table;
        HRESULT hr;
    } cases[] = {{1, 4, "Caption", KAVDB_E_OUT_OF_RANGE},
                 {0, 2, "Caption", KAVDB_E_OUT_OF_RANGE},
                 {3, 2, "Caption", E_INVALIDARG},
                 {1, 1, "People", KAVDB_E_NOT_FOUND},
                 {1, 1, "Nope", E_FAIL}};
    for (const auto& c : cases) {
        MetaIdxDataList rows;
        EXPECT_EQ(KaAVDBGetReadTableDataEx(db_, c.first, c.last, c.table, &rows), c.hr)
            << c.first << ".." << c.last << " " << c.table;
        EXPECT_TRUE(rows.empty());
    }
    MetaIdxDataList rows;
    EXPECT_EQ(KaAVDBGetReadTableDataEx(nullptr, 1, 1, "Caption", &rows), E_INVALIDARG);
    EXPECT_EQ(KaAVDBGetReadTableDataEx(db_, 1, 1, "Caption", nullptr), E_INVALIDARG);
}

} // namespace
} // namespace kavdb
