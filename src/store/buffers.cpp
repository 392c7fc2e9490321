/*
 * The library's buffers: the C heap of the process that loaded the library, and binary
 * column values copied in and out of them.
 */
#include "store/buffers.h"

#include <cstdlib>
#include <cstring>

namespace kavdb {

void* kaAlloc(std::size_t n)
{
    // A zero-byte request still yields a unique pointer that kaFree accepts.
    return std::malloc(n != 0 ? n : 1);
}

void kaFree(void* p)
{
    std::free(p);
}

namespace store {

HRESULT ToByteArrayValue(engine::Value* out, const uint8_t* bytes, int32_t count)
{
    if (out == nullptr) {
        return E_INVALIDARG;
    }
    // Marked as a byte array from the start; on refusal it holds no bytes.
    *out = engine::Value::bytes({});
    if (bytes == nullptr || count < 1) {
        return E_INVALIDARG;
    }
    *out = engine::Value::bytes(engine::Bytes(bytes, bytes + count));
    return S_OK;
}

uint8_t* FromByteArrayValue(const engine::Value* value, int32_t count)
{
    if (value == nullptr || !value->isBytes() || count < 1) {
        return nullptr;
    }
    const engine::Bytes& data = value->asBytes();
    if (static_cast<std::size_t>(count) > data.size()) {
        return nullptr;
    }
    auto* buffer = static_cast<uint8_t*>(kaAlloc(static_cast<std::size_t>(count)));
    if (buffer != nullptr) {
        std::memcpy(buffer, data.data(), static_cast<std::size_t>(count));
    }
    return buffer;
}

} // namespace store

} // namespace kavdb
