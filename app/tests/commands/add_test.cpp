/*
 * `kavdb add` on the test photos (one of them corrupted): every readable photo gets the
 * size libvips reports, a thumbnail that fits 160 x 160, the file's time and the make and
 * model Exiv2 reads; the corrupted one is catalogued without image and reported. XMP
 * sidecars give their photo its items and are no entries themselves; files the catalogue
 * cannot key are passed over; folders that cannot be read are named. A RAW file gets its
 * upright size and its thumbnail from its preview.
 */
#include "command_fixture.h"
#include "dng_file.h"
#include "imaging/pixels.h"
#include "imaging/vips_runtime.h"
#include "reference.h"

#include <vips/vips8>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class AddTest : public CommandTest {};

std::string timeText(const SYSTEMTIME& t)
{
    char text[32] = {};
    SYSTEMTIMEtoSTR(t, text);
    return text;
}

TEST_F(AddTest, StoresWhatLibvipsAndExiv2ReportForEveryReadablePhoto)
{
    RunResult run = kavdb({"add", photosDir()});
    EXPECT_EQ(run.exitCode, 1); // the corrupted photo
    EXPECT_NE(run.err.find("corrupted.jpg: not readable as an image"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("1 unreadable"), std::string::npos) << run.out;

    int readable = 0;
    for (const std::string& name : samplePhotoNames()) {
        SCOPED_TRACE(name);
        const std::string path = photosDir() + "/" + name;
        Reference ref = referenceOf(path);
        ImageData image{};
        HRESULT hr = KaAVDBReadImage(catalogue(), path.c_str(), &image);
        if (!ref.readable) {
            EXPECT_TRUE(hasRow(catalogue(), path)); // catalogued all the same
            EXPECT_EQ(image.Thumbnail, nullptr);
            FreeImageData(&image);
            continue;
        }
        ++readable;
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(image.Width, ref.width);
        EXPECT_EQ(image.Height, ref.height);
        EXPECT_EQ(image.Bitcount, 24);
        int thumbWidth = 0;
        int thumbHeight = 0;
        expectedThumbnail(ref, thumbWidth, thumbHeight);
        EXPECT_NEAR(image.ThumbnailWidth, thumbWidth, 1);
        EXPECT_NEAR(image.ThumbnailHeight, thumbHeight, 1);
        EXPECT_LE(std::max(image.ThumbnailWidth, image.ThumbnailHeight), 160);
        EXPECT_NE(image.Thumbnail, nullptr);
        SYSTEMTIME onDisk{};
        ASSERT_NE(GetFileUpdateTM(path.c_str(), &onDisk), -1);
        EXPECT_EQ(timeText(image.UpdateTM), timeText(onDisk));
        EXPECT_EQ(metaText(catalogue(), path, "ExifInfo", "Make"), ref.make);
        EXPECT_EQ(metaText(catalogue(), path, "ExifInfo", "Model"), ref.model);
        FreeImageData(&image);
    }
    EXPECT_EQ(readable, static_cast<int>(samplePhotoNames().size()) - 1);
    // Other files of the folder are catalogued too, without image.
    EXPECT_TRUE(hasRow(catalogue(), photosDir() + "/NOTES-jpg.txt"));
}

TEST_F(AddTest, ThumbnailPixelsAreBlueGreenRedRowsPaddedToFourBytes)
{
    const std::string folder = copyPhotos("p", {"Fujifilm_FinePix_E500.jpg"}); // 59 x 100
    ASSERT_EQ(kavdb({"add", folder}).exitCode, 0);
    ImageData image{};
    ASSERT_EQ(KaAVDBReadImage(catalogue(), (folder + "/Fujifilm_FinePix_E500.jpg").c_str(), &image),
              S_OK);
    ASSERT_EQ(image.ThumbnailWidth, 59);
    ASSERT_EQ(image.ThumbnailHeight, 100);
    EXPECT_EQ(imaging::rowStride(59, 24), 180u); // 177 bytes of pixels, 3 of padding
    std::vector<uint8_t> rgb =
        imaging::paddedBgrToRgb(image.Thumbnail, image.ThumbnailWidth, image.ThumbnailHeight);
    FreeImageData(&image);
    // The same pixels as libvips' own thumbnail of the file, within rounding.
    imaging::startVips("kavdb_app_command_tests");
    vips::VImage expected =
        vips::VImage::thumbnail(
            (folder + "/Fujifilm_FinePix_E500.jpg").c_str(), 160,
            vips::VImage::option()->set("height", 160)->set("size", VIPS_SIZE_DOWN))
            .copy_memory();
    for (int y : {0, 50, 99})
        for (int x : {0, 30, 58}) {
            std::vector<double> px = expected.getpoint(x, y);
            for (int band = 0; band < 3; ++band)
                EXPECT_NEAR(rgb[(static_cast<std::size_t>(y) * 59 + x) * 3 + band], px[band], 2)
                    << x << "," << y << " band " << band;
        }
}

TEST_F(AddTest, ARawFileGetsItsUprightSizeThumbnailAndCameraItems)
{
    imaging::startVips("kavdb_app_command_tests");
    const std::string folder = dir_ + "/raw";
    fs::create_directories(folder);
    std::vector<uint8_t> dng =
        makeDng({vips::VImage::black(400, 300, vips::VImage::option()->set("bands", 3))
                     .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)),
                 6, 256});
    std::ofstream(folder + "/IMG_0001.DNG", std::ios::binary)
        .write(reinterpret_cast<const char*>(dng.data()), static_cast<std::streamsize>(dng.size()));
    RunResult run = kavdb({"add", folder});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ImageData image{};
    ASSERT_EQ(KaAVDBReadImage(catalogue(), (folder + "/IMG_0001.DNG").c_str(), &image), S_OK);
    EXPECT_EQ(image.Width, 300);
    EXPECT_EQ(image.Height, 400);
    EXPECT_EQ(image.Bitcount, 48);
    EXPECT_EQ(image.ThumbnailWidth, 120);
    EXPECT_EQ(image.ThumbnailHeight, 160);
    FreeImageData(&image);
    EXPECT_EQ(kavdb({"search", "--where", "Model = 'Test DNG' AND ISO = 200 AND FNumber = 5.6",
                     "--count"})
                  .out,
              "1\n");
}

