/*
 * Camera items from the EXIF block (camera.h), with the XMP packets as the last source of
 * the date taken and of a lens the EXIF block does not name.
 */
#include "metadata/camera.h"

#include <charconv>
#include <cmath>
#include <regex>

namespace kavdb::metadata {
namespace {

using Exiv2::ExifData;

const Exiv2::Exifdatum* find(const ExifData& exif, const char* key)
{
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() || it->count() == 0 ? nullptr : &*it;
}

std::string xmpText(const Exiv2::XmpData& xmp, const char* key)
{
    auto it = xmp.findKey(Exiv2::XmpKey(key));
    return it == xmp.end() || it->count() == 0 ? std::string() : trimmedText(it->toString(0));
}

void addText(PhotoItems& out, const char* name, const std::string& text)
{
    std::string value = trimmedText(text);
    if (!value.empty())
        out.push_back({kCameraTable, name, value});
}

void addNumber(PhotoItems& out, const char* name, std::optional<double> value)
{
    if (value && std::isfinite(*value))
        out.push_back({kCameraTable, name, *value});
}

std::optional<double> rational(const ExifData& exif, const char* key, long index = 0)
{
    const Exiv2::Exifdatum* d = find(exif, key);
    if (!d || d->count() <= index)
        return std::nullopt;
    Exiv2::Rational r = d->toRational(index);
    return ratio(r.first, r.second);
}

/* The value when above zero: an aperture or focal length of 0 is a camera's "unknown". */
std::optional<double> positive(std::optional<double> value)
{
    return value && *value > 0 ? value : std::nullopt;
}

/* A whole number printed by Exiv2 (which decodes maker-note values); none for 0. */
std::optional<int32_t> printedWhole(const ExifData& exif, ExifData::const_iterator it)
{
    if (it == exif.end() || it->count() == 0)
        return std::nullopt;
    std::string text = trimmedText(it->print(&exif));
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || value <= 0)
        return std::nullopt;
    return value;
}

struct DateFound {
    std::string text;
    const char* source = nullptr;
};

DateFound exifDate(const ExifData& exif)
{
    auto original = Exiv2::dateTimeOriginal(exif);
    if (original != exif.end() && original->key() != "Exif.Image.DateTime") {
        std::string text = dateText(original->toString());
        if (!text.empty())
            return {text, "DateTimeOriginal"};
    }
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.DateTimeDigitized")) {
        std::string text = dateText(d->toString());
        if (!text.empty())
            return {text, "CreateDate"};
    }
    return {};
}

DateFound xmpDate(const Exiv2::XmpData& xmp)
{
    static const std::pair<const char*, const char*> keys[] = {
        {"Xmp.exif.DateTimeOriginal", "XMP exif:DateTimeOriginal"},
        {"Xmp.photoshop.DateCreated", "XMP photoshop:DateCreated"},
        {"Xmp.xmp.CreateDate", "XMP xmp:CreateDate"}};
    for (const auto& [key, source] : keys) {
        std::string text = xmpDateText(xmpText(xmp, key));
        if (!text.empty())
            return {text, source};
    }
    return {};
}

void addDateTaken(PhotoItems& out, const Blocks& blocks,
                  const std::vector<Exiv2::XmpData>& sidecars)
{
    DateFound date = exifDate(blocks.exif);
    for (const Exiv2::XmpData& xmp : sidecars)
        if (!date.source)
            date = xmpDate(xmp);
    if (!date.source)
        date = xmpDate(blocks.xmp);
    if (date.source) {
        addText(out, "DateTaken", date.text);
        addText(out, "DateSource", date.source);
    }
}

bool resolvedLensName(const std::string& printed)
{
    return !printed.empty() && printed != "n/a" && printed.rfind("Unknown", 0) != 0 &&
           printed.front() != '(' && printed.find_first_not_of("0123456789 ") != std::string::npos;
}

std::string lensText(const Blocks& blocks, std::optional<double> focalLength)
{
    if (const Exiv2::Exifdatum* d = find(blocks.exif, "Exif.Photo.LensModel")) {
        std::string model = trimmedText(d->toString());
        if (!model.empty())
            return model;
    }
    auto it = Exiv2::lensName(blocks.exif);
    if (it != blocks.exif.end()) {
        std::string printed = trimmedText(it->print(&blocks.exif));
        if (resolvedLensName(printed) && (!focalLength || lensAgrees(printed, *focalLength)))
            return printed;
    }
    for (const char* key : {"Xmp.aux.Lens", "Xmp.exifEX.LensModel"}) {
        std::string text = xmpText(blocks.xmp, key);
        if (!text.empty())
            return text;
    }
    return {};
}

