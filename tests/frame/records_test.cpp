/*
 * Release and copy exports of the boundary records. Buffers are made with the library's
 * allocator, as the library's own operations make them; under the sanitizer build a
 * buffer freed twice, freed with the wrong allocator or never freed fails the run.
 */
#include "kavdbmgr.h"
#include "store/buffers.h"

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

MetaTagList someTags()
{
    const int32_t iso = 400;
    const double fnumber = 7.1;
    return {libraryTag("Make", 0, "Canon", 6), libraryTag("ISO", 1, &iso, 4),
            libraryTag("Preview", 2, "\x01\x02\x03", 3), libraryTag("FNumber", 3, &fnumber, 8)};
}

ImageData libraryImage(int32_t width, int32_t height)
{
    ImageData image{static_cast<unsigned char*>(kaAlloc(static_cast<size_t>(width) * 3)),
                    width,
                    height,
                    width * 10,
                    height * 10,
                    24,
                    {2004, 1, 1, 1, 1, 1, 1, 1}};
    return image;
}

TEST(Release, OwnedBuffersGoAndEverythingElseStays)
{
    for (MetaTag tag : someTags()) {
        MetaTag before = tag;
        EXPECT_EQ(FreeMetaTag(&tag), S_OK);
        EXPECT_EQ(tag.Data, nullptr);
        EXPECT_EQ(std::string(tag.Name) + std::to_string(tag.Type * 100 + tag.Size),
                  std::string(before.Name) + std::to_string(before.Type * 100 + before.Size));
    }
    auto* own = new unsigned char[8]{};
    MetaTag odd{};
    odd.Type = 5; // an unknown kind: the pointer is cleared, nothing is released
    odd.Data = own;
    EXPECT_EQ(FreeMetaTag(&odd), S_OK);
    EXPECT_EQ(odd.Data, nullptr);
    own[7] = 1; // still ours: the sanitizer build fails here if it was freed
    for (uint32_t type : {0u, 1u, 2u, 9u}) {
        MetaTag empty{};
        empty.Type = type;
        EXPECT_EQ(FreeMetaTag(&empty), S_OK) << type;
    }
    ImageData image = libraryImage(4, 3);
    EXPECT_EQ(FreeImageData(&image), S_OK);
    EXPECT_EQ(image.Thumbnail, nullptr);
    EXPECT_EQ(image.ThumbnailWidth * 1000 + image.Width + image.Bitcount + image.UpdateTM.wYear,
              4000 + 40 + 24 + 2004);
    EXPECT_EQ(FreeImageData(&image), S_OK); // a released record may be released again
    EXPECT_EQ(FreeBuffer(kaAlloc(16)), S_OK);
    EXPECT_EQ(FreeBuffer(kaAlloc(0)), S_OK);
    // Lists are emptied, released buffers and all, and can be filled again.
    MetaTagList tags = someTags();
    EXPECT_EQ(FreeMetaTagList(&tags), S_OK);
    EXPECT_TRUE(tags.empty());
    tags.push_back(libraryTag("Model", 0, "EOS", 4));
    EXPECT_EQ(FreeMetaTagList(&tags), S_OK);
    MetaIdxDataList rows;
    for (int32_t i = 1; i <= 3; ++i) {
        rows.push_back({someTags(), i});
    }
    EXPECT_EQ(FreeMetaIdxDataList(&rows), S_OK);
    EXPECT_TRUE(rows.empty());
    MetaDataList data(2);
    data.front().Tags = someTags();
    odd.Data = own;
    data.back().Tags.push_back(odd);
    EXPECT_EQ(FreeMetaDataList(&data), S_OK);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(FreeMetaDataList(&data), E_INVALIDARG); // an emptied list is an empty list
    own[3] = 1;
    delete[] own;
    ImageDataList images;
    images.push_back(libraryImage(2, 2));
    images.push_back(ImageData{});
    images.push_back(libraryImage(5, 1));
    EXPECT_EQ(FreeImageDataList(&images), S_OK);
    EXPECT_TRUE(images.empty());
    StringList strings{"/photos/a.jpg", std::string(1000, 'x')};
    EXPECT_EQ(FreeStringList(&strings), S_OK);
    EXPECT_TRUE(strings.empty());
    MetaTagList noTags;
    ImageDataList noImages;
    EXPECT_EQ(FreeMetaTagList(&noTags) | FreeMetaIdxDataList(&rows) | FreeImageDataList(&noImages) |
                  FreeStringList(&strings),
              S_OK);
}

TEST(Copy, TextsNumbersAndIntegersGetBuffersOfTheirOwn)
{
    const double fnumber = -33.868820;
    const int32_t iso = -1234567;
    const std::tuple<MetaTag, uint32_t, std::string> cases[] = {
        {libraryTag("Title", 0, "Beach\0padding", 14), 6, std::string("Beach", 6)},
        {libraryTag("Title", 0, "", 1), 1, std::string("", 1)},
        {libraryTag("ISO", 1, &iso, 4), 4, std::string(reinterpret_cast<const char*>(&iso), 4)},
        {libraryTag("GPS", 3, &fnumber, 8), 8,
         std::string(reinterpret_cast<const char*>(&fnumber), 8)},
    };
    for (auto [src, size, bytes] : cases) {
        src.Size = src.Type == 0 ? src.Size : 99; // a wrong size does not carry over
        MetaTag dst = src; // what a caller does first: a plain copy of the whole record
        EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
        EXPECT_NE(dst.Data, src.Data);
        EXPECT_STREQ(dst.Name, src.Name);
        ASSERT_EQ(dst.Size, size) << src.Name;
        EXPECT_EQ(std::string(static_cast<const char*>(dst.Data), size), bytes);
        EXPECT_EQ(FreeMetaTag(&src), S_OK);
        EXPECT_EQ(FreeMetaTag(&dst), S_OK);
    }
    // Other kinds leave the target as the caller set it.
    for (uint32_t type : {2u, 5u}) {
        unsigned char bytes[3] = {7, 8, 9};
        MetaTag src{}, dst{};
        src.Type = dst.Type = type;
        src.Size = 3;
        src.Data = bytes;
        dst.Size = 77;
        dst.Data = &dst;
        EXPECT_EQ(CopyMetaTag(&src, &dst), S_OK);
        EXPECT_EQ(dst.Size, 77u);
        EXPECT_EQ(dst.Data, &dst);
    }
    // A text, integer or number without data is refused.
    for (uint32_t type : {0u, 1u, 3u}) {
        MetaTag src{};
        src.Type = type;
        MetaTag dst = src;
        EXPECT_EQ(CopyMetaTag(&src, &dst), E_INVALIDARG) << type;
        EXPECT_EQ(dst.Data, nullptr);
    }
}

} // namespace
