/*
 * Image and update-time records through the exports: single-file reads and writes, the
 * callback walk and the batch reader.
 */
#include "support/rows.h"

#include <climits>
#include <cstring>

namespace kavdb::test {
namespace {

/* An image record whose thumbnail bytes the test owns. */
struct TestImage {
    ImageData record{};
    std::vector<unsigned char> pixels;

    TestImage(int32_t width, int32_t thumbWidth, int32_t thumbHeight, unsigned char seed,
              size_t bytes, int32_t bits = 24)
        : pixels(bytes)
    {
        for (size_t i = 0; i < bytes; ++i) {
            pixels[i] = static_cast<unsigned char>(seed + i);
        }
        record = {bytes > 0 ? pixels.data() : nullptr, thumbWidth, thumbHeight, width, 480, bits,
                  {2004, 7, 1, 5, 9, 8, 7, 6}};
    }
};

/* A checksum of a thumbnail's first 32 bytes. */
long sumOf(const unsigned char* bytes)
{
    long sum = 0;
    for (int64_t i = 0; bytes != nullptr && i < 32; ++i) {
        sum += bytes[i] * (i + 1);
    }
    return sum;
}

/* A record as text: dimensions, time and a checksum of its thumbnail ("-" for none). */
std::string describe(const ImageData& image)
{
    long sum = sumOf(image.Thumbnail);
    char time[48];
    SYSTEMTIMEtoSTR(image.UpdateTM, time);
    return std::to_string(image.Width) + "x" + std::to_string(image.Height) + "x" +
           std::to_string(image.Bitcount) + " " + std::to_string(image.ThumbnailWidth) + "x" +
           std::to_string(image.ThumbnailHeight) + " " +
           (image.Thumbnail != nullptr ? std::to_string(sum) : "-") + " " + time;
}

class ImagesTest : public RowsTest {
  protected:
    void add(const std::string& name, TestImage* image)
    {
        ASSERT_EQ(registerWith(at(name), {}, image != nullptr ? &image->record : nullptr), S_OK);
    }
    /* ReadImage of name as text, or its result code. */
    std::string read(const std::string& name)
    {
        ImageData out{};
        HRESULT hr = KaAVDBReadImage(db_, at(name).c_str(), &out);
        std::string text = hr == S_OK ? describe(out) : "hr " + std::to_string(hr);
        FreeImageData(&out);
        return text;
    }
    std::string thumbnailSize(const std::string& name)
    {
        return row("SELECT Thumbnail FROM MainTable WHERE Filename = '" + name + "'");
    }
};

TEST_F(ImagesTest, RecordsRoundTripAndAWriteKeepsStoredValuesWhereTheRecordHasNoSensibleOnes)
{
    TestImage first(640, 4, 3, 1, 36);
    add("a.jpg", &first);
    TestImage second(800, 5, 2, 9, 32, 0); // Bitcount 0: the dimensions are kept
    second.record.UpdateTM.wYear = 2010;
    ASSERT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), &second.record), S_OK);
    EXPECT_EQ(read("a.jpg"), "640x480x24 4x3 " + std::to_string(sumOf(second.pixels.data())) +
                                 " 2010070501090807006");
    EXPECT_EQ(thumbnailSize("a.jpg"), "#32"); // written with the record's own size
    // A size that cannot be reckoned (which sizes cannot is ThumbnailBytes's) writes none.
    TestImage bad(1, INT32_MAX, INT32_MAX, 5, 4); // a 4-byte buffer only
    ASSERT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), &bad.record), S_OK);
    EXPECT_EQ(thumbnailSize("a.jpg"), "#32");
    // A write to a folder that is not catalogued succeeds and changes nothing.
    EXPECT_EQ(KaAVDBWriteImage(db_, (dir_ + "/other/a.jpg").c_str(), &first.record), S_OK);
    EXPECT_EQ(KaAVDBWriteUpdateData(db_, (dir_ + "/other/a.jpg").c_str(), "2004"), S_OK);
    EXPECT_EQ(count("PathTable"), 1);
    // Otherwise a single file's record or update text needs the file's row.
    TestImage image(1, 1, 1, 0, 4);
    char text[64] = {};
    add("a\"q.jpg", nullptr);
    const std::string missing[] = {at("b.jpg"), at("A\"q.jpg"), dir_ + "/none/a.jpg"};
    for (const std::string& path : missing) {
        ImageData out{};
        EXPECT_EQ(KaAVDBReadImage(db_, path.c_str(), &out), KAVDB_E_NOT_FOUND) << path;
        EXPECT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), KAVDB_E_NOT_FOUND) << path;
    }
    EXPECT_EQ(KaAVDBWriteImage(db_, at("b.jpg").c_str(), &image.record), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteUpdateData(db_, at("b.jpg").c_str(), "x"), KAVDB_E_NOT_FOUND);
    // The update text is stored as given; Null and empty text read as a failure.
    const std::string path = at("a\"q.jpg");
    EXPECT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), E_FAIL);
    for (const char* given : {"2004070501090807006", "not a time", "x"}) {
        ASSERT_EQ(KaAVDBWriteUpdateData(db_, path.c_str(), given), S_OK);
        ASSERT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), S_OK);
        EXPECT_STREQ(text, given);
    }
    ASSERT_EQ(KaAVDBWriteUpdateData(db_, path.c_str(), ""), S_OK);
    EXPECT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), E_FAIL);
    // Records round-trip, their thumbnails of the padded row size.
    TestImage roundTrip(640, 5, 2, 7, 32);
    add("n.jpg", nullptr);
    ASSERT_EQ(KaAVDBWriteImage(db_, at("n.jpg").c_str(), &roundTrip.record), S_OK);
    EXPECT_EQ(read("n.jpg"), describe(roundTrip.record));
    ImageData out{};
    ASSERT_EQ(KaAVDBReadImage(db_, at("n.jpg").c_str(), &out), S_OK);
    EXPECT_EQ(std::vector<unsigned char>(out.Thumbnail, out.Thumbnail + 32), roundTrip.pixels);
    FreeImageData(&out);
    // Registered with the record: a thumbnail whose size cannot be reckoned is left out.
    const std::tuple<int32_t, int32_t, size_t, const char*> sizes[] = {{4, 3, 36, "#36"},
                                                                       {-5, 2, 32, "-"}};
    for (const auto& [width, height, bytes, stored] : sizes) {
        std::string name = std::to_string(width) + ".jpg";
        TestImage t(10, width, height, 1, bytes);
        add(name, &t);
        EXPECT_EQ(thumbnailSize(name), stored) << name;
    }
    TestImage registered(640, 5, 2, 3, 32);
    add("r.jpg", &registered);
    EXPECT_EQ(read("r.jpg"), describe(registered.record));
}

