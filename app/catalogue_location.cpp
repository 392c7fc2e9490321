/*
 * The catalogue's location (catalogue_location.h), following the XDG base directories.
 */
#include "catalogue_location.h"

#include "paths.h"

#include <cstdlib>

namespace kavdb {

std::string defaultCataloguePath()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return absolutePath(base + "/kavdb/catalogue.mdb");
}

bool isServerUri(const std::string& path)
{
    return path.rfind("postgresql://", 0) == 0 || path.rfind("postgres://", 0) == 0;
}

std::string cataloguePath(const std::string& chosen)
{
    return chosen.empty()        ? defaultCataloguePath()
           : isServerUri(chosen) ? chosen
                                 : absolutePath(chosen);
}

bool acceptableCatalogueName(const std::string& path)
{
    return path.find(".mdb") != std::string::npos || isServerUri(path);
}

} // namespace kavdb
