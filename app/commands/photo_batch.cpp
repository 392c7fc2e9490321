/*
 * The photo loop (photo_batch.h). Which photos need reading is decided from one
 * KaDBSVReadImages walk per folder, in name order, so the catalogue serves the whole
 * folder from one statement.
 */
#include "commands/photo_batch.h"

#include "commands/session.h"
#include "moved_entries.h"
#include "photo_ingest.h"
#include "photo_prefetch.h"

namespace kavdb::commands {
namespace {

bool upToDate(const ImageRecord& record, const std::string& path)
{
    SYSTEMTIME onDisk{};
    return record.hasThumbnail() && fileUpdateTime(path, onDisk) &&
           timeText(onDisk) == timeText(record.updated);
}

/* Moves the entry of a gone file with the photo's content onto the photo; whether the
 * photo has its row now. */
bool takeOverMovedEntry(Catalogue& catalogue, const PendingPhoto& photo, const PhotoRecord& read,
                        const std::vector<ConfiguredItem>& configured, BatchResult& result)
{
    std::optional<std::string> from =
        goneEntryWithContent(catalogue, configured, read.contentHash, photo.path);
    if (!from)
        return photo.hasRow;
    Outcome moved = adoptEntry(catalogue, *from, photo.path, photo.hasRow);
    if (!moved.ok()) {
        report(*from + " -> " + photo.path, "the entry cannot follow: " + moved.words());
        return isCatalogued(catalogue, photo.path);
    }
    result.moved.emplace_back(*from, photo.path);
    return true;
}

} // namespace

std::vector<PendingPhoto> photosToRead(Catalogue& catalogue, const std::vector<std::string>& paths,
                                       bool force, std::size_t& current)
{
    std::vector<PendingPhoto> pending;
    catalogue.readImages(paths, [&](std::size_t index, const ImageRecord* record) {
        if (index >= paths.size())
            return;
        const std::string& path = paths[index];
        if (force || record == nullptr || !upToDate(*record, path))
            pending.push_back({path, record != nullptr, !record || !record->hasThumbnail()});
        else
            ++current;
    });
    return pending;
}

void BatchResult::merge(const BatchResult& other)
{
    stored += other.stored;
    failed += other.failed;
    moved.insert(moved.end(), other.moved.begin(), other.moved.end());
    unreadable.insert(unreadable.end(), other.unreadable.begin(), other.unreadable.end());
}

BatchResult readAndStore(Catalogue& catalogue, const std::vector<PendingPhoto>& photos,
                         const std::vector<ConfiguredItem>& configured, Progress& progress,
                         unsigned readers)
{
    std::vector<std::string> paths;
    for (const PendingPhoto& photo : photos)
        paths.push_back(photo.path);
    PhotoPrefetch reader(std::move(paths), readers ? readers : PhotoPrefetch::defaultDepth());
    BatchResult result;
    for (const PendingPhoto& photo : photos) {
        PhotoRead read = reader.next();
        if (!read.photo) {
            result.unreadable.emplace_back(photo.path, read.error);
            if (!photo.hasRow)
                catalogue.enrollFile(photo.path); // catalogued all the same, without image
        } else {
            bool hasRow = photo.hasRow;
            if (photo.fresh)
                hasRow = takeOverMovedEntry(catalogue, photo, *read.photo, configured, result);
            Outcome stored = storePhoto(catalogue, photo.path, *read.photo, hasRow, configured);
            if (stored.ok()) {
                ++result.stored;
            } else {
                report(photo.path, "cannot store its image record: " + stored.words());
                ++result.failed;
            }
        }
        progress.advance();
    }
    return result;
}

void reportUnreadable(const BatchResult& result)
{
    for (const auto& [path, reason] : result.unreadable)
        report(path, "not readable as an image (" + reason + "); catalogued without image");
}

} // namespace kavdb::commands
