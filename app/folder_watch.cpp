/*
 * Watching folder trees (folder_watch.h): inotify watches on every folder of the trees,
 * added as folders appear; the polling form compares snapshots of (size, modification
 * time). Both feed the same settle logic.
 */
#include "folder_watch.h"

#include "paths.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <array>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb {
namespace {

constexpr uint32_t kFileEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_ATTRIB | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

struct FileState {
    bool exists = false;
    bool folder = false;
    off_t size = 0;
    int64_t mtime = 0;
};

FileState stateOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, S_ISDIR(st.st_mode), st.st_size,
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

bool FolderWatch::withoutEvents(const std::string& folder)
{
    struct statfs fsInfo {};
    if (::statfs(folder.c_str(), &fsInfo) != 0)
        return false;
    switch (static_cast<uint32_t>(fsInfo.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE
    case 0x01021997: // 9P
    case 0x73757245: // Coda
    case 0x5346414F: // AFS
    case 0x00C36400: // Ceph
        return true;
    default:
        return false;
    }
}

FolderWatch::FolderWatch(const std::vector<std::string>& roots, Millis settle, bool poll,
                         Millis pollInterval)
    : roots_(roots), settle_(settle), pollInterval_(pollInterval)
{
    for (const std::string& root : roots)
        poll = poll || withoutEvents(root);
    if (!poll)
        inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0) {
        for (const std::string& root : roots)
            watchTree(root, false);
    } else {
        scan();
        written_.clear(); // what is there at the start is not a change
        removed_.clear();
    }
}

FolderWatch::~FolderWatch()
{
    if (inotify_ >= 0)
        ::close(inotify_);
}

void FolderWatch::watchTree(const std::string& folder, bool reportFiles)
{
    int wd = inotify_add_watch(inotify_, folder.c_str(), kFileEvents | IN_ONLYDIR);
    if (wd < 0)
        return;
    folders_[wd] = folder;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.is_directory(ec) && !entry.is_symlink(ec))
            watchTree(entry.path().string(), reportFiles);
        else if (reportFiles && entry.is_regular_file(ec))
            touched(entry.path().string()); // written before its folder was watched
    }
}

void FolderWatch::touched(const std::string& path)
{
    FileState s = stateOf(path);
    written_[path] = {Clock::now(), s.exists ? s.size : -1, s.exists ? s.mtime : -1};
    removed_.erase(path);
}

void FolderWatch::removed(const std::string& path)
{
    written_.erase(path);
    removed_[path] = Clock::now();
}

void FolderWatch::readEvents(Millis wait)
{
    pollfd p{inotify_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0)
        return;
    alignas(inotify_event) std::array<char, 64 * 1024> buffer;
    ssize_t n;
    while ((n = ::read(inotify_, buffer.data(), buffer.size())) > 0) {
        for (char* at = buffer.data(); at < buffer.data() + n;) {
            auto* e = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + e->len;
            auto folder = folders_.find(e->wd);
            if (folder == folders_.end() || e->len == 0)
                continue;
            const std::string path = folder->second + "/" + e->name;
            const bool isFolder = (e->mask & IN_ISDIR) != 0;
            if (e->mask & IN_MOVED_FROM) {
                movedFrom_[e->cookie] = {path, Clock::now()};
            } else if ((e->mask & IN_MOVED_TO) && movedFrom_.count(e->cookie)) {
                moves_.push_back({FolderChange::Moved, path, movedFrom_[e->cookie].first});
                movedFrom_.erase(e->cookie);
                if (isFolder)
                    watchTree(path, false);
            } else if (isFolder && (e->mask & (IN_CREATE | IN_MOVED_TO))) {
                watchTree(path, true);
            } else if (e->mask & IN_DELETE) {
                removed(path);
            } else if (!isFolder) {
                touched(path);
            }
        }
    }
}

void FolderWatch::scan()
{
    std::map<std::string, std::pair<off_t, int64_t>> now;
    for (const std::string& root : roots_)
        for (const std::string& path : findFiles(root)) {
            FileState s = stateOf(path);
            if (s.exists)
                now[path] = {s.size, s.mtime};
        }
    for (const auto& [path, state] : now) {
        auto before = snapshot_.find(path);
        if (before == snapshot_.end() || before->second != state)
            touched(path);
    }
    for (const auto& [path, state] : snapshot_)
        if (!now.count(path))
            removed(path);
    snapshot_ = std::move(now);
    lastScan_ = Clock::now();
}

std::vector<FolderChange> FolderWatch::due()
{
    const Clock::time_point now = Clock::now();
    std::vector<FolderChange> out = std::move(moves_);
    moves_.clear();
    for (auto it = movedFrom_.begin(); it != movedFrom_.end();) {
        // Moved out of the trees: no matching arrival came.
        if (now - it->second.second < settle_) {
            ++it;
            continue;
        }
        removed(it->second.first);
        it = movedFrom_.erase(it);
    }
    for (auto it = written_.begin(); it != written_.end();) {
        FileState s = stateOf(it->first);
        Pending& p = it->second;
        if (s.exists && (s.size != p.size || s.mtime != p.mtime)) {
            p = {now, s.size, s.mtime}; // still changing
            ++it;
        } else if (!s.exists || now - p.last >= settle_) {
            if (s.exists && !s.folder)
                out.push_back({FolderChange::Written, it->first, {}});
            it = written_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = removed_.begin(); it != removed_.end();) {
        if (now - it->second < 2 * settle_) {
            ++it;
            continue;
        }
        out.push_back({FolderChange::Removed, it->first, {}});
        it = removed_.erase(it);
    }
    return out;
}

std::vector<FolderChange> FolderWatch::next(Millis wait)
{
    if (polling()) {
        ::usleep(static_cast<useconds_t>(wait.count()) * 1000);
        if (Clock::now() - lastScan_ >= pollInterval_)
            scan();
    } else {
        readEvents(wait);
    }
    return due();
}

} // namespace kavdb
