/*
 * Photo metadata: the forms of values, the camera items and the descriptive items read
 * from the repository's photos (expected values checked by hand against ExifTool's
 * printout of each file), with XMP sidecars and the HEIC sample's blocks from libvips.
 */
#include "metadata/camera.h"
#include "metadata/descriptive.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace kavdb::metadata {
namespace {

TEST(MetadataValues, NumbersExposuresAndDates)
{
    EXPECT_EQ(ratio(71, 10), 7.1);
    EXPECT_EQ(ratio(1, 0), std::nullopt);
    EXPECT_EQ(exposureText(1, 160), "1/160");
    EXPECT_EQ(exposureText(148, 8160), "1/55");
    EXPECT_EQ(exposureText(5, 2), "2.5");
    EXPECT_EQ(exposureText(0, 1), std::nullopt);
    EXPECT_EQ(dateText("2008:05:30 15:56:01"), "2008-05-30 15:56:01");
    EXPECT_EQ(dateText("    :  :     :  :  "), "");
    EXPECT_EQ(xmpDateText("2008-03-15T09:52:01-04:00"), "2008-03-15 09:52:01");
    EXPECT_EQ(xmpDateText("2005-12-17T22:03:32Z"), "2005-12-17 22:03:32");
    EXPECT_EQ(xmpDateText("2003-08-31"), "2003-08-31");
    EXPECT_EQ(xmpDateText("2019-01-21T16:10:54.006"), "2019-01-21 16:10:54");
    EXPECT_EQ(xmpDateText("2008:05:10 20:55:15+09:00"), "2008-05-10 20:55:15");
    EXPECT_EQ(xmpDateText("soon"), "");
    EXPECT_EQ(signedDegrees(0, 22, 0, 'S'), -22.0 / 60);
    EXPECT_EQ(signedDegrees(51, 30, 36, 'N'), 51.51);
}

TEST(MetadataValues, TextsAndLists)
{
    EXPECT_EQ(trimmedText(std::string("WWL\0\0\0", 6)), "WWL");
    EXPECT_EQ(cutText("a\xC3\xA9z", 2), "a");      // never half of "é"
    EXPECT_EQ(utf8Text("S\xE8te"), "S\xC3\xA8te"); // Latin-1 when not UTF-8
    EXPECT_EQ(utf8Text("S\xC3\xA8te"), "S\xC3\xA8te");
    EXPECT_EQ(joinedList({" sea", "boats", "", "sea", "a;b"}), "sea; boats; a,b");
    EXPECT_EQ(splitList("sea, boats;harbour", true),
              (std::vector<std::string>{"sea", " boats", "harbour"}));
    EXPECT_EQ(splitList("Smith, Ann; Bob", false),
              (std::vector<std::string>{"Smith, Ann", " Bob"}));
}

TEST(MetadataValues, ALensNamedForOtherFocalLengthsIsAGuess)
{
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
    return itemsOf(std::string(KAVDB_PHOTOS_DIR) + "/" + name);
}

TEST(CameraItems, NumbersAreNumbersAndTheExposureIsAlsoText)
{
    Items got = photo("Canon_40D.jpg");
    EXPECT_EQ(got["ExifInfo.FNumber"], ItemValue(7.1));
    EXPECT_EQ(got["ExifInfo.FocalLength"], ItemValue(135.0));
    EXPECT_EQ(got["ExifInfo.ExposureTime"], ItemValue(1.0 / 160));
    EXPECT_EQ(got["ExifInfo.ExposureText"], ItemValue(std::string("1/160")));
    EXPECT_EQ(got["ExifInfo.ISO"], ItemValue(int32_t{100}));
    EXPECT_EQ(got["ExifInfo.DateTaken"], ItemValue(std::string("2008-05-30 15:56:01")));
    EXPECT_EQ(got["ExifInfo.DateSource"], ItemValue(std::string("DateTimeOriginal")));
    EXPECT_EQ(photo("Nikon_D70.jpg")["ExifInfo.FocalLength35"], ItemValue(150.0));
    Items kodak = photo("Kodak_CX7530.jpg"); // S 0/1 22278/1000 0/1, E 36/1 3385/1000 0/1
    EXPECT_NEAR(std::get<double>(kodak["ExifInfo.GPSLatitude"]), -0.3713, 1e-9);
    EXPECT_NEAR(std::get<double>(kodak["ExifInfo.GPSLongitude"]), 36.0564167, 1e-7);
}

TEST(CameraItems, MakerNoteIsoAndNoInventedLens)
{
    // A compact: ISO only in Canon's maker note, a lens type of "n/a".
    Items ixus = photo("Canon_DIGITAL_IXUS_400.jpg");
    EXPECT_EQ(ixus["ExifInfo.ISO"], ItemValue(int32_t{50}));
    EXPECT_EQ(ixus.count("ExifInfo.Lens"), 0u);
    EXPECT_EQ(photo("Canon_PowerShot_S40.jpg")["ExifInfo.ISO"], ItemValue(int32_t{100}));
    // Adobe's lens text in XMP, where the EXIF block names none.
    EXPECT_EQ(photo("Nikon_D70.jpg")["ExifInfo.Lens"], ItemValue(std::string("100.0 mm f/2.8")));
}

TEST(CameraItems, TheDateTakenIsNeverAModificationDate)
{
    // Only ModifyDate (a Photoshop save): no date taken at all.
    EXPECT_EQ(photo("Canon_40D_photoshop_import.jpg").count("ExifInfo.DateTaken"), 0u);
    Items xmpOnly = photo("long_description.jpg");
    EXPECT_EQ(xmpOnly["ExifInfo.DateTaken"], ItemValue(std::string("2003-08-31")));
    EXPECT_EQ(xmpOnly["ExifInfo.DateSource"], ItemValue(std::string("XMP photoshop:DateCreated")));
    Items reconyx = photo("Reconyx_HC500_Hyperfire.jpg"); // no make, no model
    EXPECT_EQ(reconyx.count("ExifInfo.Make"), 0u);
    EXPECT_EQ(reconyx["ExifInfo.ExposureText"], ItemValue(std::string("1/55")));
}

TEST(CameraItems, HeicBlocksComeThroughLibvips)
{
    test::startTestVips();
    Items got = itemsOf(std::string(KAVDB_SAMPLES_DIR) + "/IMG_7702_small.heic");
    EXPECT_EQ(got["ExifInfo.Make"], ItemValue(std::string("Apple")));
    EXPECT_EQ(got["ExifInfo.Model"], ItemValue(std::string("iPhone 7")));
    EXPECT_EQ(got["ExifInfo.DateTaken"], ItemValue(std::string("2019-01-21 16:10:54")));
    EXPECT_EQ(got["ExifInfo.FNumber"], ItemValue(1.8));
    EXPECT_EQ(got["ExifInfo.Lens"], ItemValue(std::string("iPhone 7 back camera 3.99mm f/1.8")));
}

TEST(DescriptiveItems, XmpAndIptcFillCaptionRatingPeopleAndLocation)
{
    Items xmp = photo("xmp_tagged.jpg");
    EXPECT_EQ(xmp["Caption.Title"], ItemValue(std::string("Harbour at dusk")));
    EXPECT_EQ(xmp["Caption.Keywords"],
              ItemValue(std::string("sea; boats; harbour front; overseas trip")));
    EXPECT_EQ(xmp["Rating.Stars"], ItemValue(int32_t{4}));
    EXPECT_EQ(xmp["Rating.Label"], ItemValue(std::string("Red")));
    EXPECT_EQ(xmp["People.PersonName"], ItemValue(std::string("Ann Smith; Bob Jones")));
    EXPECT_EQ(xmp["Location.Place"], ItemValue(std::string("Ribeira")));
    Items iptc = photo("iptc_tagged.jpg"); // Latin-1 datasets
    EXPECT_EQ(iptc["Caption.Description"], ItemValue(std::string("Le canal \xC3\xA0 S\xC3\xA8te")));
    EXPECT_EQ(iptc["Caption.Keywords"], ItemValue(std::string("canal; bateaux")));
    EXPECT_EQ(iptc["Location.City"], ItemValue(std::string("S\xC3\xA8te")));
}

TEST(DescriptiveItems, CameraDefaultsAreNoDescription)
{
    EXPECT_EQ(photo("Konica_Minolta_DiMAGE_Z3.jpg").count("Caption.Description"), 0u);
    EXPECT_EQ(photo("WWL_(Polaroid)_ION230.jpg").count("Caption.Description"), 0u);
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
