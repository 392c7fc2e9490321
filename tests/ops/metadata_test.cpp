/*
 * Metadata operations: writing and reading a file's metadata with shared rows, partial
 * reads, metadata tables read by row position, and the number kind (a REAL column whose
 * tags carry a double).
 */
#include "support/rows.h"

#include <cstring>

namespace kavdb::test {
namespace {

const std::string kA = "/p/a.jpg";
const std::string kB = "/p/b.jpg";
const char* const kLinks = "SELECT Filename, DataID1, DataID2, DataID3 FROM MainTable ORDER BY "
                           "Filename";

class MetadataTest : public RowsTest {
  protected:
    void SetUp() override
    {
        RowsTest::SetUp();
        for (const std::string& path : {kA, kB}) {
            ASSERT_EQ(registerWith(path), S_OK);
        }
    }
    HRESULT write(const std::string& path, std::vector<MetaData> metas)
    {
        MetaDataList list(metas.begin(), metas.end());
        HRESULT hr = KaAVDBWriteData(db_, path.c_str(), &list);
        releaseTestTags(list);
        return hr;
    }
    /* A partial read's code and the bytes of the buffer it hands over (then released). */
    std::pair<HRESULT, std::string> partial(const std::string& path, const char* table,
                                            const char* item, int32_t type)
    {
        int32_t size = -1;
        void* data = nullptr;
        HRESULT hr = KaAVDBReadFilePartially(db_, path.c_str(), table, item, type, &size, &data);
        std::string bytes = data != nullptr ? std::string(static_cast<char*>(data), size) : "";
        EXPECT_TRUE(data == nullptr || FreeBuffer(data) == S_OK);
        return {hr, bytes};
    }
    static MetaData exif(const char* make, const char* model = nullptr)
    {
        MetaData m = makeMeta("ExifInfo", {{"Make", make}});
        if (model != nullptr) {
            m.Tags.push_back(textTag("Model", model));
        }
        return m;
    }
};

TEST_F(MetadataTest, EveryKindRoundTripsWithTheSizeTheLibraryGives)
{
    MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}, {"Model", "EOS"}}, {{"ISO", 400}});
    m.Tags.push_back(binTag("Preview", {1, 0, 2, 255}));
    m.Tags.front().Size = 4; // a caller's short Size never cuts a text
    ASSERT_EQ(write(kA, {m, makeMeta("Caption", {{"Title", "say \"hi\""}}),
                         makeMeta("People", {{"Name", "Ann"}})}),
              S_OK);
    MetaDataList list;
    list.push_back(makeMeta("Kept", {}));
    ASSERT_EQ(KaAVDBReadData(db_, kA.c_str(), &list), S_OK); // appends, highest table first
    std::vector<std::string> tables;
    for (const MetaData& d : list) {
        tables.push_back(d.TableName);
    }
    EXPECT_EQ(tables, (std::vector<std::string>{"Kept", "People", "Caption", "ExifInfo"}));
    const MetaTagList& tags = list.back().Tags;
    EXPECT_EQ(describeTags(tags), "Make=Canon Model=EOS ISO=400 Preview=#4");
    std::vector<uint32_t> sizes;
    for (const MetaTag& t : tags) {
        sizes.push_back(t.Size);
    }
    EXPECT_EQ(sizes, (std::vector<uint32_t>{6, 4, 4, 4}));
    EXPECT_EQ(std::memcmp(tags.back().Data, "\x01\x00\x02\xff", 4), 0);
    list.front().Tags.clear();
    EXPECT_EQ(FreeMetaDataList(&list), S_OK);
    EXPECT_EQ(readData(kB), std::vector<std::string>{});
    EXPECT_EQ(readData("/p/none.jpg", KAVDB_E_NOT_FOUND), std::vector<std::string>{});
}

