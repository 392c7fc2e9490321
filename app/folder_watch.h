/*
 * Changes under folder trees as they happen, for `kavdb watch`: through inotify, or, on
 * file systems that send no events (network and FUSE mounts) or on request, by scanning
 * the trees at an interval. A written file is reported once it has stopped changing for
 * the settle time (never half-written); a rename inside the trees comes as one move; a
 * removal is held back twice the settle time, so that a file moved by other means (gone
 * here, written there) is seen written before it is seen gone.
 */
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kavdb {

struct FolderChange {
    enum Kind { Written, Removed, Moved } kind;
    std::string path; // the file (or, Removed, possibly a folder)
    std::string from; // Moved: the old path
};

using Millis = std::chrono::milliseconds;

class FolderWatch {
  public:
    /* poll: scan every pollInterval instead of using inotify. */
    FolderWatch(const std::vector<std::string>& roots, Millis settle, bool poll,
                Millis pollInterval);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    /* Waits up to `wait` for events; returns the changes that are due. */
    std::vector<FolderChange> next(Millis wait);

    bool polling() const { return inotify_ < 0; }

    /* True when a folder lies on a file system that sends no inotify events. */
    static bool withoutEvents(const std::string& folder);

  private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        Clock::time_point last;
        off_t size = -1;
        int64_t mtime = -1;
    };

    void watchTree(const std::string& folder, bool reportFiles);
    void readEvents(Millis wait);
    void scan();
    void touched(const std::string& path);
    void removed(const std::string& path);
    std::vector<FolderChange> due();

    std::vector<std::string> roots_;
    Millis settle_;
    Millis pollInterval_;
    int inotify_ = -1;
    std::map<int, std::string> folders_; // watch descriptor -> folder
    std::map<uint32_t, std::pair<std::string, Clock::time_point>> movedFrom_; // cookie
    std::map<std::string, Pending> written_;
    std::map<std::string, Clock::time_point> removed_;
    std::vector<FolderChange> moves_;
    std::map<std::string, std::pair<off_t, int64_t>> snapshot_; // polling: size, mtime
    Clock::time_point lastScan_{};
};

} // namespace kavdb
