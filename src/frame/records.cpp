/*
 * Release and copy exports of the boundary records. Buffers hanging off a record
 * (a MetaTag's Data, an ImageData's Thumbnail, a partial read) came from kaAlloc and go
 * back through kaFree. The lists survive their release, empty and ready to be filled
 * again. Nothing here can throw: releasing and clearing never allocate.
 */
#include "kavdbmgr.h"
#include "store/buffers.h"
#include "store/meta_rows.h"

#include <cstring>

namespace {

using kavdb::kaAlloc;
using kavdb::kaFree;
using kavdb::store::releaseTag;
using kavdb::store::releaseTags;

void releaseImage(ImageData& image) noexcept
{
    kaFree(image.Thumbnail);
    image.Thumbnail = nullptr;
}

/* Byte count of the copy's own buffer: text is re-measured, an integer is 4, a number 8;
 * 0 for the kinds whose buffer a copy keeps sharing. */
uint32_t copiedSize(const MetaTag& src)
{
    switch (src.Type) {
    case 0:
        return static_cast<uint32_t>(std::strlen(static_cast<const char*>(src.Data)) + 1);
    case 1:
        return sizeof(int32_t);
    case 3:
        return sizeof(double);
    default:
        return 0;
    }
}

} // namespace

extern "C" HRESULT FreeMetaTag(MetaTag* tag)
{
    if (tag == nullptr) {
        return E_INVALIDARG;
    }
    releaseTag(*tag);
    return S_OK;
}

extern "C" HRESULT CopyMetaTag(const MetaTag* src, MetaTag* dst)
{
    if (src == nullptr || dst == nullptr) {
        return E_INVALIDARG;
    }
    if (src->Type != 0 && src->Type != 1 && src->Type != 3) {
        return S_OK; // binary and unknown kinds: the copy keeps sharing the buffer
    }
    if (src->Data == nullptr) {
        return E_INVALIDARG;
    }
    const uint32_t size = copiedSize(*src);
    void* buffer = kaAlloc(size);
    if (buffer == nullptr) {
        // Never leave the copy sharing the source's buffer: releasing both would free it
        // twice.
        dst->Data = nullptr;
        return E_OUTOFMEMORY;
    }
    std::memcpy(buffer, src->Data, size);
    dst->Size = size;
    dst->Data = buffer;
    return S_OK;
}

extern "C" HRESULT FreeMetaTagList(MetaTagList* list)
{
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    releaseTags(*list);
    return S_OK;
}

extern "C" HRESULT FreeMetaIdxDataList(MetaIdxDataList* list)
{
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    for (MetaIdxData& row : *list) {
        releaseTags(row.Tags);
    }
    list->clear();
    return S_OK;
}

extern "C" HRESULT FreeMetaDataList(MetaDataList* list)
{
    if (list == nullptr || list->empty()) {
        return E_INVALIDARG;
    }
    for (MetaData& data : *list) {
        releaseTags(data.Tags);
    }
    list->clear();
    return S_OK;
}

extern "C" HRESULT FreeImageData(ImageData* image)
{
    if (image == nullptr) {
        return E_INVALIDARG;
    }
    releaseImage(*image);
    return S_OK;
}

extern "C" HRESULT FreeImageDataList(ImageDataList* list)
{
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    for (ImageData& image : *list) {
        releaseImage(image);
    }
    list->clear();
    return S_OK;
}

extern "C" HRESULT FreeStringList(StringList* list)
{
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    list->clear();
    return S_OK;
}

extern "C" HRESULT FreeBuffer(void* buffer)
{
    if (buffer == nullptr) {
        return E_INVALIDARG;
    }
    kaFree(buffer);
    return S_OK;
}