TEST_F(MetadataTest, RowsAreSharedByEqualTuplesAndLeftWhenNoLongerUsed)
{
    ASSERT_EQ(write(kA, {exif("Canon", "EOS")}), S_OK);
    ASSERT_EQ(write(kB, {exif("Canon", "EOS")}), S_OK);
    EXPECT_EQ(rows(kLinks), (Rows{"a.jpg|1|-|-", "b.jpg|1|-|-"}));
    // New tags for one file leave the shared row to the other; items not given keep
    // their values in the file's new tuple.
    ASSERT_EQ(write(kA, {exif("Nikon")}), S_OK);
    EXPECT_EQ(rows("SELECT * FROM ExifInfo"), (Rows{"1|Canon|EOS|-|-", "2|Nikon|EOS|-|-"}));
    // An unshared row changes into an equal row that exists, and goes.
    ASSERT_EQ(write(kB, {exif("Nikon")}), S_OK);
    EXPECT_EQ(rows(kLinks), (Rows{"a.jpg|2|-|-", "b.jpg|2|-|-"}));
    EXPECT_EQ(rows("SELECT * FROM ExifInfo"), (Rows{"2|Nikon|EOS|-|-"}));
    // An unshared row whose tuple nobody holds is replaced, and the old one goes.
    ASSERT_EQ(write(kA, {makeMeta("ExifInfo", {}, {{"ISO", 200}})}), S_OK);
    ASSERT_EQ(write(kA, {makeMeta("ExifInfo", {}, {{"ISO", 100}})}), S_OK);
    ASSERT_EQ(write(kA, {makeMeta("ExifInfo", {}, {{"ISO", 100}})}), S_OK); // the same twice
    EXPECT_EQ(rows("SELECT * FROM ExifInfo"), (Rows{"2|Nikon|EOS|-|-", "4|Nikon|EOS|100|-"}));
    EXPECT_EQ(rows(kLinks), (Rows{"a.jpg|4|-|-", "b.jpg|2|-|-"}));
    ASSERT_EQ(write(kB, {makeMeta("Caption", {{"Title", "it's \"q\""}})}), S_OK);
    ASSERT_EQ(write(kA, {makeMeta("Caption", {{"Title", "it's \"q\""}})}), S_OK);
    EXPECT_EQ(rows("SELECT * FROM Caption"), (Rows{"1|it's \"q\"|-"}));
}

/* Writing merges the tags over the file's row and then looks for an equal row, in which
 * binary items take no part: the file joins that row, and its binary value is dropped. */
TEST_F(MetadataTest, BinaryItemsTakeNoPartInTheMatchOfAWrite)
{
    MetaData m = exif("Canon");
    m.Tags.push_back(binTag("Preview", {7}));
    ASSERT_EQ(write(kA, {m}), S_OK);
    m = exif("Canon");
    m.Tags.push_back(binTag("Preview", {'a', 0, '"', '\'', 0, 'b', 'c'}));
    ASSERT_EQ(write(kB, {m}), S_OK);
    EXPECT_EQ(rows("SELECT * FROM ExifInfo"), (Rows{"1|Canon|-|-|#1"}));
    m = exif("Nikon"); // with nothing equal to join, the value is stored whole
    m.Tags.push_back(binTag("Preview", std::vector<uint8_t>(100000, 9)));
    ASSERT_EQ(write(kB, {m}), S_OK);
    EXPECT_EQ(readData(kB), (std::vector<std::string>{"ExifInfo: Make=Nikon Preview=#100000"}));
    // A tag that does not convert leaves the row as it was.
    m = exif("Sony");
    m.Tags.push_back(binTag("Preview", {}));
    EXPECT_EQ(write(kA, {m}), E_INVALIDARG);
    EXPECT_EQ(rows(kLinks), (Rows{"a.jpg|1|-|-", "b.jpg|2|-|-"}));
    EXPECT_EQ(rows("SELECT DataID, Make FROM ExifInfo"), (Rows{"1|Canon", "2|Nikon"}));
}

TEST_F(MetadataTest, AWriteIsRefusedOrStopsWhereItMust)
{
    EXPECT_EQ(write("/p/none.jpg", {exif("Canon")}), E_FAIL);            // not registered
    EXPECT_EQ(write("/q/none.jpg", {exif("Canon")}), KAVDB_E_NOT_FOUND); // folder not catalogued
    EXPECT_EQ(write(kA, {}), S_OK);
    EXPECT_EQ(write(kA, {makeMeta("Caption", {{"Title", "T"}}), makeMeta("Nope", {{"X", "x"}}),
                         makeMeta("People", {{"Name", "Ann"}})}),
              E_FAIL); // an unconfigured table ends the call there; what came before stays
    EXPECT_EQ(rows(kLinks), (Rows{"a.jpg|-|1|-", "b.jpg|-|-|-"}));
    EXPECT_EQ(count("ExifInfo") + count("People"), 0);
}

