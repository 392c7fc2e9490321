/*
 * Photos read ahead of the loop that stores them. Decoding a photo needs no catalogue, so
 * worker threads read the next few photos while the caller's thread writes the records
 * of the current one; the caller still receives them one at a time, in list order, and
 * stays the only thread that calls the catalogue library.
 */
#pragma once

#include "photo_ingest.h"

#include <cstddef>
#include <deque>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace kavdb {

/* One photo read: its record, or the reason it could not be read. */
struct PhotoRead {
    std::optional<PhotoRecord> photo;
    std::string error;
};

class PhotoPrefetch {
  public:
    /* depth: how many photos may be read at once, ahead of the caller; 1 reads each photo
     * on the caller's thread when it is asked for. */
    PhotoPrefetch(std::vector<std::string> paths, std::size_t depth);
    ~PhotoPrefetch();
    PhotoPrefetch(const PhotoPrefetch&) = delete;
    PhotoPrefetch& operator=(const PhotoPrefetch&) = delete;

    /* The next photo in list order, waiting for it when it is still being read. */
    PhotoRead next();

    /* A depth fitting the machine: one reader per processor. */
    static std::size_t defaultDepth();

  private:
    void launch();

    std::vector<std::string> paths_;
    std::size_t depth_;
    std::size_t launched_ = 0;
    std::deque<std::future<PhotoRead>> ahead_;
};

} // namespace kavdb