TEST_F(ImagesTest, SqliteColumnsThatHoldNoIntegerOrNoTimeReadAsNothing)
{
    add("a.jpg", nullptr); // every image column Null
    ImageData out{};
    out.Width = 99;
    EXPECT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out), E_FAIL); // no time text
    EXPECT_EQ(out.Width, 0);
    EXPECT_EQ(out.Thumbnail, nullptr);
    sql("UPDATE MainTable SET UpdateTM = '2004070501090807006'");
    EXPECT_EQ(read("a.jpg"), "0x0x0 0x0 - 2004070501090807006");
    TestImage image(640, 5, 2, 7, 32);
    add("b.jpg", &image);
    uncheckedSql("UPDATE MainTable SET Width = 'wide', Bitcount = NULL, Thumbnail = NULL WHERE "
                 "Filename = 'b.jpg'");
    EXPECT_EQ(read("b.jpg"), "0x480x0 5x2 - 2004070501090807006");
}

/* What the callback walk hands over, one line per call. */
struct Walk {
    std::vector<std::string> calls;
    int stopAfter = -1; // returns non-zero on this call (0-based)
    static int32_t callback(int32_t status, void* context, ImageReadRecord* r)
    {
        auto* self = static_cast<Walk*>(context);
        self->calls.push_back(std::to_string(status) + " " + std::to_string(r->Index) + " " +
                              r->Path + " " + describe(r->Image));
        FreeImageData(&r->Image);
        return static_cast<int>(self->calls.size()) - 1 == self->stopAfter ? 1 : 0;
    }
};

