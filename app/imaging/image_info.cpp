/*
 * Header facts of an encoded photo, through libvips' lazy loaders: opening a buffer reads
 * the header only; no pixel is decoded here.
 */
#include "imaging/image_info.h"

#include "imaging/vips_runtime.h"

#include <vips/vips8>

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
        info.bitcount = header.bands() * static_cast<int>(vips_format_sizeof(header.format())) * 8;
        return info;
    } catch (const vips::VError& e) {
        throw vipsFailure(e.what());
    }
}

} // namespace kavdb::imaging
