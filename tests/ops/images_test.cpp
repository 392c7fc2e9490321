/*
 * Image and update-time records: single-file reads and writes, the callback walk and the
 * batch reader, through the exports.
 */
#include "support/file_rows.h"

#include <sqlite3.h>

#include <cstring>

namespace kavdb {
namespace {

using store::Value;
using test::ReleasedImage;
using test::TestImage;

class ImagesTest : public test::CatalogueTest {
  protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        folder_ = dir_ + "/photos/";
    }

    std::string at(const std::string& name) const { return folder_ + name; }

    void registerImage(const std::string& name, TestImage* image)
    {
        ASSERT_EQ(KaAVDBRegisterFile(db_, at(name).c_str(), nullptr,
                                     image != nullptr ? &image->record : nullptr),
                  S_OK);
    }

    std::string folder_;
};

std::vector<unsigned char> bytesOf(const ImageData& image, size_t n)
{
    return image.Thumbnail == nullptr
               ? std::vector<unsigned char>{}
               : std::vector<unsigned char>(image.Thumbnail, image.Thumbnail + n);
}

TEST_F(ImagesTest, ThumbnailOfFiveByTwoTakesThirtyTwoBytesBothWays)
{
    registerImage("a.jpg", nullptr);
    TestImage in(640, 480, 24, 5, 2, 7, 32);
    ASSERT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), &in.record), S_OK);

    Value stored = test::fileColumn(db_, at("a.jpg"), "Thumbnail");
    ASSERT_TRUE(stored.isBytes());
    EXPECT_EQ(stored.asBytes().size(), 32u);

    ReleasedImage out;
    ASSERT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out.image), S_OK);
    EXPECT_EQ(bytesOf(out.image, 32), in.pixels);
    EXPECT_EQ(out.image.Width, 640);
    EXPECT_EQ(out.image.Height, 480);
    EXPECT_EQ(out.image.Bitcount, 24);
    EXPECT_EQ(out.image.ThumbnailWidth, 5);
    EXPECT_EQ(out.image.ThumbnailHeight, 2);
    EXPECT_EQ(std::memcmp(&out.image.UpdateTM, &in.record.UpdateTM, sizeof(SYSTEMTIME)), 0);
}

TEST_F(ImagesTest, ThumbnailSizeFollowsThePaddedRowStride)
{
    struct Case {
        int32_t width, height;
        size_t bytes;
    } cases[] = {{1, 1, 4}, {4, 3, 36}, {5, 2, 32}, {160, 120, 57600}};
    int n = 0;
    for (const auto& c : cases) {
        std::string name = "t" + std::to_string(n++) + ".jpg";
        TestImage in(10, 10, 8, c.width, c.height, 1, c.bytes);
        registerImage(name, &in);
        Value stored = test::fileColumn(db_, at(name), "Thumbnail");
        ASSERT_TRUE(stored.isBytes()) << name;
        EXPECT_EQ(stored.asBytes().size(), c.bytes) << name;
    }
}

TEST_F(ImagesTest, NullColumnsReadAsZeroAndNull)
{
    registerImage("a.jpg", nullptr); // every image column Null
    ReleasedImage out;
    out.image.Width = 99;
    // Without update-time text the read fails, after filling what it read.
    EXPECT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out.image), E_FAIL);
    EXPECT_EQ(out.image.Width, 0);
    EXPECT_EQ(out.image.Thumbnail, nullptr);

    test::setFileColumn(db_, at("a.jpg"), "UpdateTM", Value::text("2004070501090807006"));
    ReleasedImage again;
    ASSERT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &again.image), S_OK);
    EXPECT_EQ(again.image.Width, 0);
    EXPECT_EQ(again.image.Height, 0);
    EXPECT_EQ(again.image.Bitcount, 0);
    EXPECT_EQ(again.image.ThumbnailWidth, 0);
    EXPECT_EQ(again.image.ThumbnailHeight, 0);
    EXPECT_EQ(again.image.Thumbnail, nullptr);
    EXPECT_EQ(again.image.UpdateTM.wYear, 2004);
    EXPECT_EQ(again.image.UpdateTM.wDayOfWeek, 1);
    EXPECT_EQ(again.image.UpdateTM.wMilliseconds, 6);
}

