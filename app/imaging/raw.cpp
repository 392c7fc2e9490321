/*
 * RAW files (raw.h): Exiv2 finds the embedded previews and the orientation; LibRaw gives
 * the picture's size and, when no preview decodes, the pixels. A LibRaw object is made
 * per file, so photos are read on several threads at once (libraw_r).
 */
#include "imaging/raw.h"

#include "imaging/formats.h"
#include "imaging/vips_runtime.h"
#include "metadata/blocks.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace kavdb::imaging {
namespace {

constexpr int kRawBitcount = 48;

/* What Exiv2 finds in the file: its orientation (0: none) and the decoded preview. */
struct PreviewRead {
    int orientation = 0;
    int width = 0; // the picture's size as Exiv2 reads it (0: unknown)
    int height = 0;
    std::optional<Thumbnail> thumb;
};

int exifOrientation(const Exiv2::ExifData& exif)
{
    auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    long value = it == exif.end() || it->count() == 0 ? 0 : it->toLong(0);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
}

/* Previews in the order worth trying: the smallest that covers the box, then larger
 * ones, then the smaller ones, largest first. */
Exiv2::PreviewPropertiesList preferred(Exiv2::PreviewPropertiesList list, int box)
{
    auto covers = [box](const Exiv2::PreviewProperties& p) {
        return static_cast<int>(std::max(p.width_, p.height_)) >= box;
    };
    std::sort(list.begin(), list.end(), [&](const auto& a, const auto& b) {
        if (covers(a) != covers(b))
            return covers(a);
        return covers(a) ? a.width_ * a.height_ < b.width_ * b.height_
                         : a.width_ * a.height_ > b.width_ * b.height_;
    });
    return list;
}

PreviewRead readPreview(const uint8_t* data, std::size_t size, int box)
{
    metadata::startExiv2();
    PreviewRead read;
    try {
        auto image = Exiv2::ImageFactory::open(data, static_cast<long>(size));
        image->readMetadata();
        read.orientation = exifOrientation(image->exifData());
        read.width = image->pixelWidth();
        read.height = image->pixelHeight();
        Exiv2::PreviewManager manager(*image);
        for (const Exiv2::PreviewProperties& p : preferred(manager.getPreviewProperties(), box)) {
            Exiv2::PreviewImage preview = manager.getPreviewImage(p);
            try {
                read.thumb =
                    makeTurnedThumbnail(preview.pData(), preview.size(), read.orientation, box);
                break;
            } catch (const ImageError&) {
                // a preview that does not decode: the next one may
            }
        }
    } catch (const std::exception&) {
        // Exiv2 does not open this file: LibRaw may
    }
    return read;
}

/* LibRaw's flip (0, 3, 5, 6) as an EXIF orientation. */
int flipOrientation(int flip)
{
    switch (flip) {
    case 3:
        return 3;
    case 5:
        return 8;
    case 6:
        return 6;
    default:
        return 1;
    }
}

struct MemImage {
    libraw_processed_image_t* image = nullptr;
    ~MemImage() { LibRaw::dcraw_clear_mem(image); }
};

/* A processed image (a JPEG thumbnail, or 8-bit RGB pixels) as a thumbnail. */
std::optional<Thumbnail> thumbnailOfProcessed(const libraw_processed_image_t* image,
                                              int orientation, int box)
{
    if (!image)
        return std::nullopt;
    if (image->type == LIBRAW_IMAGE_JPEG)
        return makeTurnedThumbnail(image->data, image->data_size, orientation, box);
    if (image->type == LIBRAW_IMAGE_BITMAP && image->colors == 3 && image->bits == 8)
        return makeThumbnailOfRgb(image->data, image->width, image->height, orientation, box);
    return std::nullopt;
}

std::optional<Thumbnail> libRawThumbnail(LibRaw& raw, int orientation, int box)
{
    if (raw.unpack_thumb() != LIBRAW_SUCCESS)
        return std::nullopt;
    int error = 0;
    MemImage thumb{raw.dcraw_make_mem_thumb(&error)};
    try {
        return thumbnailOfProcessed(thumb.image, orientation, box);
    } catch (const ImageError&) {
        return std::nullopt; // a thumbnail that does not decode: develop the sensor data
    }
}

Thumbnail developed(LibRaw& raw, int orientation, int box)
{
    raw.imgdata.params.half_size = 1; // a thumbnail needs no full demosaicing
    raw.imgdata.params.use_camera_wb = 1;
    raw.imgdata.params.output_bps = 8;
    raw.imgdata.params.user_flip = 0; // turned below, as the EXIF tag says
    int code = raw.unpack();
    if (code == LIBRAW_SUCCESS)
        code = raw.dcraw_process();
    int error = 0;
    MemImage image{code == LIBRAW_SUCCESS ? raw.dcraw_make_mem_image(&error) : nullptr};
    std::optional<Thumbnail> thumb = thumbnailOfProcessed(image.image, orientation, box);
    if (!thumb)
        throw ImageError(std::string("cannot develop the RAW data: ") +
                         libraw_strerror(code != LIBRAW_SUCCESS ? code : error));
    return *thumb;
}

ImageInfo upright(int width, int height, int orientation)
{
    ImageInfo info{width, height, kRawBitcount};
    if (orientation >= 5 && orientation <= 8)
        std::swap(info.width, info.height);
    return info;
}

} // namespace

const std::vector<std::string>& rawExtensions()
{
    static const std::vector<std::string> extensions = {
        ".cr2", ".cr3", ".crw", ".nef", ".nrw", ".arw", ".srf", ".sr2", ".dng",
        ".orf", ".rw2", ".raf", ".pef", ".srw", ".rwl", ".3fr", ".iiq", ".x3f"};
    return extensions;
}

bool isRawFileName(const std::filesystem::path& name)
{
    return hasExtension(name, rawExtensions());
}

RawPicture readRaw(const uint8_t* data, std::size_t size, int box)
{
    PreviewRead preview = readPreview(data, size, box);
    auto raw = std::make_unique<LibRaw>();
    int code = raw->open_buffer(const_cast<uint8_t*>(data), size);
    if (code != LIBRAW_SUCCESS) {
        if (!preview.thumb || preview.width <= 0)
            throw ImageError(std::string("not a RAW file that can be read: ") +
                             libraw_strerror(code));
        return {upright(preview.width, preview.height, preview.orientation), *preview.thumb};
    }
    const int orientation =
        preview.orientation ? preview.orientation : flipOrientation(raw->imgdata.sizes.flip);
    RawPicture picture;
    picture.info = upright(raw->imgdata.sizes.width, raw->imgdata.sizes.height, orientation);
    if (preview.thumb)
        picture.thumb = *preview.thumb;
    else if (std::optional<Thumbnail> thumb = libRawThumbnail(*raw, orientation, box))
        picture.thumb = *thumb;
    else
        picture.thumb = developed(*raw, orientation, box);
    return picture;
}

} // namespace kavdb::imaging
