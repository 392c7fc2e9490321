/*
 * Reading and storing one photo (photo_ingest.h).
 */
#include "photo_ingest.h"

#include "fingerprint.h"
#include "imaging/image_info.h"
#include "imaging/perceptual_hash.h"
#include "imaging/raw.h"
#include "imaging/thumbnail.h"
#include "imaging/vips_runtime.h"
#include "item_rows.h"
#include "metadata/camera.h"
#include "metadata/descriptive.h"
#include "photo_items.h"
#include "sidecars.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

metadata::PhotoItems readItems(const std::string& path, const std::vector<uint8_t>& bytes)
{
    metadata::Blocks blocks = metadata::readBlocks(bytes.data(), bytes.size());
    std::vector<Exiv2::XmpData> sidecars;
    for (const std::string& sidecar : sidecarsOf(path))
        sidecars.push_back(metadata::readSidecar(sidecar));
    metadata::PhotoItems items = metadata::cameraItems(blocks, sidecars);
    metadata::PhotoItems described = metadata::descriptiveItems(blocks, sidecars);
    items.insert(items.end(), described.begin(), described.end());
    return items;
}

} // namespace

PhotoRecord readPhoto(const std::string& path)
{
    std::vector<uint8_t> bytes = readWholeFile(path);
    PhotoRecord photo;
    imaging::ImageInfo info;
    imaging::Thumbnail thumb;
    if (imaging::isRawFileName(path)) {
        imaging::RawPicture raw = imaging::readRaw(bytes.data(), bytes.size());
        info = raw.info;
        thumb = std::move(raw.thumb);
    } else {
        info = imaging::readImageInfo(bytes.data(), bytes.size());
        thumb = imaging::makeThumbnail(bytes.data(), bytes.size());
    }
    photo.image.width = info.width;
    photo.image.height = info.height;
    photo.image.bitcount = info.bitcount;
    photo.image.thumbWidth = thumb.width;
    photo.image.thumbHeight = thumb.height;
    const uint64_t imageHash = imaging::perceptualHash(thumb);
    const std::vector<uint64_t> detailHash = imaging::detailHash(thumb);
    photo.image.thumbnail = std::move(thumb.bgr);
    if (!fileUpdateTime(path, photo.image.updated))
        throw imaging::ImageError("cannot read its modification time");
    photo.items = readItems(path, bytes);
    photo.contentHash = contentHash(bytes.data(), bytes.size());
    for (metadata::PhotoItem& item : fingerprintItems(photo.contentHash, imageHash, detailHash))
        photo.items.push_back(std::move(item));
    return photo;
}

Outcome storePhoto(Catalogue& catalogue, const std::string& path, const PhotoRecord& photo,
                   bool hasRow, const std::vector<ConfiguredItem>& configured)
{
    Outcome outcome = hasRow ? catalogue.updateImage(path, photo.image)
                             : catalogue.enrollImage(path, photo.image);
    if (!outcome.ok())
        return outcome;
    if (hasRow) {
        const int camera = tableNumber(configured, metadata::kCameraTable);
        if (camera > 0)
            outcome = clearTableRow(catalogue, path, metadata::kCameraTable, camera);
        if (!outcome.ok())
            return outcome;
    }
    std::vector<TableItems> tables = configuredTables(photo.items, configured);
    return tables.empty() ? outcome : catalogue.writeItems(path, tables);
}

} // namespace kavdb
