/*
 * Which file names count as photos, and which of them as camera RAW files.
 */
#include "imaging/formats.h"
#include "imaging/raw.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavdb::imaging {
namespace {

TEST(ImageFileNames, DecodableAndRawExtensionsInAnyCaseAndHeifOnlyWhenLibvipsCanDecodeIt)
{
    test::startTestVips();
    for (const char* name : {"a.jpg", "A.JPG", "b.jpeg", "c.Jpe", "d.png", "e.tif", "f.TIFF",
                             "g.webp", "h.gif", "dir.d/x.jpg"})
        EXPECT_TRUE(isImageFileName(name) && !isRawFileName(name)) << name;
    for (const char* name :
         {"a.CR2", "a.cr3", "a.NEF", "a.arw", "a.dng", "a.ORF", "a.rw2", "a.RAF"})
        EXPECT_TRUE(isImageFileName(name) && isRawFileName(name)) << name;
    for (const char* name :
         {"notes.txt", "README", "jpg", ".jpg.txt", "a.jpg~", "photo.", "dir.jpg/readme"})
        EXPECT_FALSE(isImageFileName(name)) << name;
    const auto& known = imageExtensions();
    bool heif = vips_type_find("VipsOperation", "heifload") != 0;
    EXPECT_EQ(std::find(known.begin(), known.end(), ".heic") != known.end(), heif);
    EXPECT_EQ(isImageFileName("x.heic"), heif);
}

} // namespace
} // namespace kavdb::imaging
