/*
 * Boundary record conversions (catalogue_records.h). The thumbnail size follows from its
 * dimensions: RowStride(width, 24) * height bytes.
 */
#include "catalogue_records.h"

#include "imaging/pixels.h"

#include <cstring>

namespace kavdb::records {
namespace {

MetaTag borrowTag(const Item& item)
{
    MetaTag tag{};
    std::strncpy(tag.Name, item.name.c_str(), sizeof tag.Name - 1);
    if (const auto* text = std::get_if<std::string>(&item.value)) {
        tag.Type = 0;
        tag.Size = static_cast<uint32_t>(text->size() + 1);
        tag.Data = const_cast<char*>(text->c_str());
    } else if (const auto* number = std::get_if<int32_t>(&item.value)) {
        tag.Type = 1;
        tag.Size = sizeof(int32_t);
        tag.Data = const_cast<int32_t*>(number);
    } else if (const auto* real = std::get_if<double>(&item.value)) {
        tag.Type = 3;
        tag.Size = sizeof(double);
        tag.Data = const_cast<double*>(real);
    } else {
        const auto& bytes = std::get<std::vector<uint8_t>>(item.value);
        tag.Type = 2;
        tag.Size = static_cast<uint32_t>(bytes.size());
        tag.Data = const_cast<uint8_t*>(bytes.data());
    }
    return tag;
}

Item copyTag(const MetaTag& tag)
{
    Item item{tag.Name, std::string()};
    if (tag.Data == nullptr)
        return item;
    if (tag.Type == 1 && tag.Size >= sizeof(int32_t)) {
        int32_t value = 0;
        std::memcpy(&value, tag.Data, sizeof value);
        item.value = value;
    } else if (tag.Type == 3 && tag.Size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, tag.Data, sizeof value);
        item.value = value;
    } else if (tag.Type == 2) {
        const auto* bytes = static_cast<const uint8_t*>(tag.Data);
        item.value = std::vector<uint8_t>(bytes, bytes + tag.Size);
    } else {
        const auto* text = static_cast<const char*>(tag.Data);
        item.value = std::string(text, strnlen(text, tag.Size ? tag.Size : SIZE_MAX));
    }
    return item;
}

} // namespace

ImageData borrowImage(const ImageRecord& image)
{
    ImageData data{};
    data.Width = image.width;
    data.Height = image.height;
    data.Bitcount = image.bitcount;
    data.ThumbnailWidth = image.thumbWidth;
    data.ThumbnailHeight = image.thumbHeight;
    data.UpdateTM = image.updated;
    data.Thumbnail =
        image.thumbnail.empty() ? nullptr : const_cast<unsigned char*>(image.thumbnail.data());
    return data;
}

ImageRecord copyImage(const ImageData& data)
{
    ImageRecord image;
    image.width = data.Width;
    image.height = data.Height;
    image.bitcount = data.Bitcount;
    image.thumbWidth = data.ThumbnailWidth;
    image.thumbHeight = data.ThumbnailHeight;
    image.updated = data.UpdateTM;
    if (data.Thumbnail && data.ThumbnailWidth > 0 && data.ThumbnailHeight > 0) {
        std::size_t bytes = imaging::rowStride(data.ThumbnailWidth, 24) * data.ThumbnailHeight;
        image.thumbnail.assign(data.Thumbnail, data.Thumbnail + bytes);
    }
    return image;
}

void borrowItems(const TableItems& items, MetaDataList& out)
{
    MetaData& data = out.emplace_back();
    std::strncpy(data.TableName, items.table.c_str(), sizeof data.TableName - 1);
    for (const Item& item : items.items)
        data.Tags.push_back(borrowTag(item));
}

TableItems copyItems(const MetaData& data)
{
    TableItems items;
    items.table.assign(data.TableName, strnlen(data.TableName, sizeof data.TableName));
    for (const MetaTag& tag : data.Tags)
        items.items.push_back(copyTag(tag));
    return items;
}

} // namespace kavdb::records
