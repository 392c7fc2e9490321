/*
 * Read-ahead of photos on worker threads (photo_prefetch.h).
 */
#include "photo_prefetch.h"

#include "imaging/vips_runtime.h"

#include <algorithm>
#include <thread>

namespace kavdb {
namespace {

PhotoRead readOne(const std::string& path)
{
    PhotoRead read;
    try {
        read.photo = readPhoto(path);
    } catch (const imaging::ImageError& e) {
        read.error = e.what();
    }
    return read;
}

} // namespace

PhotoPrefetch::PhotoPrefetch(std::vector<std::string> paths, std::size_t depth)
    : paths_(std::move(paths)), depth_(std::max<std::size_t>(depth, 1))
{
    while (ahead_.size() < depth_ && launched_ < paths_.size())
        launch();
}

PhotoPrefetch::~PhotoPrefetch()
{
    for (std::future<PhotoRead>& f : ahead_)
        if (f.valid())
            f.wait(); // the readers use paths_; they finish before it goes
}

std::size_t PhotoPrefetch::defaultDepth()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void PhotoPrefetch::launch()
{
    const std::string& path = paths_[launched_++];
    // A depth of one reads on the caller's thread when the photo is asked for: strictly
    // one photo at a time.
    const auto policy = depth_ == 1 ? std::launch::deferred : std::launch::async;
    ahead_.push_back(std::async(policy, [&path] { return readOne(path); }));
}

PhotoRead PhotoPrefetch::next()
{
    PhotoRead read = ahead_.front().get();
    ahead_.pop_front();
    if (launched_ < paths_.size())
        launch();
    return read;
}

} // namespace kavdb
