/*
 * Camera items shaped by the configuration (camera_items.h).
 */
#include "camera_items.h"

#include "imaging/exif_format.h"

namespace kavdb {
namespace {

constexpr int32_t kText = 0;
constexpr int32_t kInteger = 1;

const ConfiguredItem* findItem(const std::vector<ConfiguredItem>& configured,
                               const std::string& name)
{
    for (const ConfiguredItem& item : configured)
        if (item.table == kCameraTable && item.name == name)
            return &item;
    return nullptr;
}

bool shape(const imaging::CameraItem& camera, const ConfiguredItem& config, ItemValue& out)
{
    if (config.type == kInteger) {
        if (const auto* number = std::get_if<int32_t>(&camera.value)) {
            out = *number;
            return true;
        }
        return false; // a text where the table wants a number is left out
    }
    if (config.type != kText)
        return false;
    std::string text = std::holds_alternative<int32_t>(camera.value)
                           ? std::to_string(std::get<int32_t>(camera.value))
                           : std::get<std::string>(camera.value);
    // The configured size counts the terminating NUL.
    if (config.size > 1)
        text = imaging::cutText(text, static_cast<std::size_t>(config.size - 1));
    out = text;
    return true;
}

} // namespace

TableItems cameraTableItems(const imaging::CameraMetadata& camera,
                            const std::vector<ConfiguredItem>& configured)
{
    TableItems table{kCameraTable, {}};
    for (const imaging::CameraItem& item : camera) {
        const ConfiguredItem* config = findItem(configured, item.name);
        ItemValue value;
        if (config && shape(item, *config, value))
            table.items.push_back({item.name, std::move(value)});
    }
    return table;
}

} // namespace kavdb