std::optional<double> coordinate(const ExifData& exif, const char* key, const char* refKey)
{
    const Exiv2::Exifdatum* ref = find(exif, refKey);
    auto degrees = rational(exif, key, 0);
    auto minutes = rational(exif, key, 1);
    auto seconds = rational(exif, key, 2);
    if (!ref || !degrees || !minutes || !seconds)
        return std::nullopt;
    std::string hemisphere = trimmedText(ref->toString());
    return signedDegrees(*degrees, *minutes, *seconds, hemisphere.empty() ? 'N' : hemisphere[0]);
}

std::optional<double> altitude(const ExifData& exif)
{
    auto metres = rational(exif, "Exif.GPSInfo.GPSAltitude");
    const Exiv2::Exifdatum* ref = find(exif, "Exif.GPSInfo.GPSAltitudeRef");
    if (metres && ref && ref->toLong(0) == 1)
        return -*metres; // below sea level
    return metres;
}

void addWhole(PhotoItems& out, const char* name, std::optional<int32_t> value)
{
    if (value)
        out.push_back({kCameraTable, name, *value});
}

void addExposure(PhotoItems& out, const ExifData& exif)
{
    const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.ExposureTime");
    if (!d)
        return;
    Exiv2::Rational r = d->toRational(0);
    addNumber(out, "ExposureTime", positive(ratio(r.first, r.second)));
    if (auto text = exposureText(r.first, r.second))
        addText(out, "ExposureText", *text);
}

std::optional<int32_t> orientationOf(const ExifData& exif)
{
    const Exiv2::Exifdatum* d = find(exif, "Exif.Image.Orientation");
    long value = d ? d->toLong(0) : 0;
    return value >= 1 && value <= 8 ? std::optional<int32_t>(static_cast<int32_t>(value))
                                    : std::nullopt;
}

std::optional<double> focalLength35(const ExifData& exif)
{
    const Exiv2::Exifdatum* d = find(exif, "Exif.Photo.FocalLengthIn35mmFilm");
    long value = d ? d->toLong(0) : 0;
    return value > 0 ? std::optional<double>(static_cast<double>(value)) : std::nullopt;
}

} // namespace

bool lensAgrees(const std::string& lens, double focalLength)
{
    static const std::regex range(R"((\d+(?:\.\d+)?)(?:\s*-\s*(\d+(?:\.\d+)?))?\s*mm)");
    static const std::regex extender(R"(\+\s*(\d(?:\.\d+)?)\s*x)");
    std::smatch m;
    if (!std::regex_search(lens, m, range))
        return true;
    double shortest = std::stod(m[1].str());
    double longest = m[2].matched ? std::stod(m[2].str()) : shortest;
    std::smatch e;
    if (std::regex_search(lens, e, extender))
        longest *= std::stod(e[1].str());
    // EXIF focal lengths are rounded, and zooms are named by round numbers.
    return focalLength >= shortest * 0.9 && focalLength <= longest * 1.1;
}

PhotoItems cameraItems(const Blocks& blocks, const std::vector<Exiv2::XmpData>& sidecars)
{
    const ExifData& exif = blocks.exif;
    PhotoItems out;
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Image.Make"))
        addText(out, "Make", d->toString());
    if (const Exiv2::Exifdatum* d = find(exif, "Exif.Image.Model"))
        addText(out, "Model", d->toString());
    addDateTaken(out, blocks, sidecars);
    addExposure(out, exif);
    addNumber(out, "FNumber", positive(rational(exif, "Exif.Photo.FNumber")));
    addWhole(out, "ISO", printedWhole(exif, Exiv2::isoSpeed(exif)));
    std::optional<double> focal = positive(rational(exif, "Exif.Photo.FocalLength"));
    addNumber(out, "FocalLength", focal);
    addNumber(out, "FocalLength35", focalLength35(exif));
    addWhole(out, "Orientation", orientationOf(exif));
    addText(out, "Lens", lensText(blocks, focal));
    addNumber(out, "GPSLatitude",
              coordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef"));
    addNumber(out, "GPSLongitude",
              coordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef"));
    addNumber(out, "GPSAltitude", altitude(exif));
    return out;
}

} // namespace kavdb::metadata
