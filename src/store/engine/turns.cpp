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

short Turns::mark(short type, int command) const
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte_);
    fl.l_len = 1;
    return folderFd_ >= 0 && ::fcntl(folderFd_, command, &fl) == 0 ? fl.l_type : -1;
}

void Turns::announce()
{
    announced_ = announced_ || mark(F_RDLCK, F_OFD_SETLK) >= 0;
}

void Turns::withdraw()
{
    if (announced_) {
        mark(F_UNLCK, F_OFD_SETLK);
        announced_ = false;
    }
}

bool Turns::othersWaiting() const
{
    // A write lock would conflict with any other description's read lock: that is a
    // waiter. This description's own mark never conflicts with itself.
    short held = mark(F_WRLCK, F_OFD_GETLK);
    return held >= 0 && held != F_UNLCK;
}

void Turns::letOthersGo() const
{
    auto until = std::chrono::steady_clock::now() + kStepAsideLimit;
    while (othersWaiting() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(kStepAsidePoll);
    }
}

} // namespace kavdb::engine