class ImageWalkTest : public ImagesTest {
  protected:
    void SetUp() override
    {
        ImagesTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            images_.emplace_back(100 + i, 5, 2, static_cast<unsigned char>(i * 40), 32);
            add(std::string(1, static_cast<char>('a' + i)) + ".jpg", &images_.back());
        }
    }
    std::string found(int i, int index, const std::string& path)
    {
        return "1 " + std::to_string(index) + " " + path + " " + describe(images_[i].record);
    }
    std::string missing(int index, const std::string& path)
    {
        return "2 " + std::to_string(index) + " " + path + " 0x0x0 0x0 - 0000000000000000000";
    }
    std::vector<std::string> walk(StringList paths, int stopAfter = -1)
    {
        Walk w;
        w.stopAfter = stopAfter;
        EXPECT_EQ(KaAVDBReadImages(db_, &w, &paths, &Walk::callback), S_OK);
        return w.calls;
    }
    std::vector<TestImage> images_;
};

TEST_F(ImageWalkTest, TheWalkServesTheListInItsOrderTheBatchOneRecordPerPath)
{
    EXPECT_EQ(walk({at("b.jpg"), at("a.jpg"), at("x.jpg"), at("c.jpg"), at("A.jpg")}, 2),
              (std::vector<std::string>{found(1, 1, at("b.jpg")), found(0, 2, at("a.jpg")),
                                        missing(3, at("x.jpg")), found(2, 4, at("c.jpg")),
                                        missing(5, at("A.jpg"))}));
    EXPECT_EQ(walk({at("a.jpg"), at("b.jpg"), at("c.jpg")}, 1).size(), 2u); // asked to stop
    // Later paths are looked for in the first path's folder.
    EXPECT_EQ(walk({at("a.jpg"), dir_ + "/elsewhere/b.jpg"})[1],
              found(1, 2, dir_ + "/elsewhere/b.jpg"));
    // No catalogued folder: every file is missing, and a stop is listened to.
    StringList none{dir_ + "/none/a.jpg", dir_ + "/none/b.jpg"};
    EXPECT_EQ(walk(none), (std::vector<std::string>{missing(1, dir_ + "/none/a.jpg"),
                                                    missing(2, dir_ + "/none/b.jpg")}));
    EXPECT_EQ(walk(none, 0).size(), 1u);
    // A path must fit the record: 255 characters do, 256 refuse the whole walk.
    StringList paths{at("a.jpg"), at(std::string(255 - photos().size(), 'n'))};
    EXPECT_EQ(walk(paths).size(), 2u);
    paths.push_back(at(std::string(256 - photos().size(), 'n')));
    Walk w;
    EXPECT_EQ(KaAVDBReadImages(db_, &w, &paths, &Walk::callback), E_INVALIDARG);
    EXPECT_TRUE(w.calls.empty());
    // The batch gives one record per path, never moving back.
    const std::pair<std::vector<std::string>, std::vector<int32_t>> cases[] = {
        {{"a.jpg", "b.jpg", "x.jpg"}, {7, 100, 101, 0}},
        {{"c.jpg", "a.jpg", "b.jpg"}, {7, 102, 0, 0}},
        {{"a.jpg", "a.jpg", "c.jpg"}, {7, 100, 100, 102}},
        {{"/none/a.jpg", "b.jpg"}, {7, 0, 101}},
        {{"b.jpg", "/none/c.jpg"}, {7, 101, 0}},
        {{"/none/a.jpg", "/none/b.jpg"}, {7, 0, 0}},
        {{}, {7}},
    };
    for (const auto& [names, widths] : cases) {
        StringList paths;
        for (const auto& p : names) {
            paths.push_back(p[0] == '/' ? dir_ + p : at(p));
        }
        ImageDataList out(1);
        out.front().Width = 7; // what the list held stays in front, as the 7 of each case
        ASSERT_EQ(KaAVDBReadImageBatch(db_, &paths, &out), S_OK);
        std::vector<int32_t> got;
        for (const auto& image : out) {
            got.push_back(image.Width);
        }
        EXPECT_EQ(got, widths) << testing::PrintToString(names);
        if (out.size() > 1 && widths.size() > 1) {
            EXPECT_EQ(describe(*std::next(out.begin())),
                      widths[1] == 0 ? "0x0x0 0x0 - 0000000000000000000"
                                     : describe(images_[widths[1] - 100].record));
        }
        FreeImageDataList(&out);
    }
}

} // namespace
} // namespace kavdb::test
