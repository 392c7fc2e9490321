/*
 * The library's buffers. Every buffer the library hands to an application (a MetaTag's
 * Data, an ImageData's Thumbnail, a partial read) comes from kaAlloc and goes back only
 * through the library's release functions, so application and library never mix heaps;
 * binary column values move in and out of such buffers here.
 */
#pragma once

#include "store/engine/value.h"

#include <cstddef>
#include <cstdint>

namespace kavdb {

/* A buffer of n bytes (n may be 0: a valid, unique pointer); null when out of memory. */
void* kaAlloc(std::size_t n);
void kaFree(void* p);

namespace store {

/* 0, or E_INVALIDARG for null bytes or a count below 1 (the value then holds no array). */
HRESULT ToByteArrayValue(engine::Value* out, const uint8_t* bytes, int32_t count);
/* A new buffer of count bytes (released with kaFree), or null when the value is not a
 * byte array, the count is below 1 or larger than the array. */
uint8_t* FromByteArrayValue(const engine::Value* value, int32_t count);

} // namespace store

} // namespace kavdb