TEST_F(MetadataTest, TableRowsAreReadByPositionAndPartialReadsHandOverOneItem)
{
    for (const char* title : {"one", "two", "three"}) {
        std::string path = std::string("/q/") + title + ".jpg";
        ASSERT_EQ(registerWith(path, {makeMeta("Caption", {{"Title", title}}, {{"Rating", 1}})}),
                  S_OK);
    }
    int32_t n = -1;
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "Caption", &n), S_OK);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "People", &n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KaAVDBGetReadTableDataCount(db_, "NoSuchTable", &n), KAVDB_E_NO_SUCH_TABLE);
    ASSERT_EQ(errors().size(), 1u);
    EXPECT_EQ(errors()[0].message, "Failed To kaGetDataCount");
    const std::tuple<int32_t, const char*, HRESULT, std::string> single[] = {
        {1, "Caption", S_OK, "Title=one Rating=1"},
        {3, "Caption", S_OK, "Title=three Rating=1"},
        {4, "Caption", KAVDB_E_OUT_OF_RANGE, ""},
        {1, "People", KAVDB_E_NOT_FOUND, ""},
        {1, "Nope", E_FAIL, ""}};
    for (const auto& [position, table, hr, tags] : single) {
        MetaTagList list;
        EXPECT_EQ(KaAVDBGetReadTableData(db_, position, table, &list), hr) << position << table;
        EXPECT_EQ(describeTags(list), tags);
        FreeMetaTagList(&list);
    }
    MetaIdxDataList rowsRead;
    ASSERT_EQ(KaAVDBGetReadTableDataEx(db_, 2, 3, "Caption", &rowsRead), S_OK);
    ASSERT_EQ(KaAVDBGetReadTableDataEx(db_, 1, 1, "Caption", &rowsRead), S_OK); // appended
    std::vector<std::string> seen;
    for (const MetaIdxData& r : rowsRead) {
        seen.push_back(std::to_string(r.Index) + " " + describeTags(r.Tags));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"2 Title=two Rating=1", "3 Title=three Rating=1",
                                              "1 Title=one Rating=1"}));
    FreeMetaIdxDataList(&rowsRead);
    const std::tuple<int32_t, int32_t, const char*, HRESULT> ranges[] = {
        {1, 4, "Caption", KAVDB_E_OUT_OF_RANGE},
        {1, 1, "People", KAVDB_E_NOT_FOUND},
        {1, 1, "Nope", E_FAIL}};
    for (const auto& [first, last, table, hr] : ranges) {
        EXPECT_EQ(KaAVDBGetReadTableDataEx(db_, first, last, table, &rowsRead), hr) << table;
        EXPECT_TRUE(rowsRead.empty());
    }
    // Partial reads hand over one item's buffer.
    MetaData m = makeMeta("ExifInfo", {{"Make", "Canon"}}, {{"ISO", 800}});
    m.Tags.push_back(binTag("Preview", {9, 0, 7}));
    ASSERT_EQ(write(kA, {m, makeMeta("Caption", {{"Title", "Sea"}})}), S_OK);
    const std::tuple<const char*, const char*, int32_t, HRESULT, std::string> cases[] = {
        {"ExifInfo", "Make", 0, S_OK, std::string("Canon", 6)},
        {"ExifInfo", "ISO", 1, S_OK, std::string("\x20\x03\x00\x00", 4)},
        {"ExifInfo", "Preview", 2, S_OK, std::string("\x09\x00\x07", 3)},
        {"Caption", "Title", 0, S_OK, std::string("Sea", 4)},
        {"ExifInfo", "ISO", 0, E_FAIL, ""},   // an integer asked as text
        {"ExifInfo", "Model", 0, E_FAIL, ""}, // Null item: no tag
        {"People", "Name", 0, E_FAIL, ""},    // table not linked
        {"exifinfo", "Make", 0, E_FAIL, ""},  // table names are case-sensitive
    };
    for (const auto& [table, item, type, hr, bytes] : cases) {
        EXPECT_EQ(partial(kA, table, item, type), std::pair(hr, bytes)) << item;
    }
    EXPECT_EQ(partial("/p/none.jpg", "ExifInfo", "Make", 0).first, KAVDB_E_NOT_FOUND);
}