TEST_F(AddTest, SecondRunLeavesCurrentRecordsAlone)
{
    kavdb({"add", photosDir()});
    const std::string readable = std::to_string(samplePhotoNames().size() - 1);
    RunResult again = kavdb({"add", photosDir()});
    EXPECT_NE(again.out.find("0 read, " + readable + " already up to date, 1 unreadable"),
              std::string::npos)
        << again.out;
    RunResult forced = kavdb({"add", "--force", photosDir()});
    EXPECT_NE(forced.out.find(readable + " read, 0 already up to date"), std::string::npos)
        << forced.out;
}

TEST_F(AddTest, ProgressLineOnlyOnATerminalAndNotWithQuiet)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    RunResult piped = kavdb({"add", folder});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.out.find('\r'), std::string::npos);

    fs::remove(db_);
    RunResult terminal = kavdbOnTerminal({"add", folder});
    EXPECT_EQ(terminal.exitCode, 0);
    EXPECT_NE(terminal.out.find("add  2/2 files"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("files/s"), std::string::npos);

    fs::remove(db_);
    RunResult quiet = kavdbOnTerminal({"--quiet", "add", folder});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");
}

TEST_F(AddTest, SingleFilesAndMissingPaths)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    RunResult run = kavdb({"add", folder + "/Nikon_D70.jpg", dir_ + "/no-such-folder"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no-such-folder: no such file or folder"), std::string::npos) << run.err;
    ImageData image{};
    EXPECT_EQ(KaAVDBReadImage(catalogue(), (folder + "/Nikon_D70.jpg").c_str(), &image), S_OK);
    EXPECT_EQ(image.Width, 100);
    FreeImageData(&image);
    EXPECT_FALSE(hasRow(catalogue(), folder + "/Canon_40D.jpg"));
}

TEST_F(AddTest, FilesTheCatalogueCannotKeyArePassedOverAndCounted)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    copyPhotos("p/sub", {"Nikon_D70.jpg"});
    for (const char* rel : {"/Makefile", "/sub/notes.txt"})
        std::ofstream(folder + rel) << "text\n";
    RunResult run = kavdb({"add", folder});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("1 file passed over"), std::string::npos) << run.out;
    EXPECT_FALSE(hasRow(catalogue(), folder + "/Makefile"));
    EXPECT_TRUE(hasRow(catalogue(), folder + "/Canon_40D.jpg"));
    EXPECT_TRUE(hasRow(catalogue(), folder + "/sub/notes.txt"));
    EXPECT_EQ(metaText(catalogue(), folder + "/sub/Nikon_D70.jpg", "ExifInfo", "Model"),
              "NIKON D70");
}

TEST_F(AddTest, SidecarsBelongToTheirPhoto)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    auto sidecar = [](const std::string& path, const std::string& title) {
        std::ofstream(path) << "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://"
                               "www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description xmlns:dc="
                               "\"http://purl.org/dc/elements/1.1/\"><dc:title><rdf:Alt><rdf:li "
                               "xml:lang=\"x-default\">"
                            << title
                            << "</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF>"
                               "</x:xmpmeta>";
    };
    sidecar(folder + "/Canon_40D.jpg.xmp", "Iguana");
    sidecar(folder + "/Nikon_D70.xmp", "Anole");
    sidecar(folder + "/orphan.xmp", "Nobody's");
    ASSERT_EQ(kavdb({"add", folder}).exitCode, 0);
    EXPECT_EQ(metaText(catalogue(), folder + "/Canon_40D.jpg", "Caption", "Title"), "Iguana");
    EXPECT_EQ(metaText(catalogue(), folder + "/Nikon_D70.jpg", "Caption", "Title"), "Anole");
    EXPECT_FALSE(hasRow(catalogue(), folder + "/Canon_40D.jpg.xmp"));
    EXPECT_FALSE(hasRow(catalogue(), folder + "/Nikon_D70.xmp"));
    EXPECT_TRUE(hasRow(catalogue(), folder + "/orphan.xmp")); // no photo: a file like any
}

TEST_F(AddTest, AnUnreadableFolderIsNamedWithTheReason)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    copyPhotos("p/locked", {"Nikon_D70.jpg"});
    fs::permissions(folder + "/locked", fs::perms::none);
    RunResult run = kavdbUnprivileged({"add", folder});
    fs::permissions(folder + "/locked", fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("locked: cannot read this folder: Permission denied"), std::string::npos)
        << run.err;
    EXPECT_TRUE(hasRow(catalogue(), folder + "/Canon_40D.jpg"));
}

TEST_F(AddTest, RelativeFoldersAreCataloguedUnderTheirFullPath)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    RunResult run = kavdb({"add", "p/"});
    fs::current_path(before);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(hasRow(catalogue(), folder + "/Canon_40D.jpg"));
}

} // namespace
} // namespace kavdb::test
