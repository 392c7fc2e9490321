/*
 * `kavdb add` on the test photos (one of them corrupted): every readable photo gets the
 * size libvips reports, a thumbnail (its size and pixels are the thumbnail maker's, tested
 * with it), the file's time and the make and model Exiv2 reads; the corrupted one is catalogued
 * without image and reported. XMP sidecars give their photo its items and are no entries
 * themselves; files the catalogue cannot key are passed over; folders that cannot be read are
 * named. A RAW file gets its upright size and its thumbnail from its preview. Photos read
 * ahead on worker threads arrive in list order whatever the depth; `add --jobs` gives the same
 * catalogue.
 */
#include "command_fixture.h"
#include "dng_file.h"
#include "imaging/vips_runtime.h"
#include "photo_prefetch.h"
#include "reference.h"

#include <vips/vips8>

#include <filesystem>
#include <fstream>
#include <tuple>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

class AddTest : public CommandTest {};

TEST_F(AddTest, StoresWhatLibvipsAndExiv2ReportAndASecondRunLeavesItAlone)
{
    RunResult run = kavdbExits({"add", photosDir()}, 1, "corrupted.jpg: not readable as an image");
    EXPECT_THAT(run.out, HasSubstr("1 unreadable"));

    int readable = 0;
    for (const std::string& name : samplePhotoNames()) {
        SCOPED_TRACE(name);
        const std::string path = photosDir() + "/" + name;
        Reference ref = referenceOf(path);
        StoredImage image = imageOf(path);
        if (!ref.readable) {
            EXPECT_TRUE(hasRow(path)); // catalogued all the same
            EXPECT_TRUE(image.thumbnail.empty());
            continue;
        }
        ++readable;
        EXPECT_EQ(std::tie(image.width, image.height, image.bitcount, image.time),
                  std::make_tuple(ref.width, ref.height, 24, fileTime(path)));
        EXPECT_FALSE(image.thumbnail.empty()); // its size is the thumbnail maker's (unit tests)
        EXPECT_EQ(metaText(path, "ExifInfo", "Make"), ref.make);
        EXPECT_EQ(metaText(path, "ExifInfo", "Model"), ref.model);
    }
    EXPECT_EQ(readable, static_cast<int>(samplePhotoNames().size()) - 1);
    // Other files of the folder are catalogued too, without image.
    EXPECT_TRUE(hasRow(photosDir() + "/NOTES-jpg.txt"));

    const std::string count = std::to_string(readable);
    EXPECT_THAT(kavdb({"add", photosDir()}).out,
                HasSubstr("0 read, " + count + " already up to date, 1 unreadable"));
    EXPECT_THAT(kavdb({"add", "--force", photosDir()}).out,
                HasSubstr(count + " read, 0 already up to date"));
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
    kavdbExits({"add", folder}, 0);
    StoredImage image = imageOf(folder + "/IMG_0001.DNG");
    EXPECT_EQ(
        std::tie(image.width, image.height, image.bitcount, image.thumbWidth, image.thumbHeight),
        std::make_tuple(300, 400, 48, 120, 160));
    EXPECT_EQ(kavdb({"search", "--where", "Model = 'Test DNG' AND ISO = 200 AND FNumber = 5.6",
                     "--count"})
                  .out,
              "1\n");
}

TEST_F(AddTest, ProgressLineOnlyOnATerminalAndNotWithQuiet)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    RunResult piped = kavdbExits({"add", folder}, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.out.find('\r'), std::string::npos);

    freshCatalogue();
    RunResult terminal = kavdbOnTerminal({"add", folder});
    EXPECT_EQ(terminal.exitCode, 0);
    EXPECT_THAT(terminal.out, HasSubstr("add  2/2 files"));

    freshCatalogue();
    RunResult quiet = kavdbOnTerminal({"--quiet", "add", folder});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");
}

TEST_F(AddTest, SingleFilesRelativeFoldersAndMissingPaths)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    kavdbExits({"add", folder + "/Nikon_D70.jpg", dir_ + "/no-such-folder"}, 1,
               "no-such-folder: no such file or folder");
    EXPECT_EQ(imageOf(folder + "/Nikon_D70.jpg").width, 100);
    EXPECT_FALSE(hasRow(folder + "/Canon_40D.jpg"));

    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    RunResult relative = kavdb({"add", "p/"});
    fs::current_path(before);
    EXPECT_EQ(relative.exitCode, 0) << relative.err;
    EXPECT_TRUE(hasRow(folder + "/Canon_40D.jpg")); // under its full path
}

