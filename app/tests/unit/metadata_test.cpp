/*
 * Photo metadata: the forms of values, the camera items and the descriptive items read
 * from the repository's photos (expected values checked by hand against ExifTool's
 * printout of each file) and XMP sidecars; the HEIC sample's, read through libvips, are
 * checked where `kavdb show` prints them.
 */
#include "metadata/camera.h"
#include "metadata/descriptive.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>

namespace kavdb::metadata {
namespace {

// The common forms are checked on the repository's photos (PhotoItems); here, the edges.
TEST(MetadataValues, NumbersExposuresDatesTextsListsAndLensesNamedForOtherFocalLengths)
{
    EXPECT_EQ(ratio(1, 0), std::nullopt);
    EXPECT_EQ(exposureText(5, 2), "2.5");
    EXPECT_EQ(exposureText(0, 1), std::nullopt);
    EXPECT_EQ(dateText("    :  :     :  :  "), "");
    EXPECT_EQ(xmpDateText("2008-03-15T09:52:01-04:00"), "2008-03-15 09:52:01");
    EXPECT_EQ(xmpDateText("2005-12-17T22:03:32Z"), "2005-12-17 22:03:32");
    EXPECT_EQ(xmpDateText("2019-01-21T16:10:54.006"), "2019-01-21 16:10:54");
    EXPECT_EQ(xmpDateText("2008:05:10 20:55:15+09:00"), "2008-05-10 20:55:15");
    EXPECT_EQ(xmpDateText("soon"), "");
    EXPECT_EQ(signedDegrees(51, 30, 36, 'N'), 51.51);
    EXPECT_EQ(trimmedText(std::string("WWL\0\0\0", 6)), "WWL");
    EXPECT_EQ(cutText("a\xC3\xA9z", 2), "a"); // never half of "é"
    EXPECT_EQ(utf8Text("S\xC3\xA8te"), "S\xC3\xA8te");
    EXPECT_EQ(joinedList({" sea", "boats", "", "sea", "a;b"}), "sea; boats; a,b");
    EXPECT_EQ(splitList("sea, boats;harbour", true),
              (std::vector<std::string>{"sea", " boats", "harbour"}));
    EXPECT_EQ(splitList("Smith, Ann; Bob", false),
              (std::vector<std::string>{"Smith, Ann", " Bob"}));
    EXPECT_FALSE(lensAgrees("Canon EF 28mm f/2.8", 7.4)); // a compact's 7.4 mm
    EXPECT_TRUE(lensAgrees("Canon EF 28mm f/2.8", 28));
    EXPECT_TRUE(lensAgrees("Canon EF-S 17-85mm f/4-5.6 IS USM", 50));
    EXPECT_FALSE(lensAgrees("Canon EF-S 17-85mm f/4-5.6 IS USM", 135));
    EXPECT_TRUE(lensAgrees("Canon EF 300mm f/4L + 1.4x", 420));
    EXPECT_TRUE(lensAgrees("Some lens", 12));
}

using Items = std::map<std::string, ItemValue>;

Items itemsOf(const std::string& path, const std::vector<std::string>& sidecars = {})
{
    std::vector<uint8_t> bytes = test::readFileBytes(path);
    EXPECT_FALSE(bytes.empty()) << "missing test photo " << path;
    Blocks blocks = readBlocks(bytes.data(), bytes.size());
    std::vector<Exiv2::XmpData> xmp;
    for (const std::string& sidecar : sidecars)
        xmp.push_back(readSidecar(sidecar));
    Items items;
    for (const PhotoItems& list : {cameraItems(blocks, xmp), descriptiveItems(blocks, xmp)})
        for (const PhotoItem& item : list)
            items[item.table + "." + item.name] = item.value;
    return items;
}

Items photo(const std::string& name)
{
    static std::map<std::string, Items> read; // each photo parsed once
    if (!read.count(name))
        read[name] = itemsOf(std::string(KAVDB_PHOTOS_DIR) + "/" + name);
    return read[name];
}

/* An item a photo gives, or (no value) must not give. */
struct Expected {
    std::string photo;
    std::string item;
    std::optional<ItemValue> value;
};

TEST(PhotoItems, CameraAndDescriptiveItemsOfTheRepositoryPhotos)
{
    using S = std::string;
    const std::vector<Expected> expected = {
        // Numbers are numbers; the exposure is also text.
        {"Canon_40D.jpg", "ExifInfo.FNumber", 7.1},
        {"Canon_40D.jpg", "ExifInfo.FocalLength", 135.0},
        {"Canon_40D.jpg", "ExifInfo.ExposureTime", 1.0 / 160},
        {"Canon_40D.jpg", "ExifInfo.ExposureText", S("1/160")},
        {"Canon_40D.jpg", "ExifInfo.ISO", int32_t{100}},
        {"Canon_40D.jpg", "ExifInfo.DateTaken", S("2008-05-30 15:56:01")},
        {"Canon_40D.jpg", "ExifInfo.DateSource", S("DateTimeOriginal")},
        {"Nikon_D70.jpg", "ExifInfo.FocalLength35", 150.0},
        // A compact: ISO only in Canon's maker note, a lens type of "n/a".
        {"Canon_DIGITAL_IXUS_400.jpg", "ExifInfo.ISO", int32_t{50}},
        {"Canon_DIGITAL_IXUS_400.jpg", "ExifInfo.Lens", std::nullopt},
        {"Canon_PowerShot_S40.jpg", "ExifInfo.ISO", int32_t{100}},
        // Adobe's lens text in XMP, where the EXIF block names none.
        {"Nikon_D70.jpg", "ExifInfo.Lens", S("100.0 mm f/2.8")},
        // The date taken is never a modification date (here only a Photoshop save's).
        {"Canon_40D_photoshop_import.jpg", "ExifInfo.DateTaken", std::nullopt},
        {"long_description.jpg", "ExifInfo.DateTaken", S("2003-08-31")},
        {"long_description.jpg", "ExifInfo.DateSource", S("XMP photoshop:DateCreated")},
        {"Reconyx_HC500_Hyperfire.jpg", "ExifInfo.Make", std::nullopt},
        {"Reconyx_HC500_Hyperfire.jpg", "ExifInfo.ExposureText", S("1/55")},
        // XMP and IPTC (Latin-1 datasets here) fill caption, rating, people and location.
        {"xmp_tagged.jpg", "Caption.Title", S("Harbour at dusk")},
        {"xmp_tagged.jpg", "Caption.Keywords", S("sea; boats; harbour front; overseas trip")},
        {"xmp_tagged.jpg", "Rating.Stars", int32_t{4}},
        {"xmp_tagged.jpg", "Rating.Label", S("Red")},
        {"xmp_tagged.jpg", "People.PersonName", S("Ann Smith; Bob Jones")},
        {"xmp_tagged.jpg", "Location.Place", S("Ribeira")},
        {"iptc_tagged.jpg", "Caption.Description", S("Le canal \xC3\xA0 S\xC3\xA8te")},
        {"iptc_tagged.jpg", "Caption.Keywords", S("canal; bateaux")},
        {"iptc_tagged.jpg", "Location.City", S("S\xC3\xA8te")},
        // A camera's default text is no description.
        {"Konica_Minolta_DiMAGE_Z3.jpg", "Caption.Description", std::nullopt},
        {"WWL_(Polaroid)_ION230.jpg", "Caption.Description", std::nullopt},
    };
    for (const Expected& e : expected) {
        Items got = photo(e.photo);
        auto it = got.find(e.item);
        EXPECT_EQ(it == got.end() ? std::nullopt : std::optional(it->second), e.value)
            << e.photo << " " << e.item;
    }
    Items kodak = photo("Kodak_CX7530.jpg"); // S 0/1 22278/1000 0/1, E 36/1 3385/1000 0/1
    EXPECT_NEAR(std::get<double>(kodak["ExifInfo.GPSLatitude"]), -0.3713, 1e-9);
    EXPECT_NEAR(std::get<double>(kodak["ExifInfo.GPSLongitude"]), 36.0564167, 1e-7);
    std::string text = std::get<std::string>(photo("long_description.jpg")["Caption.Description"]);
    EXPECT_EQ(text.rfind("Operation Mountain Viper", 0), 0u);
}

TEST(DescriptiveItems, ASidecarComesBeforeTheEmbeddedPacket)
{
    const std::string sidecar = ::testing::TempDir() + "/side.xmp";
    std::ofstream(sidecar) << R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
      xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description
      xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:xmp="http://ns.adobe.com/xap/1.0/"
      xmp:Rating="2"><dc:title><rdf:Alt><rdf:li xml:lang="x-default">Quay at night</rdf:li>
      </rdf:Alt></dc:title></rdf:Description></rdf:RDF></x:xmpmeta>)";
    Items got = itemsOf(std::string(KAVDB_PHOTOS_DIR) + "/xmp_tagged.jpg", {sidecar});
    EXPECT_EQ(got["Caption.Title"], ItemValue(std::string("Quay at night")));
    EXPECT_EQ(got["Rating.Stars"], ItemValue(int32_t{2}));
    EXPECT_EQ(got["Rating.Label"], ItemValue(std::string("Red"))); // the sidecar has none
}

TEST(MetadataBlocks, WhatIsNoPhotoHasNoBlocks)
{
    test::startTestVips();
    std::vector<uint8_t> png = test::encoded(test::rampImage(20, 20), ".png");
    EXPECT_TRUE(cameraItems(readBlocks(png.data(), png.size())).empty());
    const uint8_t junk[] = {1, 2, 3, 4, 5};
    EXPECT_TRUE(cameraItems(readBlocks(junk, sizeof junk)).empty());
    EXPECT_TRUE(readSidecar("/no/such/file.xmp").empty());
}

} // namespace
} // namespace kavdb::metadata