const char* const kNumberIni = "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,64,\n"
                               "Item2=FNumber,3,\nItem3=GPSLatitude,3,\n";

class NumberKindTest : public MetadataTest {
  protected:
    const char* iniText() const override { return kNumberIni; }
    static MetaData fnumber(double value)
    {
        return makeMeta("ExifInfo", {}, {}, {{"FNumber", value}});
    }
};

TEST_F(NumberKindTest, NumbersRoundTripCompareAndShareRowsExactly)
{
    const std::string kC = "/p/c.jpg";
    ASSERT_EQ(registerWith(kC), S_OK);
    ASSERT_EQ(write(kA, {fnumber(0.1 + 0.2)}), S_OK);
    ASSERT_EQ(write(kB, {fnumber(0.1 + 0.2)}), S_OK);
    ASSERT_EQ(write(kC, {fnumber(0.3)}), S_OK);
    EXPECT_EQ(rows("SELECT Filename, DataID1 FROM MainTable ORDER BY Filename"),
              (Rows{"a.jpg|1", "b.jpg|1", "c.jpg|2"}));
    // As texts, "11" and "22" would sort before "5.6".
    ASSERT_EQ(write(kA, {fnumber(11)}), S_OK);
    ASSERT_EQ(write(kB, {fnumber(22)}), S_OK);
    MetaData m = fnumber(7.1);
    m.Tags.push_back(numberTag("GPSLatitude", -33.868820));
    ASSERT_EQ(write(kC, {m}), S_OK);
    EXPECT_EQ(rows("SELECT FNumber FROM ExifInfo WHERE FNumber > 5 ORDER BY FNumber"),
              (Rows{"7.1", "11", "22"}));
    MetaDataList list;
    ASSERT_EQ(KaAVDBReadData(db_, kC.c_str(), &list), S_OK);
    ASSERT_EQ(list.size(), 1u);
    for (const MetaTag& t : list.front().Tags) {
        EXPECT_EQ(t.Type * 100 + t.Size, 308u) << t.Name;
    }
    EXPECT_EQ(tagNumber(list.front().Tags.back()), -33.868820);
    FreeMetaDataList(&list);
    for (const char* path : {"/q/x.jpg", "/q/y.jpg"}) {
        EXPECT_EQ(registerWith(path, {fnumber(2.8)}), S_OK);
    }
    EXPECT_EQ(row("SELECT COUNT(*) FROM ExifInfo WHERE FNumber = 2.8"), "1");
    const double f28 = 2.8;
    const std::string bytes(reinterpret_cast<const char*>(&f28), sizeof f28);
    EXPECT_EQ(partial("/q/x.jpg", "ExifInfo", "FNumber", 3), std::pair(S_OK, bytes));
    EXPECT_EQ(partial("/q/x.jpg", "ExifInfo", "FNumber", 0).first, E_FAIL);
    MetaTagList tags;
    ASSERT_EQ(KaAVDBGetReadTableData(db_, 1, "ExifInfo", &tags), S_OK);
    EXPECT_EQ(describeTags(tags), "FNumber=11.000000"); // Make and GPSLatitude are Null
    FreeMetaTagList(&tags);
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
    ASSERT_EQ(write(kA, {fnumber(1.8)}), S_OK);
    ASSERT_EQ(write(kB, {fnumber(1.8)}), S_OK);
    EXPECT_EQ(rows("SELECT DataID, FNumber FROM ExifInfo"), (Rows{"1|1.8"}));
    EXPECT_EQ(readData(kA), (std::vector<std::string>{"ExifInfo: FNumber=1.8"}));
}

} // namespace
} // namespace kavdb::test
