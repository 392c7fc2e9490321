/*
 * Image columns of a file row (see image_fields.h). The thumbnail is fetched as one chunk
 * of the size the engine reports for the column and copied into a buffer the
 * application releases with FreeImageData.
 */
#include "store/image_fields.h"

#include "store/buffers.h"
#include "store/datetext.h"

#include <climits>

namespace kavdb::store {

namespace {

struct Freeing {
    void operator()(uint8_t* p) const { kaFree(p); }
};
using Buffer = std::unique_ptr<uint8_t, Freeing>;

int32_t intOrZero(Recordset& rs, const char* column)
{
    Value v = rs.get(column);
    return v.isInt() ? v.asInt() : 0;
}

Buffer readThumbnail(Recordset& rs)
{
    long size = rs.actualSize("Thumbnail");
    if (size < 1 || size > INT32_MAX) {
        return nullptr;
    }
    Value chunk = rs.getChunk("Thumbnail", size);
    return Buffer(FromByteArrayValue(&chunk, static_cast<int32_t>(size)));
}

} // namespace

int64_t thumbnailBytes(const ImageData& image) noexcept
{
    const int64_t stride = rowStride(image.ThumbnailWidth, 24);
    const int64_t rows = image.ThumbnailHeight;
    // Divided rather than multiplied: two huge dimensions must not overflow.
    if (stride < 1 || rows < 1 || stride > kMaxThumbnailBytes / rows) {
        return 0;
    }
    return stride * rows;
}

bool thumbnailValue(const ImageData& image, Value* out)
{
    int64_t bytes = thumbnailBytes(image);
    if (image.Thumbnail == nullptr || bytes < 1) {
        return false;
    }
    Value v;
    if (ToByteArrayValue(&v, image.Thumbnail, static_cast<int32_t>(bytes)) != S_OK) {
        return false;
    }
    *out = std::move(v);
    return true;
}

bool readImageFields(Recordset& rs, ImageData& image)
{
    image.Width = intOrZero(rs, "Width");
    image.Height = intOrZero(rs, "Height");
    image.Bitcount = intOrZero(rs, "Bitcount");
    image.ThumbnailWidth = intOrZero(rs, "ThumbnailWidth");
    image.ThumbnailHeight = intOrZero(rs, "ThumbnailHeight");
    Buffer thumbnail = readThumbnail(rs);
    Value time = rs.get("UpdateTM");
    // Nothing below raises: the buffer passes to the record only now.
    image.Thumbnail = thumbnail.release();
    if (!time.isText()) {
        return false;
    }
    parseDateText(time.asText().c_str(), &image.UpdateTM);
    return true;
}

} // namespace kavdb::store