TEST_F(AddTest, SidecarsBelongToTheirPhotoAndFilesTheCatalogueCannotKeyArePassedOver)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg", "Nikon_D70.jpg"});
    copyPhotos("p/sub", {"Pentax_K10D.jpg"});
    auto sidecar = [](const std::string& path, const std::string& title) {
        std::ofstream(path) << R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF
          xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description
          xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title><rdf:Alt>
          <rdf:li xml:lang="x-default">)"
                            << title << "</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF>"
                            << "</x:xmpmeta>";
    };
    sidecar(folder + "/Canon_40D.jpg.xmp", "Iguana");
    sidecar(folder + "/Nikon_D70.XMP", "Anole");
    sidecar(folder + "/sub/orphan.xmp", "Nobody's");
    std::ofstream(folder + "/Makefile") << "text\n";
    EXPECT_THAT(kavdbExits({"add", folder}, 0).out, HasSubstr("1 file passed over"));
    EXPECT_EQ(metaText(folder + "/Canon_40D.jpg", "Caption", "Title"), "Iguana");
    EXPECT_EQ(metaText(folder + "/Nikon_D70.jpg", "Caption", "Title"), "Anole");
    EXPECT_EQ(metaText(folder + "/sub/Pentax_K10D.jpg", "ExifInfo", "Model"), "PENTAX K10D");
    for (const char* notCatalogued : {"/Canon_40D.jpg.xmp", "/Nikon_D70.XMP", "/Makefile"})
        EXPECT_FALSE(hasRow(folder + notCatalogued)) << notCatalogued;
    EXPECT_TRUE(hasRow(folder + "/sub/orphan.xmp")); // no photo: a file like any
}

TEST_F(AddTest, AnUnreadableFolderIsNamedWithTheReason)
{
    const std::string folder = copyPhotos("p", {"Canon_40D.jpg"});
    copyPhotos("p/locked", {"Nikon_D70.jpg"});
    fs::permissions(folder + "/locked", fs::perms::none);
    RunResult run = kavdbUnprivileged({"add", folder});
    fs::permissions(folder + "/locked", fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr("locked: cannot read this folder: Permission denied"));
    EXPECT_TRUE(hasRow(folder + "/Canon_40D.jpg"));
}

class PrefetchTest : public CommandTest {
  protected:
    std::vector<std::string> mixedFolder()
    {
        const std::string folder =
            copyPhotos("p", {"Canon_40D.jpg", "Fujifilm_FinePix_E500.jpg", "Nikon_D70.jpg"});
        std::ofstream(folder + "/broken.jpg") << "not a jpeg";
        return {folder + "/Canon_40D.jpg", folder + "/broken.jpg",
                folder + "/Fujifilm_FinePix_E500.jpg", folder + "/Nikon_D70.jpg"};
    }
};

TEST_F(PrefetchTest, PhotosArriveInListOrderAtEveryDepth)
{
    const std::vector<std::string> paths = mixedFolder();
    for (std::size_t depth : {1u, 2u, 8u}) {
        PhotoPrefetch reader(paths, depth);
        std::vector<int> widths;
        std::vector<std::string> errors;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            PhotoRead read = reader.next();
            widths.push_back(read.photo ? read.photo->image.width : -1);
            errors.push_back(read.error);
        }
        EXPECT_EQ(widths, (std::vector<int>{100, -1, 59, 100})) << "depth " << depth;
        EXPECT_EQ(errors[0], "");
        EXPECT_NE(errors[1], "") << "depth " << depth;
    }
    PhotoPrefetch abandoned(paths, 4); // the rest is left unread: it finishes quietly
    EXPECT_TRUE(abandoned.next().photo.has_value());
}

TEST_F(PrefetchTest, AddGivesTheSameRecordsWithOneJobOrMany)
{
    const std::vector<std::string> paths = mixedFolder();
    const std::string folder = paths[0].substr(0, paths[0].rfind('/'));
    for (const char* jobs : {"1", "4"}) {
        freshCatalogue();
        RunResult run = kavdbExits({"add", "--jobs", jobs, folder}, 1); // broken.jpg
        EXPECT_THAT(run.out, HasSubstr("4 photos: 3 read, 0 already up to date, 1 unreadable"));
        EXPECT_EQ(metaText(paths[3], "ExifInfo", "Model"), "NIKON D70");
        EXPECT_TRUE(hasRow(paths[1]));
    }
}

} // namespace
} // namespace kavdb::test