TEST_F(ImagesTest, ColumnsThatHoldNoIntegerReadZero)
{
    TestImage in(640, 480, 24, 5, 2, 7, 32);
    registerImage("a.jpg", &in);
    // Only a catalogue made before its columns were checked can hold a text in Width.
    ASSERT_EQ(KaAVDBClose(db_), S_OK);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath_.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(
                  raw, "PRAGMA ignore_check_constraints = ON; UPDATE MainTable SET Width = 'wide'",
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(KaAVDBOpen(dbPath_.c_str(), &db_), S_OK);
    test::setFileColumn(db_, at("a.jpg"), "Bitcount", Value::null());
    test::setFileColumn(db_, at("a.jpg"), "Thumbnail", Value::null());
    ReleasedImage out;
    ASSERT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out.image), S_OK);
    EXPECT_EQ(out.image.Width, 0);
    EXPECT_EQ(out.image.Height, 480);
    EXPECT_EQ(out.image.Bitcount, 0);
    EXPECT_EQ(out.image.Thumbnail, nullptr);
}

TEST_F(ImagesTest, WriteWithAZeroDimensionKeepsTheStoredDimensions)
{
    TestImage first(640, 480, 24, 4, 3, 1, 36);
    registerImage("a.jpg", &first);
    TestImage second(800, 600, 0, 5, 2, 9, 32); // Bitcount 0
    second.record.UpdateTM.wYear = 2010;
    ASSERT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), &second.record), S_OK);

    ReleasedImage out;
    ASSERT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), &out.image), S_OK);
    EXPECT_EQ(out.image.Width, 640);
    EXPECT_EQ(out.image.Height, 480);
    EXPECT_EQ(out.image.Bitcount, 24);
    EXPECT_EQ(out.image.ThumbnailWidth, 4);
    EXPECT_EQ(out.image.ThumbnailHeight, 3);
    EXPECT_EQ(out.image.UpdateTM.wYear, 2010);
    // The thumbnail was written with the record's own size, 32 bytes.
    EXPECT_EQ(test::fileColumn(db_, at("a.jpg"), "Thumbnail").asBytes().size(), 32u);
    EXPECT_EQ(bytesOf(out.image, 32), second.pixels);
}

TEST_F(ImagesTest, ThumbnailWithImpossibleDimensionsIsNotStored)
{
    TestImage first(640, 480, 24, 4, 3, 1, 36);
    registerImage("a.jpg", &first);
    struct Case {
        int32_t width, height;
    } cases[] = {{-5, 2}, {5, -2}, {INT32_MAX, INT32_MAX}, {100000, 100000}};
    for (const auto& c : cases) {
        TestImage bad(1, 1, 1, c.width, c.height, 5, 4); // a 4-byte buffer only
        ASSERT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), &bad.record), S_OK);
        Value stored = test::fileColumn(db_, at("a.jpg"), "Thumbnail");
        ASSERT_TRUE(stored.isBytes());
        EXPECT_EQ(stored.asBytes().size(), 36u) << c.width << "x" << c.height;
    }
}

TEST_F(ImagesTest, WritesToAnUnregisteredFolderSucceedAndChangeNothing)
{
    TestImage in(640, 480, 24, 5, 2, 7, 32);
    std::string elsewhere = dir_ + "/other/a.jpg";
    EXPECT_EQ(KaAVDBWriteImage(db_, elsewhere.c_str(), &in.record), S_OK);
    EXPECT_EQ(KaAVDBWriteUpdateData(db_, elsewhere.c_str(), "2004"), S_OK);
    EXPECT_EQ(test::rowCount(db_, "SELECT * FROM MainTable "), 0);
    EXPECT_EQ(test::rowCount(db_, "SELECT * FROM PathTable "), 0);
}

