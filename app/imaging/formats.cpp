/*
 * Image extensions, checked against the loaders libvips actually has (startVips first),
 * and the RAW formats, which Exiv2 and LibRaw read (raw.h).
 */
#include "imaging/formats.h"

#include "imaging/raw.h"
#include "imaging/vips_runtime.h"

#include <vips/vips.h>

#include <algorithm>
#include <cctype>

namespace kavdb::imaging {
namespace {

struct Format {
    const char* loader; // libvips operation nickname
    std::vector<std::string> extensions;
};

const std::vector<Format>& knownFormats()
{
    static const std::vector<Format> formats = {
        {"jpegload", {".jpg", ".jpeg", ".jpe", ".jfif"}},
        {"pngload", {".png"}},
        {"tiffload", {".tif", ".tiff"}},
        {"webpload", {".webp"}},
        {"gifload", {".gif"}},
        {"heifload", {".heic", ".heif", ".avif"}},
        {"jp2kload", {".jp2", ".j2k"}},
        {"jxlload", {".jxl"}},
    };
    return formats;
}

bool loaderPresent(const char* nickname)
{
    return vips_type_find("VipsOperation", nickname) != 0;
}

} // namespace

const std::vector<std::string>& imageExtensions()
{
    static const std::vector<std::string> available = [] {
        startVips(nullptr);
        std::vector<std::string> out;
        for (const Format& f : knownFormats())
            if (loaderPresent(f.loader))
                out.insert(out.end(), f.extensions.begin(), f.extensions.end());
        out.insert(out.end(), rawExtensions().begin(), rawExtensions().end());
        return out;
    }();
    return available;
}

bool hasExtension(const std::filesystem::path& name, const std::vector<std::string>& extensions)
{
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !ext.empty() && std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

bool isImageFileName(const std::filesystem::path& name)
{
    return hasExtension(name, imageExtensions());
}

} // namespace kavdb::imaging
