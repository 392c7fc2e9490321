/*
 * Test helpers for the operations on registered files: image records with owned pixel
 * buffers, registration of a file with its image record, and direct access to one
 * column of a file row (to plant Null or odd values the public API never writes).
 */
#pragma once

#include "store/folder_rows.h"
#include "store/row_ops.h"
#include "support/fixture.h"

#include <memory>
#include <string>
#include <vector>

namespace kavdb::test {

/* An image record whose thumbnail bytes are owned by the helper. */
struct TestImage {
    ImageData record{};
    std::vector<unsigned char> pixels;

    TestImage(int32_t width, int32_t height, int32_t bits, int32_t thumbWidth, int32_t thumbHeight,
              unsigned char seed, size_t bytes)
        : pixels(bytes)
    {
        for (size_t i = 0; i < bytes; ++i) {
            pixels[i] = static_cast<unsigned char>(seed + i);
        }
        record.Thumbnail = bytes > 0 ? pixels.data() : nullptr;
        record.Width = width;
        record.Height = height;
        record.Bitcount = bits;
        record.ThumbnailWidth = thumbWidth;
        record.ThumbnailHeight = thumbHeight;
        record.UpdateTM = {2004, 7, 1, 5, 9, 8, 7, 6};
    }
};

/* The (PathID, Filename) select text of a file path; fails the test when the folder has
 * no row. */
inline std::string fileRowOf(DBHandle* db, const std::string& path)
{
    std::string folder;
    std::string name;
    store::GetFolderPart(path.c_str(), folder);
    store::GetFileNamePart(path.c_str(), name);
    int32_t id = -1;
    EXPECT_EQ(store::kaGetPathID(db, folder.c_str(), &id, false, false), S_OK) << path;
    return store::fileRowSql(id, name);
}

inline store::Value fileColumn(DBHandle* db, const std::string& path, const char* column)
{
    store::Value v;
    EXPECT_EQ(store::kaGetData(db, fileRowOf(db, path), store::Value::text(column), &v), S_OK);
    return v;
}

inline void setFileColumn(DBHandle* db, const std::string& path, const char* column,
                          const store::Value& value)
{
    ASSERT_EQ(store::kaSetData(db, fileRowOf(db, path), {store::Value::text(column), value}), S_OK);
}

inline int32_t rowCount(DBHandle* db, const std::string& sql)
{
    int32_t n = -1;
    EXPECT_EQ(store::kaGetDataCount(db, sql, &n), S_OK) << sql;
    return n;
}

/* Releases an ImageData's thumbnail through the library, as an application does. */
struct ReleasedImage {
    ImageData image{};
    ~ReleasedImage() { FreeImageData(&image); }
};

} // namespace kavdb::test
