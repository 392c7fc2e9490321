/*
 * Release and copy exports of the boundary records. Buffers are made with the library's
 * allocator, as the library's own operations make them; under the sanitizer build a
 * buffer freed twice, freed with the wrong allocator or never freed fails the run.
 */
#include "kavdbmgr.h"
#include "store/engine/alloc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using kavdb::kaAlloc;

MetaTag libraryTag(const char* name, uint32_t type, const void* bytes, uint32_t size)
{
    MetaTag tag{};
    std::strncpy(tag.Name, name, sizeof tag.Name - 1);
    tag.Type = type;
    tag.Size = size;
    tag.Data = kaAlloc(size);
    std::memcpy(tag.Data, bytes, size);
    return tag;
}

MetaTag libraryText(const char* name, const std::string& text)
{
    return libraryTag(name, 0, text.c_str(), static_cast<uint32_t>(text.size() + 1));
}

MetaTag libraryInt(const char* name, int32_t value)
{
    return libraryTag(name, 1, &value, sizeof value);
}

MetaTag libraryBytes(const char* name, const std::vector<uint8_t>& bytes)
{
    return libraryTag(name, 2, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

ImageData libraryImage(int32_t width, int32_t height)
{
    ImageData image{};
    image.ThumbnailWidth = width;
    image.ThumbnailHeight = height;
    image.Width = width * 10;
    image.Height = height * 10;
    image.Bitcount = 24;
    image.UpdateTM.wYear = 2004;
    image.Thumbnail = static_cast<unsigned char*>(kaAlloc(static_cast<size_t>(width) * 3));
    return image;
}

/* ---- Single records ---------------------------------------------------------------- */

class MetaTagRelease : public ::testing::TestWithParam<uint32_t> {};

TEST_P(MetaTagRelease, OwnedKindsLoseTheirBufferAndKeepNameTypeAndSize)
{
    const int32_t value = 42;
    MetaTag tag = libraryTag("Item", GetParam(), &value, sizeof value);
    EXPECT_EQ(FreeMetaTag(&tag), S_OK);
    EXPECT_EQ(tag.Data, nullptr);
    EXPECT_STREQ(tag.Name, "Item");
    EXPECT_EQ(tag.Type, GetParam());
    EXPECT_EQ(tag.Size, sizeof value);
}

INSTANTIATE_TEST_SUITE_P(TextIntegerBinaryNumber, MetaTagRelease,
                         ::testing::Values(0u, 1u, 2u, 3u));

TEST(MetaTagReleaseOdd, UnknownKindClearsThePointerButReleasesNothing)
{
    auto* own = new unsigned char[8]{};
    MetaTag tag{};
    tag.Type = 5;
    tag.Size = 8;
    tag.Data = own;
    EXPECT_EQ(FreeMetaTag(&tag), S_OK);
    EXPECT_EQ(tag.Data, nullptr);
    EXPECT_EQ(tag.Size, 8u);
    own[7] = 1; // still ours: the sanitizer build fails here if it was freed
    delete[] own;
}

TEST(MetaTagReleaseOdd, NullDataIsAcceptedForEveryKind)
{
    for (uint32_t type : {0u, 1u, 2u, 9u}) {
        MetaTag tag{};
        tag.Type = type;
        EXPECT_EQ(FreeMetaTag(&tag), S_OK) << "type " << type;
    }
}

TEST(ImageRelease, ThumbnailIsReleasedAndTheRestKept)
{
    ImageData image = libraryImage(4, 3);
    EXPECT_EQ(FreeImageData(&image), S_OK);
    EXPECT_EQ(image.Thumbnail, nullptr);
    EXPECT_EQ(image.ThumbnailWidth, 4);
    EXPECT_EQ(image.ThumbnailHeight, 3);
    EXPECT_EQ(image.Width, 40);
    EXPECT_EQ(image.Bitcount, 24);
    EXPECT_EQ(image.UpdateTM.wYear, 2004);
    EXPECT_EQ(FreeImageData(&image), S_OK) << "a released record may be released again";
}

TEST(BufferRelease, NullIsRefusedAndABufferIsReleased)
{
    EXPECT_EQ(FreeBuffer(nullptr), E_INVALIDARG);
    EXPECT_EQ(FreeBuffer(kaAlloc(16)), S_OK);
    EXPECT_EQ(FreeBuffer(kaAlloc(0)), S_OK);
}

/* ---- Null and empty arguments --------------------------------------------------- */

struct NullCase {
    const char* name;
    HRESULT (*call)();
};

class NullArgument : public ::testing::TestWithParam<NullCase> {};

TEST_P(NullArgument, IsRefused)
{
    EXPECT_EQ(GetParam().call(), E_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, NullArgument,
    ::testing::Values(NullCase{"FreeMetaTag", [] { return FreeMetaTag(nullptr); }},
                      NullCase{"FreeMetaTagList", [] { return FreeMetaTagList(nullptr); }},
                      NullCase{"FreeMetaIdxDataList", [] { return FreeMetaIdxDataList(nullptr); }},
                      NullCase{"FreeMetaDataList", [] { return FreeMetaDataList(nullptr); }},
                      NullCase{"FreeImageData", [] { return FreeImageData(nullptr); }},
                      NullCase{"FreeImageDataList", [] { return FreeImageDataList(nullptr); }},
                      NullCase{"FreeStringList", [] { return FreeStringList(nullptr); }},
                      NullCase{"CopyMetaTagSource",
                               [] {
                                   MetaTag t{};
                                   return CopyMetaTag(nullptr, &t);
                               }},
                      NullCase{"CopyMetaTagTarget",
                               [] {
                                   MetaTag t{};
                                   return CopyMetaTag(&t, nullptr);
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EmptyList, ReleasesSucceedExceptForMetaData)
{
    MetaTagList tags;
    MetaIdxDataList rows;
    ImageDataList images;
    StringList strings;
    MetaDataList data;
    EXPECT_EQ(FreeMetaTagList(&tags), S_OK);
    EXPECT_EQ(FreeMetaIdxDataList(&rows), S_OK);
    EXPECT_EQ(FreeImageDataList(&images), S_OK);
    EXPECT_EQ(FreeStringList(&strings), S_OK);
    EXPECT_EQ(FreeMetaDataList(&data), E_INVALIDARG);
    EXPECT_TRUE(data.empty());
}

/* ---- Filled lists --------------------------------------------------------------- */

class ListRelease : public ::testing::Test {
  protected:
    static MetaTagList someTags()
    {
        MetaTagList tags;
        tags.push_back(libraryText("Make", "Canon"));
        tags.push_back(libraryInt("ISO", 400));
        tags.push_back(libraryBytes("Preview", {1, 2, 3}));
        return tags;
    }
};

TEST_F(ListRelease, TagListIsEmptiedAndCanBeFilledAgain)
{
    MetaTagList tags = someTags();
    EXPECT_EQ(FreeMetaTagList(&tags), S_OK);
    EXPECT_TRUE(tags.empty());
    EXPECT_EQ(tags.size(), 0u);

    tags.push_back(libraryText("Model", "EOS"));
    EXPECT_EQ(tags.size(), 1u);
    EXPECT_STREQ(static_cast<const char*>(tags.front().Data), "EOS");
    EXPECT_EQ(FreeMetaTagList(&tags), S_OK);
    EXPECT_TRUE(tags.empty());
}

TEST_F(ListRelease, IndexedRowsLoseEveryTagBuffer)
{
    MetaIdxDataList rows;
    for (int32_t i = 1; i <= 3; ++i) {
        rows.push_back({someTags(), i});
    }
    EXPECT_EQ(FreeMetaIdxDataList(&rows), S_OK);
    EXPECT_TRUE(rows.empty());
    rows.push_back({someTags(), 7});
    EXPECT_EQ(FreeMetaIdxDataList(&rows), S_OK);
    EXPECT_TRUE(rows.empty());
}

TEST_F(ListRelease, MetaDataListReleasesOwnedTagsAndLeavesOddOnes)
{
    auto* own = new unsigned char[4]{};
    MetaTag odd{};
    odd.Type = 5;
    odd.Data = own;

    MetaDataList data(2);
    std::strcpy(data.front().TableName, "ExifInfo");
    data.front().Tags = someTags();
    data.back().Tags.push_back(libraryText("Title", "Beach"));
    data.back().Tags.push_back(odd);

    EXPECT_EQ(FreeMetaDataList(&data), S_OK);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(FreeMetaDataList(&data), E_INVALIDARG) << "an emptied list is an empty list";
    own[3] = 1;
    delete[] own;
}

TEST_F(ListRelease, ImageListReleasesEveryThumbnail)
{
    ImageDataList images;
    images.push_back(libraryImage(2, 2));
    images.push_back(ImageData{}); // no thumbnail
    images.push_back(libraryImage(5, 1));
    EXPECT_EQ(FreeImageDataList(&images), S_OK);
    EXPECT_TRUE(images.empty());
    images.push_back(libraryImage(1, 1));
    EXPECT_EQ(FreeImageDataList(&images), S_OK);
    EXPECT_TRUE(images.empty());
}

TEST_F(ListRelease, StringListIsEmptiedAndReusable)
{
    StringList strings{"/photos/a.jpg", std::string(1000, 'x')};
    EXPECT_EQ(FreeStringList(&strings), S_OK);
    EXPECT_TRUE(strings.empty());
    strings.push_back("again");
    EXPECT_EQ(strings.size(), 1u);
}

/* ---- Copying an item ------------------------------------------------------------ */

class TagCopy : public ::testing::Test {
  protected:
    /* What a caller does first: a plain copy of the whole record. */
    static MetaTag shallowCopy(const MetaTag& src) { return src; }
};

TEST_F(TagCopy, TextGetsItsOwnBufferSizedToTheText)
{
    MetaTag src = libraryTag("Title", 0, "Beach\0padding", 14); // Size beyond the text
    MetaTag dst = shallowCopy(src);
    EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
    EXPECT_NE(dst.Data, src.Data);
    EXPECT_EQ(dst.Size, 6u);
    EXPECT_STREQ(static_cast<const char*>(dst.Data), "Beach");
    EXPECT_STREQ(dst.Name, "Title");
    EXPECT_EQ(src.Size, 14u);
    EXPECT_EQ(FreeMetaTag(&src), S_OK);
    EXPECT_EQ(FreeMetaTag(&dst), S_OK);
}

TEST_F(TagCopy, EmptyTextCopiesItsTerminator)
{
    MetaTag src = libraryText("Title", "");
    MetaTag dst = shallowCopy(src);
    EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
    EXPECT_EQ(dst.Size, 1u);
    EXPECT_STREQ(static_cast<const char*>(dst.Data), "");
    FreeMetaTag(&src);
    FreeMetaTag(&dst);
}

TEST_F(TagCopy, IntegerGetsFourBytesOfItsOwn)
{
    MetaTag src = libraryInt("ISO", -1234567);
    src.Size = 99; // a wrong size does not carry over
    MetaTag dst = shallowCopy(src);
    EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
    EXPECT_NE(dst.Data, src.Data);
    EXPECT_EQ(dst.Size, 4u);
    int32_t value = 0;
    std::memcpy(&value, dst.Data, 4);
    EXPECT_EQ(value, -1234567);
    FreeMetaTag(&src);
    FreeMetaTag(&dst);
}

TEST_F(TagCopy, NumberGetsEightBytesOfItsOwn)
{
    const double value = -33.868820;
    MetaTag src = libraryTag("GPSLatitude", 3, &value, sizeof value);
    src.Size = 3; // a wrong size does not carry over
    MetaTag dst = shallowCopy(src);
    EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
    EXPECT_NE(dst.Data, src.Data);
    EXPECT_EQ(dst.Size, 8u);
    double copied = 0;
    std::memcpy(&copied, dst.Data, 8);
    EXPECT_EQ(copied, value);
    FreeMetaTag(&src);
    FreeMetaTag(&dst);
}

class TagCopyShared : public ::testing::TestWithParam<uint32_t> {};

TEST_P(TagCopyShared, OtherKindsLeaveTheTargetAsTheCallerSetIt)
{
    unsigned char bytes[3] = {7, 8, 9};
    MetaTag src{};
    src.Type = GetParam();
    src.Size = 3;
    src.Data = bytes;
    MetaTag dst{};
    dst.Type = GetParam();
    dst.Size = 77;
    dst.Data = &dst; // any pointer the caller chose
    EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
    EXPECT_EQ(dst.Size, 77u);
    EXPECT_EQ(dst.Data, &dst);
}

INSTANTIATE_TEST_SUITE_P(BinaryAndUnknown, TagCopyShared, ::testing::Values(2u, 5u));

TEST_F(TagCopy, TextIntegerOrNumberWithoutDataIsRefused)
{
    for (uint32_t type : {0u, 1u, 3u}) {
        MetaTag src{};
        src.Type = type;
        MetaTag dst = shallowCopy(src);
        EXPECT_EQ(CopyMetaTag(&src, &dst), E_INVALIDARG) << "type " << type;
        EXPECT_EQ(dst.Data, nullptr);
    }
}

} // namespace
