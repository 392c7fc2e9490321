/*
 * Thumbnails through vips_thumbnail_buffer, which lets the decoder shrink while it loads
 * (a JPEG is decoded at 1/2, 1/4 or 1/8 of its size) instead of decoding every pixel and
 * resizing afterwards. A truncated file fails instead of giving a grey-filled picture.
 */
#include "imaging/thumbnail.h"

#include "imaging/pixels.h"
#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <memory>

namespace kavdb::imaging {
namespace {

using vips::VImage;

/* thumbnail_buffer does not hand its own fail_on to the loader; the loader's option
 * string does reach it. */
constexpr const char* kLoaderOptions = "fail-on=truncated";

/* Whatever the source (grey, CMYK, 16-bit, alpha), ends as 8-bit sRGB with 3 bands. */
VImage toRgb8(VImage image)
{
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.has_alpha())
        image =
            image.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() > 3)
        image = image.extract_band(0, VImage::option()->set("n", 3));
    if (image.bands() < 3) {
        VImage grey = image.extract_band(0);
        image = VImage::bandjoin({grey, grey, grey});
    }
    return image;
}

/* The image turned as an EXIF orientation says (autorot reads the "orientation" field). */
VImage turned(VImage image, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return image;
    image = image.copy();
    image.set("orientation", orientation);
    return image.autorot();
}

Thumbnail toThumbnail(VImage image)
{
    image = toRgb8(image);
    std::size_t bytes = 0;
    std::unique_ptr<void, decltype(&g_free)> rgb(image.write_to_memory(&bytes), g_free);
    Thumbnail thumb;
    thumb.width = image.width();
    thumb.height = image.height();
    thumb.bgr = rgbToPaddedBgr(static_cast<const uint8_t*>(rgb.get()), thumb.width, thumb.height);
    return thumb;
}

/* orientation 0: the image's own tag turns it (libvips' default). */
Thumbnail thumbnailOf(const uint8_t* data, std::size_t size, int box, int orientation)
{
    startVips(nullptr);
    try {
        BorrowedBlob blob(data, size);
        VImage image = VImage::thumbnail_buffer(blob.get(), box,
                                                VImage::option()
                                                    ->set("option_string", kLoaderOptions)
                                                    ->set("height", box)
                                                    ->set("size", VIPS_SIZE_DOWN)
                                                    ->set("no_rotate", orientation != 0)
                                                    ->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        return toThumbnail(turned(image, orientation));
    } catch (const vips::VError& e) {
        throw vipsFailure(e.what());
    }
}

} // namespace

Thumbnail makeThumbnail(const uint8_t* data, std::size_t size, int box)
{
    return thumbnailOf(data, size, box, 0);
}

Thumbnail makeTurnedThumbnail(const uint8_t* data, std::size_t size, int orientation, int box)
{
    // 1 (or no usable value) still means: ignore the image's own tag.
    return thumbnailOf(data, size, box, orientation >= 1 && orientation <= 8 ? orientation : 1);
}

Thumbnail makeThumbnailOfRgb(const uint8_t* rgb, int width, int height, int orientation, int box)
{
    startVips(nullptr);
    try {
        VImage image = VImage::new_from_memory(const_cast<uint8_t*>(rgb),
                                               static_cast<std::size_t>(width) * height * 3, width,
                                               height, 3, VIPS_FORMAT_UCHAR)
                           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        image = image.thumbnail_image(box, VImage::option()
                                               ->set("height", box)
                                               ->set("size", VIPS_SIZE_DOWN)
                                               ->set("no_rotate", true));
        return toThumbnail(turned(image, orientation));
    } catch (const vips::VError& e) {
        throw vipsFailure(e.what());
    }
}

} // namespace kavdb::imaging
