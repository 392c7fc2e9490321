/*
 * Camera metadata: the text forms of camera values, and the items read from sample
 * photos (expected values checked by hand against Exiv2's own printout of each file).
 */
#include "imaging/exif.h"
#include "imaging/exif_format.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <map>

namespace kavdb::imaging {
namespace {

TEST(CameraValueText, Numbers)
{
    EXPECT_EQ(decimalText(71, 10), "7.1");
    EXPECT_EQ(decimalText(9, 1), "9");
    EXPECT_EQ(decimalText(110, 10), "11");
    EXPECT_EQ(decimalText(9000, 100), "90");
    EXPECT_EQ(decimalText(74, 10), "7.4");
    EXPECT_EQ(decimalText(1, 0), std::nullopt);
    EXPECT_EQ(decimalText(-1, 2), std::nullopt);
}

TEST(CameraValueText, ExposureTimes)
{
    EXPECT_EQ(exposureText(1, 160), "1/160");
    EXPECT_EQ(exposureText(10, 1600), "1/160");
    EXPECT_EQ(exposureText(148, 8160), "1/55");
    EXPECT_EQ(exposureText(5, 2), "2.5");
    EXPECT_EQ(exposureText(30, 1), "30");
    EXPECT_EQ(exposureText(0, 1), std::nullopt);
    EXPECT_EQ(exposureText(1, 0), std::nullopt);
}

TEST(CameraValueText, Dates)
{
    EXPECT_EQ(dateText("2008:05:30 15:56:01"), "2008-05-30 15:56:01");
    EXPECT_EQ(dateText("2008:05:30"), "2008-05-30");
    EXPECT_EQ(dateText(" 2008:05:30 15:56:01 "), "2008-05-30 15:56:01");
    EXPECT_EQ(dateText("    :  :     :  :  "), "");
    EXPECT_EQ(dateText("2008 spring"), "2008 spring");
    EXPECT_EQ(dateText("yesterday"), "");
}

TEST(CameraValueText, Coordinates)
{
    EXPECT_EQ(degreesText(0, 22, 0, 'S'), "-0.366667");
    EXPECT_EQ(degreesText(36, 3, 0, 'E'), "36.050000");
    EXPECT_EQ(degreesText(51, 30, 36, 'N'), "51.510000");
    EXPECT_EQ(degreesText(0, 7, 30, 'W'), "-0.125000");
}

TEST(CameraValueText, TrimmingAndCutting)
{
    EXPECT_EQ(trimmedText("PENTAX Corporation "), "PENTAX Corporation");
    EXPECT_EQ(trimmedText(std::string("WWL\0\0\0", 6)), "WWL");
    EXPECT_EQ(trimmedText("   "), "");
    EXPECT_EQ(cutText("abcdef", 4), "abcd");
    EXPECT_EQ(cutText("abc", 4), "abc");
    EXPECT_EQ(cutText("a\xC3\xA9z", 2), "a"); // never half of "é"
    EXPECT_EQ(cutText("a\xC3\xA9z", 3), "a\xC3\xA9");
}

using Expected = std::map<std::string, std::variant<std::string, int32_t>>;

Expected asMap(const CameraMetadata& items)
{
    Expected map;
    for (const CameraItem& item : items)
        map[item.name] = item.value;
    return map;
}

CameraMetadata cameraOf(const std::string& file)
{
    std::vector<uint8_t> bytes = test::readFileBytes(std::string(KAVDB_PHOTOS_DIR) + "/" + file);
    if (bytes.empty())
        ADD_FAILURE() << "missing sample photo " << file;
    return readCameraMetadata(bytes.data(), bytes.size());
}

TEST(CameraMetadataOfPhotos, CanonEos40D)
{
    Expected expected = {
        {"Make", std::string("Canon")},
        {"Model", std::string("Canon EOS 40D")},
        {"DateTaken", std::string("2008-05-30 15:56:01")},
        {"ExposureTime", std::string("1/160")},
        {"FNumber", std::string("7.1")},
        {"ISO", int32_t{100}},
        {"FocalLength", std::string("135")},
        {"Orientation", int32_t{1}},
    };
    Expected got = asMap(cameraOf("Canon_40D.jpg"));
    for (const auto& [name, value] : expected)
        EXPECT_EQ(got[name], value) << name;
}

TEST(CameraMetadataOfPhotos, NikonD70)
{
    Expected got = asMap(cameraOf("Nikon_D70.jpg"));
    EXPECT_EQ(got["Make"], (std::variant<std::string, int32_t>(std::string("NIKON CORPORATION"))));
    EXPECT_EQ(got["Model"], (std::variant<std::string, int32_t>(std::string("NIKON D70"))));
    EXPECT_EQ(got["ExposureTime"], (std::variant<std::string, int32_t>(std::string("1/200"))));
    EXPECT_EQ(got["FNumber"], (std::variant<std::string, int32_t>(std::string("9"))));
    EXPECT_EQ(got["ISO"], (std::variant<std::string, int32_t>(int32_t{200})));
}

TEST(CameraMetadataOfPhotos, PaddedTextsAreTrimmed)
{
    Expected got = asMap(cameraOf("Pentax_K10D.jpg"));
    EXPECT_EQ(got["Make"], (std::variant<std::string, int32_t>(std::string("PENTAX Corporation"))));
    EXPECT_EQ(got["Model"], (std::variant<std::string, int32_t>(std::string("PENTAX K10D"))));
}

TEST(CameraMetadataOfPhotos, GpsPositionAsSignedDegrees)
{
    // The file holds S 0/1 22278/1000 0/1 and E 36/1 3385/1000 0/1.
    Expected got = asMap(cameraOf("Kodak_CX7530.jpg"));
    EXPECT_EQ(got["GPSLatitude"], (std::variant<std::string, int32_t>(std::string("-0.371300"))));
    EXPECT_EQ(got["GPSLongitude"], (std::variant<std::string, int32_t>(std::string("36.056417"))));
}

TEST(CameraMetadataOfPhotos, OnlyTheItemsThePhotoCarries)
{
    Expected got = asMap(cameraOf("Reconyx_HC500_Hyperfire.jpg"));
    EXPECT_EQ(got.count("Make"), 0u);
    EXPECT_EQ(got.count("Model"), 0u);
    EXPECT_EQ(got["ExposureTime"], (std::variant<std::string, int32_t>(std::string("1/55"))));
    EXPECT_EQ(got["ISO"], (std::variant<std::string, int32_t>(int32_t{100})));
}

TEST(CameraMetadataOfPhotos, NoExifBlockGivesNothing)
{
    test::startTestVips();
    std::vector<uint8_t> png = test::encoded(test::rampImage(20, 20), ".png");
    EXPECT_TRUE(readCameraMetadata(png.data(), png.size()).empty());
    const uint8_t junk[] = {1, 2, 3, 4, 5};
    EXPECT_TRUE(readCameraMetadata(junk, sizeof junk).empty());
}

} // namespace
} // namespace kavdb::imaging
