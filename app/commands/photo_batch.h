/*
 * The photo loop shared by `add` and `refresh`: decide which photos of a folder need
 * reading, then read and store each, advancing the progress line; a photo moved since it
 * was catalogued keeps its entry. A photo that cannot be
 * decoded stays catalogued without an image record and is collected for the summary.
 */
#pragma once

#include "catalogue.h"
#include "progress.h"

#include <string>
#include <utility>
#include <vector>

namespace kavdb::commands {

struct PendingPhoto {
    std::string path;
    bool hasRow = false; // the file already has its catalogue row
    bool fresh = false;  // never read before: it may be a catalogued photo moved here
};

/* The photos among paths (one folder, sorted by name) that need reading: no image
 * record, or one older than the file; the others are counted in upToDate. force takes
 * every photo. */
std::vector<PendingPhoto> photosToRead(Catalogue& catalogue, const std::vector<std::string>& paths,
                                       bool force, std::size_t& upToDate);

struct BatchResult {
    std::size_t stored = 0;
    std::vector<std::pair<std::string, std::string>> unreadable; // path, reason
    std::vector<std::pair<std::string, std::string>> moved;      // from, to
    std::size_t failed = 0;                                      // reported already

    void merge(const BatchResult& other);
};

/* Reads and stores every pending photo, one progress step each; up to `readers` photos
 * are read at once, ahead of the one being stored (0: one per processor). A fresh photo
 * whose content is that of an entry whose file is gone takes that entry over (moved). */
BatchResult readAndStore(Catalogue& catalogue, const std::vector<PendingPhoto>& photos,
                         const std::vector<ConfiguredItem>& configured, Progress& progress,
                         unsigned readers = 0);

/* The unreadable photos on standard error, one line each. */
void reportUnreadable(const BatchResult& result);

} // namespace kavdb::commands
