/*
 * What a photo holds, read in the test directly with libvips (from the file, not from a
 * buffer as the tool does) and Exiv2, to compare the catalogue against.
 */
#pragma once

#include "imaging/vips_runtime.h"

#include <exiv2/exiv2.hpp>
#include <vips/vips8>

#include <string>

namespace kavdb::test {

struct Reference {
    bool readable = false;
    int width = 0;
    int height = 0;
    std::string make;
    std::string model;
    double focalLength = 0; // millimetres; 0 when the photo does not say
};

inline std::string exifText(const Exiv2::ExifData& exif, const char* key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    std::string s = it == exif.end() ? "" : it->toString();
    s = s.substr(0, s.find('\0'));
    s.erase(s.find_last_not_of(" \t") + 1);
    return s.erase(0, s.find_first_not_of(" \t"));
}

inline Reference referenceOf(const std::string& path)
{
    imaging::startVips("kavdb_app_command_tests");
    Reference ref;
    try {
        vips::VImage image = vips::VImage::new_from_file(
            path.c_str(), vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        ref.width = image.width();
        ref.height = image.height();
        vips::VImage copy = image.copy_memory(); // decodes every pixel: fails for damage
        ref.readable = copy.width() == ref.width;
    } catch (const vips::VError&) {
        vips_error_clear();
        ref.readable = false;
    }
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    try {
        auto file = Exiv2::ImageFactory::open(path);
        file->readMetadata();
        const Exiv2::ExifData& exif = file->exifData();
        ref.make = exifText(exif, "Exif.Image.Make");
        ref.model = exifText(exif, "Exif.Image.Model");
        auto focal = exif.findKey(Exiv2::ExifKey("Exif.Photo.FocalLength"));
        if (focal != exif.end() && focal->count() > 0)
            ref.focalLength = focal->toFloat(0);
    } catch (const std::exception&) {
    }
    return ref;
}

} // namespace kavdb::test
