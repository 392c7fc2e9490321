/*
 * EXIF through Exiv2 (0.27), from the bytes already in memory so that each photo is read
 * from disk once. Exiv2's own warnings are muted: a damaged maker note is not the user's
 * business, the items that could be read still count.
 */
#include "imaging/exif.h"

#include "imaging/exif_format.h"

#include <exiv2/exiv2.hpp>

#include <mutex>
#include <optional>

namespace kavdb::imaging {
namespace {

using Exiv2::ExifData;

const Exiv2::Exifdatum* find(const ExifData& exif, const char* key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() || it->count() == 0 ? nullptr : &*it;
}

void addText(CameraMetadata& out, const char* name, const std::string& text)
{
    std::string value = trimmedText(text);
    if (!value.empty())
        out.push_back({name, value});
}

void addText(CameraMetadata& out, const char* name, const std::optional<std::string>& text)
{
    if (text)
        addText(out, name, *text);
}

void addFirstText(CameraMetadata& out, const ExifData& exif, const char* name,
                  std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        if (const Exiv2::Exifdatum* d = find(exif, key)) {
            std::string text = trimmedText(d->toString());
            if (!text.empty()) {
                out.push_back({name, text});
                return;
            }
        }
}

void addInteger(CameraMetadata& out, const ExifData& exif, const char* name, const char* key)
{
    if (const Exiv2::Exifdatum* d = find(exif, key))
        out.push_back({name, static_cast<int32_t>(d->toLong(0))});
}

std::optional<Exiv2::Rational> rational(const ExifData& exif, const char* key)
{
    const Exiv2::Exifdatum* d = find(exif, key);
    if (!d)
        return std::nullopt;
    return d->toRational(0);
}

std::optional<std::string> coordinate(const ExifData& exif, const char* key, const char* refKey)
{
    const Exiv2::Exifdatum* d = find(exif, key);
    const Exiv2::Exifdatum* ref = find(exif, refKey);
    if (!d || !ref || d->count() < 3)
        return std::nullopt;
    double parts[3];
    for (long i = 0; i < 3; ++i) {
        Exiv2::Rational r = d->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        parts[i] = static_cast<double>(r.first) / r.second;
    }
    std::string hemisphere = trimmedText(ref->toString());
    return degreesText(parts[0], parts[1], parts[2], hemisphere.empty() ? 'N' : hemisphere[0]);
}

std::optional<std::string> lensText(const ExifData& exif)
{
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.LensModel"))
        return d->toString();
    auto it = Exiv2::lensName(exif);
    if (it == exif.end())
        return std::nullopt;
    std::string printed = trimmedText(it->print(&exif));
    if (printed.empty() || printed == "n/a" || printed.rfind("Unknown", 0) == 0 ||
        printed.front() == '(')
        return std::nullopt;
    return printed;
}

template <typename Format>
void addRational(CameraMetadata& out, const ExifData& exif, const char* name, const char* key,
                 Format format)
{
    if (auto r = rational(exif, key))
        addText(out, name, format(r->first, r->second));
}

CameraMetadata collect(const ExifData& exif)
{
    CameraMetadata out;
    addFirstText(out, exif, "Make", {"Exif.Image.Make"});
    addFirstText(out, exif, "Model", {"Exif.Image.Model"});
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.DateTimeOriginal"))
        addText(out, "DateTaken", dateText(d->toString()));
    else if (const Exiv2::Exifdatum* d2 = find(exif, "Exif.Image.DateTime"))
        addText(out, "DateTaken", dateText(d2->toString()));
    addRational(out, exif, "ExposureTime", "Exif.Photo.ExposureTime", exposureText);
    addRational(out, exif, "FNumber", "Exif.Photo.FNumber", decimalText);
    addInteger(out, exif, "ISO", "Exif.Photo.ISOSpeedRatings");
    addRational(out, exif, "FocalLength", "Exif.Photo.FocalLength", decimalText);
    addInteger(out, exif, "Orientation", "Exif.Image.Orientation");
    addText(out, "Lens", lensText(exif));
    addText(out, "GPSLatitude",
            coordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef"));
    addText(out, "GPSLongitude",
            coordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef"));
    return out;
}

} // namespace

CameraMetadata readCameraMetadata(const uint8_t* data, std::size_t size)
{
    static std::once_flag started;
    std::call_once(started, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(); // not thread-safe itself; photos are read on several
                                        // threads
    });
    try {
        auto image = Exiv2::ImageFactory::open(data, static_cast<long>(size));
        if (!image.get())
            return {};
        image->readMetadata();
        return collect(image->exifData());
    } catch (const std::exception&) {
        return {}; // no EXIF block, or one Exiv2 cannot parse: the photo simply has none
    }
}

} // namespace kavdb::imaging
