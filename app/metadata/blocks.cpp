/*
 * Reading the metadata blocks (blocks.h): Exiv2 first, libvips for the containers Exiv2
 * cannot open.
 */
#include "metadata/blocks.h"

#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace kavdb::metadata {
namespace {

std::mutex xmpToolkitLock;

void lockXmpToolkit(void*, bool lock)
{
    if (lock)
        xmpToolkitLock.lock();
    else
        xmpToolkitLock.unlock();
}

bool readWithExiv2(const uint8_t* data, std::size_t size, Blocks& out)
{
    try {
        auto image = Exiv2::ImageFactory::open(data, static_cast<long>(size));
        if (!image.get())
            return false;
        image->readMetadata();
        out.exif = image->exifData();
        out.iptc = image->iptcData();
        out.xmp = image->xmpData();
        return true;
    } catch (const std::exception&) {
        return false; // not a format Exiv2 opens, or a block it cannot parse
    }
}

/* A blob libvips attached to the image header; empty when it has none. */
std::string headerBlob(const vips::VImage& header, const char* name)
{
    if (header.get_typeof(name) == 0)
        return {};
    std::size_t size = 0;
    const void* blob = header.get_blob(name, &size);
    return std::string(static_cast<const char*>(blob), size);
}

/* Fills the EXIF and XMP blocks that are still empty from what libvips' loader found. */
void readWithVips(const uint8_t* data, std::size_t size, Blocks& out)
{
    imaging::startVips(nullptr);
    try {
        vips::VImage header = vips::VImage::new_from_buffer(data, size, "");
        std::string exif = headerBlob(header, "exif-data");
        // The EXIF block of a HEIF file starts with the JPEG APP1 marker text.
        if (exif.compare(0, 6, std::string("Exif\0\0", 6)) == 0)
            exif.erase(0, 6);
        if (!exif.empty() && out.exif.empty())
            Exiv2::ExifParser::decode(out.exif, reinterpret_cast<const Exiv2::byte*>(exif.data()),
                                      static_cast<uint32_t>(exif.size()));
        std::string xmp = headerBlob(header, "xmp-data");
        if (!xmp.empty() && out.xmp.empty() && Exiv2::XmpParser::decode(out.xmp, xmp) != 0)
            out.xmp.clear();
    } catch (const vips::VError&) {
        vips_error_clear(); // not an image at all: it has no metadata either
    } catch (const std::exception&) {
        // A block Exiv2 cannot parse counts as none; what was read before stays.
    }
}

} // namespace

void startExiv2()
{
    static std::once_flag started;
    std::call_once(started, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
    });
}

Blocks readBlocks(const uint8_t* data, std::size_t size)
{
    startExiv2();
    Blocks blocks;
    // Exiv2 recognises a HEIF container without reading its blocks: libvips hands them over.
    if (!readWithExiv2(data, size, blocks) || blocks.exif.empty())
        readWithVips(data, size, blocks);
    return blocks;
}

Exiv2::XmpData readSidecar(const std::string& path)
{
    startExiv2();
    Exiv2::XmpData xmp;
    std::ifstream in(path, std::ios::binary);
    std::string packet((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        if (!packet.empty() && Exiv2::XmpParser::decode(xmp, packet) != 0)
            xmp.clear();
    } catch (const std::exception&) {
        xmp.clear();
    }
    return xmp;
}

} // namespace kavdb::metadata