TEST_F(ImagesTest, SingleFileOperationsRefuseBadArgumentsAndMissingRows)
{
    registerImage("a.jpg", nullptr);
    ImageData out{};
    char text[64] = {};
    TestImage in(1, 1, 1, 1, 1, 0, 4);
    EXPECT_EQ(KaAVDBReadImage(nullptr, at("a.jpg").c_str(), &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImage(db_, "", &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImage(db_, (dir_ + "/photos/noext").c_str(), &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImage(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteImage(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadUpdateData(db_, (dir_ + "/photos").c_str(), text), E_INVALIDARG);
    EXPECT_EQ(KaAVDBWriteUpdateData(db_, at("a.jpg").c_str(), nullptr), E_INVALIDARG);

    EXPECT_EQ(KaAVDBReadImage(db_, at("b.jpg").c_str(), &out), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadImage(db_, (dir_ + "/none/a.jpg").c_str(), &out), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBReadUpdateData(db_, at("b.jpg").c_str(), text), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteImage(db_, at("b.jpg").c_str(), &in.record), KAVDB_E_NOT_FOUND);
    EXPECT_EQ(KaAVDBWriteUpdateData(db_, at("b.jpg").c_str(), "x"), KAVDB_E_NOT_FOUND);
    // Names compare exactly.
    EXPECT_EQ(KaAVDBReadUpdateData(db_, at("A.jpg").c_str(), text), KAVDB_E_NOT_FOUND);
}

TEST_F(ImagesTest, UpdateTextIsStoredAsGivenAndEmptyTextReadsAsAFailure)
{
    registerImage("a\"q.jpg", nullptr);
    std::string path = at("a\"q.jpg");
    char text[64] = {};
    EXPECT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), E_FAIL); // Null
    for (const char* given : {"2004070501090807006", "not a time", "x"}) {
        ASSERT_EQ(KaAVDBWriteUpdateData(db_, path.c_str(), given), S_OK);
        ASSERT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), S_OK);
        EXPECT_STREQ(text, given);
    }
    ASSERT_EQ(KaAVDBWriteUpdateData(db_, path.c_str(), ""), S_OK);
    EXPECT_EQ(KaAVDBReadUpdateData(db_, path.c_str(), text), E_FAIL);
}

/* The callback walk. */
struct Call {
    int32_t status;
    std::string path;
    int32_t index;
    int32_t width;
    std::vector<unsigned char> thumbnail;
};

struct Recorder {
    std::vector<Call> calls;
    int32_t stopAfter = -1; // returns non-zero on this call (0-based), -1 never

    static int32_t callback(int32_t status, void* context, ImageReadRecord* r)
    {
        auto* self = static_cast<Recorder*>(context);
        size_t bytes = r->Image.Thumbnail != nullptr ? 32 : 0;
        self->calls.push_back(
            {status, r->Path, r->Index, r->Image.Width, bytesOf(r->Image, bytes)});
        FreeImageData(&r->Image); // the thumbnail passed to us
        return static_cast<int32_t>(self->calls.size() - 1) == self->stopAfter ? 1 : 0;
    }
};

class ImageWalkTest : public ImagesTest {
  protected:
    void SetUp() override
    {
        ImagesTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            images_.emplace_back(100 + i, 50, 24, 5, 2, static_cast<unsigned char>(i * 40), 32);
        }
        registerImage("a.jpg", &images_[0]);
        registerImage("b.jpg", &images_[1]);
        registerImage("c.jpg", &images_[2]);
    }

    StringList list(std::initializer_list<const char*> names) const
    {
        StringList l;
        for (const char* n : names) {
            l.push_back(at(n));
        }
        return l;
    }

    std::vector<TestImage> images_;
};

TEST_F(ImageWalkTest, UnsortedListIsServedInListOrder)
{
    StringList paths = list({"b.jpg", "a.jpg", "c.jpg"});
    Recorder r;
    ASSERT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), S_OK);
    ASSERT_EQ(r.calls.size(), 3u);
    const int32_t widths[] = {101, 100, 102};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.calls[i].status, 1);
        EXPECT_EQ(r.calls[i].index, i + 1);
        EXPECT_EQ(r.calls[i].width, widths[i]);
        EXPECT_EQ(r.calls[i].path, *std::next(paths.begin(), i));
        EXPECT_EQ(r.calls[i].thumbnail, images_[widths[i] - 100].pixels);
    }
}

TEST_F(ImageWalkTest, MissingFilesGetStatusTwoAndTheWalkGoesOnRegardless)
{
    StringList paths = list({"a.jpg", "x.jpg", "c.jpg", "b.jpg", "A.jpg"});
    Recorder r;
    r.stopAfter = 1; // asks to stop on the missing file: not listened to
    ASSERT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), S_OK);
    ASSERT_EQ(r.calls.size(), 5u);
    const int32_t statuses[] = {1, 2, 1, 1, 2};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.calls[i].status, statuses[i]) << i;
        EXPECT_EQ(r.calls[i].index, i + 1);
    }
    EXPECT_EQ(r.calls[1].width, 0);
    EXPECT_TRUE(r.calls[1].thumbnail.empty());
}

TEST_F(ImageWalkTest, NonZeroReturnForAFoundFileStopsTheWalk)
{
    StringList paths = list({"a.jpg", "b.jpg", "c.jpg"});
    Recorder r;
    r.stopAfter = 1;
    ASSERT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), S_OK);
    EXPECT_EQ(r.calls.size(), 2u);
}

TEST_F(ImageWalkTest, UnregisteredFolderGivesStatusTwoAndListensToStop)
{
    StringList paths{dir_ + "/none/a.jpg", dir_ + "/none/b.jpg", dir_ + "/none/c.jpg"};
    Recorder all;
    ASSERT_EQ(KaAVDBReadImages(db_, &all, &paths, &Recorder::callback), S_OK);
    ASSERT_EQ(all.calls.size(), 3u);
    for (const auto& c : all.calls) {
        EXPECT_EQ(c.status, 2);
    }
    Recorder stopping;
    stopping.stopAfter = 0;
    ASSERT_EQ(KaAVDBReadImages(db_, &stopping, &paths, &Recorder::callback), S_OK);
    EXPECT_EQ(stopping.calls.size(), 1u);
}

