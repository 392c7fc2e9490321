/*
 * Reading and storing one photo (photo_ingest.h).
 */
#include "photo_ingest.h"

#include "camera_items.h"
#include "imaging/image_info.h"
#include "imaging/thumbnail.h"
#include "imaging/vips_runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kavdb {
namespace {

std::vector<uint8_t> readWholeFile(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw imaging::ImageError(std::string("cannot open: ") + std::strerror(errno));
    struct stat st {};
    std::vector<uint8_t> bytes;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    int readError = errno;
    ::close(fd);
    if (got < bytes.size())
        throw imaging::ImageError(std::string("cannot read: ") + std::strerror(readError));
    if (bytes.empty())
        throw imaging::ImageError("empty file");
    return bytes;
}

/* Writing metadata keeps the items a write does not mention, so an item the photo no
 * longer carries (its file was replaced) is written blank: empty text, or 0. */
void blankVanishedItems(Catalogue& catalogue, const std::string& path, TableItems& items)
{
    std::vector<TableItems> stored;
    catalogue.readItems(path, stored);
    for (const TableItems& table : stored) {
        if (table.table != items.table)
            continue;
        for (const Item& old : table.items) {
            bool kept = std::any_of(items.items.begin(), items.items.end(),
                                    [&](const Item& item) { return item.name == old.name; });
            if (kept)
                continue;
            if (std::holds_alternative<int32_t>(old.value))
                items.items.push_back({old.name, int32_t{0}});
            else if (std::holds_alternative<std::string>(old.value))
                items.items.push_back({old.name, std::string()});
        }
    }
}

} // namespace

PhotoRecord readPhoto(const std::string& path)
{
    std::vector<uint8_t> bytes = readWholeFile(path);
    PhotoRecord photo;
    imaging::ImageInfo info = imaging::readImageInfo(bytes.data(), bytes.size());
    imaging::Thumbnail thumb = imaging::makeThumbnail(bytes.data(), bytes.size());
    photo.image.width = info.width;
    photo.image.height = info.height;
    photo.image.bitcount = info.bitcount;
    photo.image.thumbWidth = thumb.width;
    photo.image.thumbHeight = thumb.height;
    photo.image.thumbnail = std::move(thumb.bgr);
    if (!fileUpdateTime(path, photo.image.updated))
        throw imaging::ImageError("cannot read its modification time");
    photo.camera = imaging::readCameraMetadata(bytes.data(), bytes.size());
    return photo;
}

Outcome storePhoto(Catalogue& catalogue, const std::string& path, const PhotoRecord& photo,
                   bool hasRow, const std::vector<ConfiguredItem>& configured)
{
    Outcome outcome = hasRow ? catalogue.updateImage(path, photo.image)
                             : catalogue.enrollImage(path, photo.image);
    if (!outcome.ok())
        return outcome;
    TableItems items = cameraTableItems(photo.camera, configured);
    if (hasRow)
        blankVanishedItems(catalogue, path, items);
    if (items.items.empty())
        return outcome;
    return catalogue.writeItems(path, items);
}

} // namespace kavdb
