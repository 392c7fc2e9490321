/*
 * PNG and JPEG through libvips' savers (encode.h).
 */
#include "imaging/encode.h"

#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <memory>

namespace kavdb::imaging {
namespace {

vips::VImage wrapRgb(const std::vector<uint8_t>& rgb, int width, int height)
{
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3)
        throw ImageError("no pixels to encode");
    vips::VImage image = vips::VImage::new_from_memory(const_cast<uint8_t*>(rgb.data()), rgb.size(),
                                                       width, height, 3, VIPS_FORMAT_UCHAR);
    return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

std::vector<uint8_t> encoded(const std::vector<uint8_t>& rgb, int width, int height,
                             const char* format)
{
    startVips(nullptr);
    try {
        void* buffer = nullptr;
        std::size_t size = 0;
        wrapRgb(rgb, width, height).write_to_buffer(format, &buffer, &size);
        std::unique_ptr<void, decltype(&g_free)> owned(buffer, g_free);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        return std::vector<uint8_t>(bytes, bytes + size);
    } catch (const vips::VError& e) {
        throw vipsFailure(e.what());
    }
}

} // namespace

std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, int width, int height)
{
    return encoded(rgb, width, height, ".png");
}

std::vector<uint8_t> encodeJpeg(const std::vector<uint8_t>& rgb, int width, int height)
{
    return encoded(rgb, width, height, ".jpg[Q=85]");
}

} // namespace kavdb::imaging
