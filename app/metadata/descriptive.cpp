/*
 * Descriptive items from IPTC-IIM and XMP (descriptive.h).
 */
#include "metadata/descriptive.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <strings.h>

namespace kavdb::metadata {
namespace {

using Entries = std::vector<std::string>;

/* The photo's sources, in the order an item is looked for in them. */
struct Sources {
    std::vector<const Exiv2::XmpData*> xmp;
    const Exiv2::IptcData* iptc;
    const Exiv2::ExifData* exif;
};

/* The text of a language alternative: its x-default, else its first language. */
std::string languageText(const Exiv2::Xmpdatum& datum)
{
    std::string text = datum.toString(0);
    const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&datum.value());
    if (text.empty() && alt && !alt->value_.empty())
        text = alt->value_.begin()->second;
    return text;
}

Entries kept(const Entries& raw)
{
    Entries out;
    for (const std::string& entry : raw) {
        std::string text = trimmedText(entry);
        if (!text.empty())
            out.push_back(text);
    }
    return out;
}

/* Every entry of an XMP property: a language alternative's text, each element of an
 * array, or the one simple value. */
Entries xmpEntries(const Exiv2::XmpData& xmp, const char* key)
{
    auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    if (it->typeId() == Exiv2::langAlt)
        return kept({languageText(*it)});
    Entries raw;
    for (long i = 0; i < it->count(); ++i)
        raw.push_back(it->toString(i));
    return kept(raw);
}

/* The names of the people in the photo's face regions (Metadata Working Group and
 * Microsoft Photo region schemas). */
Entries regionNames(const Exiv2::XmpData& xmp)
{
    static const std::regex nameKey(
        R"(Xmp\.(mwg-rs\.Regions/mwg-rs:RegionList\[\d+\]/mwg-rs:Name|)"
        R"(MP\.RegionInfo/MPRI:Regions\[\d+\]/MPReg:PersonDisplayName))");
    Entries raw;
    for (const Exiv2::Xmpdatum& datum : xmp)
        if (std::regex_match(datum.key(), nameKey))
            raw.push_back(datum.toString());
    return kept(raw);
}

/* Every dataset of a repeatable IPTC-IIM key, in UTF-8. */
Entries iptcEntries(const Exiv2::IptcData& iptc, const char* key)
{
    Entries raw;
    for (const Exiv2::Iptcdatum& datum : iptc)
        if (datum.key() == key)
            raw.push_back(utf8Text(datum.toString()));
    return kept(raw);
}

/* The first source's entries for an item: XMP keys in the XMP packets, then the IPTC key. */
Entries firstEntries(const Sources& sources, std::initializer_list<const char*> xmpKeys,
                     const char* iptcKey)
{
    for (const Exiv2::XmpData* xmp : sources.xmp)
        for (const char* key : xmpKeys) {
            Entries found = xmpEntries(*xmp, key);
            if (!found.empty())
                return found;
        }
    return iptcKey ? iptcEntries(*sources.iptc, iptcKey) : Entries{};
}

/* EXIF's ImageDescription, unless it is what cameras write there by default: their make,
 * their model, or "... DIGITAL CAMERA". */
std::string exifDescription(const Exiv2::ExifData& exif)
{
    auto text = [&](const char* key) {
        auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string() : trimmedText(it->toString());
    };
    std::string description = text("Exif.Image.ImageDescription");
    const std::string suffix = "DIGITAL CAMERA";
    bool cameraDefault =
        strcasecmp(description.c_str(), text("Exif.Image.Make").c_str()) == 0 ||
        strcasecmp(description.c_str(), text("Exif.Image.Model").c_str()) == 0 ||
        (description.size() >= suffix.size() &&
         strcasecmp(description.c_str() + description.size() - suffix.size(), suffix.c_str()) == 0);
    return cameraDefault ? std::string() : utf8Text(description);
}

void addText(PhotoItems& out, const char* table, const char* name, const Entries& entries)
{
    if (!entries.empty())
        out.push_back({table, name, entries.front()});
}

void addList(PhotoItems& out, const char* table, const char* name, const Entries& entries)
{
    std::string joined = joinedList(entries);
    if (!joined.empty())
        out.push_back({table, name, joined});
}

/* Stars from xmp:Rating, else EXIF's Rating; -1 (rejected) to 5. */
void addStars(PhotoItems& out, const Sources& sources)
{
    Entries rating = firstEntries(sources, {"Xmp.xmp.Rating"}, nullptr);
    auto exifRating = sources.exif->findKey(Exiv2::ExifKey("Exif.Image.Rating"));
    if (rating.empty() && exifRating != sources.exif->end() && exifRating->count() > 0)
        rating.push_back(exifRating->toString(0));
    if (rating.empty())
        return;
    char* end = nullptr;
    double stars = std::strtod(rating.front().c_str(), &end);
    if (end != rating.front().c_str() && stars >= -1 && stars <= 5)
        out.push_back({"Rating", "Stars", static_cast<int32_t>(std::lround(stars))});
}

} // namespace

PhotoItems descriptiveItems(const Blocks& blocks, const std::vector<Exiv2::XmpData>& sidecars)
{
    Sources sources{{}, &blocks.iptc, &blocks.exif};
    for (const Exiv2::XmpData& xmp : sidecars)
        sources.xmp.push_back(&xmp);
    sources.xmp.push_back(&blocks.xmp);

    PhotoItems out;
    addText(out, "Caption", "Title",
            firstEntries(sources, {"Xmp.dc.title"}, "Iptc.Application2.ObjectName"));
    Entries description =
        firstEntries(sources, {"Xmp.dc.description"}, "Iptc.Application2.Caption");
    if (description.empty())
        description = kept({exifDescription(blocks.exif)});
    addText(out, "Caption", "Description", description);
    addList(out, "Caption", "Keywords",
            firstEntries(sources, {"Xmp.dc.subject"}, "Iptc.Application2.Keywords"));
    addStars(out, sources);
    addText(out, "Rating", "Label", firstEntries(sources, {"Xmp.xmp.Label"}, nullptr));
    Entries people = firstEntries(sources, {"Xmp.iptcExt.PersonInImage"}, nullptr);
    for (const Exiv2::XmpData* xmp : sources.xmp)
        if (people.empty())
            people = regionNames(*xmp);
    addList(out, "People", "PersonName", people);
    addText(out, "Location", "Country",
            firstEntries(sources, {"Xmp.photoshop.Country"}, "Iptc.Application2.CountryName"));
    addText(out, "Location", "City",
            firstEntries(sources, {"Xmp.photoshop.City"}, "Iptc.Application2.City"));
    addText(out, "Location", "Place",
            firstEntries(sources, {"Xmp.iptc.Location"}, "Iptc.Application2.SubLocation"));
    return out;
}

} // namespace kavdb::metadata
