/*
 * MetaTag <-> column value conversion. Texts end at their NUL (and carry it in Size when
 * read); integers are four bytes; binary values are raw bytes; numbers (kind 3) are an
 * eight-byte double. Every buffer comes from the library's allocator.
 */
#include "store/buffers.h"
#include "store/meta_rows.h"

#include <cstring>

namespace kavdb::store {

namespace {

void* copyOut(const void* data, std::size_t n)
{
    void* buf = kaAlloc(n);
    if (buf == nullptr) {
        raiseError(E_OUTOFMEMORY, "Out of memory.");
    }
    if (n > 0) {
        std::memcpy(buf, data, n);
    }
    return buf;
}

} // namespace

HResult kaSetMetaTag(const std::string& column, const Value& value, MetaTag* out)
{
    if (out == nullptr) {
        return E_INVALIDARG;
    }
    MetaTag tag{};
    std::strncpy(tag.Name, column.c_str(), sizeof tag.Name - 1);
    if (value.isText()) {
        const std::string& s = value.asText();
        tag.Type = 0;
        tag.Size = static_cast<uint32_t>(s.size() + 1);
        tag.Data = copyOut(s.c_str(), s.size() + 1);
    } else if (value.isInt()) {
        int32_t v = value.asInt();
        tag.Type = 1;
        tag.Size = 4;
        tag.Data = copyOut(&v, 4);
    } else if (value.isDouble()) {
        double v = value.asDouble();
        tag.Type = 3;
        tag.Size = sizeof v;
        tag.Data = copyOut(&v, sizeof v);
    } else if (value.isBytes()) {
        const auto& b = value.asBytes();
        tag.Type = 2;
        tag.Size = static_cast<uint32_t>(b.size());
        tag.Data = b.empty() ? nullptr : copyOut(b.data(), b.size());
    } else {
        return E_FAIL;
    }
    *out = tag;
    return S_OK;
}

HResult kaMetaTagToValue(const MetaTag& tag, Value* out)
{
    if (tag.Name[0] == '\0' || tag.Data == nullptr || out == nullptr) {
        return E_INVALIDARG;
    }
    *out = Value();
    switch (tag.Type) {
    case 0:
        // A text is its bytes up to the NUL, whatever Size says: Size describes what the
        // library hands out, and a caller's short Size must not cut what is stored.
        *out = Value::text(static_cast<const char*>(tag.Data));
        return S_OK;
    case 1: {
        int32_t v = 0;
        std::memcpy(&v, tag.Data, 4);
        *out = Value::integer(v);
        return S_OK;
    }
    case 2:
        return ToByteArrayValue(out, static_cast<const uint8_t*>(tag.Data),
                                static_cast<int32_t>(tag.Size));
    case 3: {
        double v = 0;
        std::memcpy(&v, tag.Data, sizeof v);
        *out = Value::real(v);
        return S_OK;
    }
    default:
        return E_FAIL;
    }
}

void readTags(Recordset& rs, const std::vector<std::string>& names, MetaTagList& tags)
{
    for (const auto& name : names) {
        MetaTag tag{};
        if (kaSetMetaTag(name, rs.get(name), &tag) == S_OK) {
            tags.push_back(tag);
        }
    }
}

void releaseTag(MetaTag& tag) noexcept
{
    // Only the four known kinds own their buffer; any other kind leaves it to whoever
    // set it and merely forgets the pointer.
    if (tag.Type <= 3) {
        kaFree(tag.Data);
    }
    tag.Data = nullptr;
}

void releaseTags(MetaTagList& tags) noexcept
{
    for (MetaTag& tag : tags) {
        releaseTag(tag);
    }
    tags.clear();
}

void setTableName(MetaData& data, const std::string& table)
{
    std::size_t n = std::min(table.size(), sizeof data.TableName - 1);
    std::memcpy(data.TableName, table.data(), n);
    data.TableName[n] = '\0';
}

} // namespace kavdb::store
