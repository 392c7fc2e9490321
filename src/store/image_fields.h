/*
 * The image columns of a MainTable row and the ImageData record they travel in: reading
 * a row's columns into a record, and the byte-array value a record's thumbnail is stored
 * as. The thumbnail's size is never stored; it follows from its two dimensions.
 */
#pragma once

#include "store/record_access.h"

namespace kavdb::store {

/* A thumbnail whose dimensions give more bytes than this is taken for a record with
 * wrong dimensions, and its buffer is not read at all. */
inline constexpr int64_t kMaxThumbnailBytes = int64_t{256} << 20;

/* RowStride(ThumbnailWidth, 24) * ThumbnailHeight, in 64 bits; 0 when a dimension is not
 * positive or the size is beyond kMaxThumbnailBytes. */
int64_t thumbnailBytes(const ImageData& image) noexcept;

/* The record's thumbnail as a byte-array value; false, out untouched, when the record has
 * no thumbnail or no sensible size for one. */
bool thumbnailValue(const ImageData& image, Value* out);

/* Reads Width, Height, Bitcount, ThumbnailWidth, ThumbnailHeight (0 unless the column
 * holds an integer), Thumbnail (null when empty; a new buffer from kaAlloc otherwise)
 * and UpdateTM of the current row into image. UpdateTM is converted only when it holds
 * text; the result says whether it did. Raises what the engine raises, leaving image's
 * thumbnail untouched then. */
bool readImageFields(Recordset& rs, ImageData& image);

} // namespace kavdb::store
