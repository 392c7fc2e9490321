/*
 * Turn-taking between processes (turns.h), on Linux's open-file-description locks.
 */
#include "store/engine/turns.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace kavdb::engine {

namespace {

/* How long a writer stands aside for waiting connections at most. A waiter polls every
 * millisecond (connection.cpp), so it is in well before; the bound only matters when a
 * waiter is stuck in a long wait of its own. */
constexpr auto kStepAsideLimit = std::chrono::milliseconds(100);
constexpr auto kStepAsidePoll = std::chrono::microseconds(250);

std::string folderOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

struct flock byteLock(short type, long long byte)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte);
    fl.l_len = 1;
    return fl;
}

} // namespace

Turns::Turns(const std::string& catalogue)
{
    struct stat st {};
    if (::stat(catalogue.c_str(), &st) != 0) {
        return;
    }
    folderFd_ = ::open(folderOf(catalogue).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Offsets are signed: the inode number is folded into the positive range.
    byte_ = static_cast<long long>(st.st_ino & 0x3FFFFFFFFFFFull);
}

Turns::~Turns()
{
    if (folderFd_ >= 0) {
        ::close(folderFd_);
    }
}

void Turns::announce()
{
    if (folderFd_ < 0 || announced_) {
        return;
    }
    struct flock fl = byteLock(F_RDLCK, byte_);
    announced_ = ::fcntl(folderFd_, F_OFD_SETLK, &fl) == 0;
}

void Turns::withdraw()
{
    if (!announced_) {
        return;
    }
    struct flock fl = byteLock(F_UNLCK, byte_);
    ::fcntl(folderFd_, F_OFD_SETLK, &fl);
    announced_ = false;
}

bool Turns::othersWaiting() const
{
    if (folderFd_ < 0) {
        return false;
    }
    // A write lock would conflict with any other description's read lock: that is a
    // waiter. This description's own mark never conflicts with itself.
    struct flock fl = byteLock(F_WRLCK, byte_);
    return ::fcntl(folderFd_, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

void Turns::letOthersGo() const
{
    auto until = std::chrono::steady_clock::now() + kStepAsideLimit;
    while (othersWaiting() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(kStepAsidePoll);
    }
}

} // namespace kavdb::engine
