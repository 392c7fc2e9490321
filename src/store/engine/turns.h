/*
 * Private to the engine layer: turn-taking between processes that write one catalogue.
 *
 * SQLite's write lock has no queue. A process that commits and at once begins again keeps
 * the lock while the others sleep in their busy handlers, and after the busy timeout they
 * fail. So a connection that waits for the lock says so, and a writer that finds somebody
 * waiting steps aside before it begins again. The mark is an open-file-description read
 * lock on one byte of the catalogue's folder, at the catalogue's inode number: the kernel
 * drops it when its process dies, and no descriptor of the catalogue file itself is ever
 * opened or closed (closing one would drop SQLite's own locks for the whole process).
 */
#pragma once

#include <chrono>
#include <string>

namespace kavdb::engine {

class Turns {
  public:
    /* Without a folder to mark (it cannot be opened), nobody is ever seen waiting and
     * waiting is never announced: the busy timeout alone then decides. */
    explicit Turns(const std::string& catalogue);
    ~Turns();
    Turns(const Turns&) = delete;
    Turns& operator=(const Turns&) = delete;

    /* Announces or withdraws this connection's wait for the write lock. */
    void announce();
    void withdraw();
    /* Another connection (of any process) is waiting for the write lock. */
    bool othersWaiting() const;
    /* Waits while others wait, at most a short while: they get the lock first. */
    void letOthersGo() const;

  private:
    /* fcntl(command) for a lock of type on this catalogue's byte; the type fcntl leaves in
     * the request (F_GETLK: a lock held by another), or -1 when it fails. */
    short mark(short type, int command) const;

    int folderFd_ = -1;
    long long byte_ = 0;
    bool announced_ = false;
};

} // namespace kavdb::engine
