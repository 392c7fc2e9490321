/*
 * Looking at files without opening them (file_probe.h): stat and faccessat only.
 */
#include "store/file_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavdb::store {

FileKind fileKind(const char* path) noexcept
{
    struct stat st {};
    if (path == nullptr || ::stat(path, &st) != 0) {
        return FileKind::Missing;
    }
    return S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
}

bool anythingAt(const char* path) noexcept
{
    struct stat st {};
    return path != nullptr && ::lstat(path, &st) == 0;
}

bool mayRead(const char* path) noexcept
{
    return path != nullptr && ::faccessat(AT_FDCWD, path, R_OK, AT_EACCESS) == 0;
}

} // namespace kavdb::store