TEST_F(ImageWalkTest, LaterPathsAreTakenInTheFirstPathsFolder)
{
    StringList paths{at("a.jpg"), dir_ + "/elsewhere/b.jpg"};
    Recorder r;
    ASSERT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), S_OK);
    ASSERT_EQ(r.calls.size(), 2u);
    EXPECT_EQ(r.calls[1].status, 1);
    EXPECT_EQ(r.calls[1].width, 101);
    EXPECT_EQ(r.calls[1].path, dir_ + "/elsewhere/b.jpg");
}

TEST_F(ImageWalkTest, ArgumentsAndPathsThatDoNotFitTheRecord)
{
    StringList paths = list({"a.jpg"});
    Recorder r;
    EXPECT_EQ(KaAVDBReadImages(nullptr, &r, &paths, &Recorder::callback), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImages(db_, &r, nullptr, &Recorder::callback), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImages(db_, &r, &paths, nullptr), E_INVALIDARG);
    StringList empty;
    EXPECT_EQ(KaAVDBReadImages(db_, &r, &empty, &Recorder::callback), S_OK);
    paths.push_back(folder_ + std::string(255 - folder_.size(), 'n')); // 255 characters: fits
    paths.push_back(folder_ + std::string(256 - folder_.size(), 'n'));
    EXPECT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), E_INVALIDARG);
    EXPECT_TRUE(r.calls.empty());
    paths.pop_back();
    EXPECT_EQ(KaAVDBReadImages(db_, &r, &paths, &Recorder::callback), S_OK);
    ASSERT_EQ(r.calls.size(), 2u);
    EXPECT_EQ(r.calls[1].path.size(), 255u);
    EXPECT_EQ(r.calls[1].status, 2);
}

TEST_F(ImageWalkTest, BatchGivesOneRecordPerPathInListOrder)
{
    ImageDataList out;
    out.push_back(ImageData{}); // what the list held stays in front
    out.front().Width = 7;
    StringList paths = list({"a.jpg", "b.jpg", "x.jpg"});
    ASSERT_EQ(KaAVDBReadImageBatch(db_, &paths, &out), S_OK);
    ASSERT_EQ(out.size(), 4u);
    auto it = out.begin();
    EXPECT_EQ((it++)->Width, 7);
    EXPECT_EQ(it->Width, 100);
    EXPECT_EQ(bytesOf(*it++, 32), images_[0].pixels);
    EXPECT_EQ((it++)->Width, 101);
    EXPECT_EQ(it->Width, 0);
    EXPECT_EQ(it->Thumbnail, nullptr);
    FreeImageDataList(&out);
}

TEST_F(ImageWalkTest, BatchNeverMovesBackButStillGivesEveryPathARecord)
{
    struct Case {
        std::vector<std::string> paths;
        std::vector<int32_t> widths;
    } cases[] = {
        {{"c.jpg", "a.jpg", "b.jpg"}, {102, 0, 0}},
        {{"a.jpg", "a.jpg", "c.jpg"}, {100, 100, 102}},
        {{"/none/a.jpg", "b.jpg"}, {0, 101}},
        {{"b.jpg", "/none/c.jpg"}, {101, 0}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        StringList paths;
        for (const auto& p : c.paths) {
            paths.push_back(p[0] == '/' ? dir_ + p : at(p));
        }
        ImageDataList out;
        ASSERT_EQ(KaAVDBReadImageBatch(db_, &paths, &out), S_OK);
        std::vector<int32_t> widths;
        for (const auto& image : out) {
            widths.push_back(image.Width);
        }
        EXPECT_EQ(widths, c.widths) << testing::PrintToString(c.paths);
        FreeImageDataList(&out);
    }
}

TEST_F(ImageWalkTest, BatchWithNoRegisteredFolderGivesZeroRecords)
{
    StringList paths{dir_ + "/none/a.jpg", dir_ + "/none/b.jpg"};
    ImageDataList out;
    ASSERT_EQ(KaAVDBReadImageBatch(db_, &paths, &out), S_OK);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out.front().Width, 0);
    EXPECT_EQ(KaAVDBReadImageBatch(db_, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(KaAVDBReadImageBatch(db_, &paths, nullptr), E_INVALIDARG);
}

} // namespace
} // namespace kavdb
