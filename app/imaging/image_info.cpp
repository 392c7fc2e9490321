/*
 * Header facts of an encoded photo, through libvips' lazy loaders: opening a buffer reads
 * the header only; no pixel is decoded here.
 */
#include "imaging/image_info.h"

#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <utility>

namespace kavdb::imaging {

ImageInfo readImageInfo(const uint8_t* data, std::size_t size)
{
    startVips(nullptr);
    try {
        vips::VImage header = vips::VImage::new_from_buffer(
            data, size, "", vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        ImageInfo info;
        info.width = header.width();
        info.height = header.height();
        // Orientations 5 to 8 turn the photo by a quarter.
        if (header.get_typeof("orientation") != 0 && header.get_int("orientation") >= 5 &&
            header.get_int("orientation") <= 8)
            std::swap(info.width, info.height);
        info.bitcount = header.bands() * static_cast<int>(vips_format_sizeof(header.format())) * 8;
        return info;
    } catch (const vips::VError& e) {
        throw vipsFailure(e.what());
    }
}

} // namespace kavdb::imaging
