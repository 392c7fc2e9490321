/*
 * Finding XMP sidecars (sidecars.h).
 */
#include "sidecars.h"

#include "imaging/formats.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb {
namespace {

bool isXmpName(const fs::path& path)
{
    std::string ext = path.extension().string();
    return ext == ".xmp" || ext == ".XMP";
}

bool isFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

std::vector<std::string> sidecarsOf(const std::string& photo)
{
    const fs::path path(photo);
    std::vector<std::string> found;
    for (const char* ext : {".xmp", ".XMP"}) {
        fs::path whole = photo + ext;
        fs::path stem = fs::path(path).replace_extension(ext);
        for (const fs::path& candidate : {whole, stem})
            if (isFile(candidate) &&
                std::find(found.begin(), found.end(), candidate.string()) == found.end())
                found.push_back(candidate.string());
    }
    return found;
}

bool isSidecarOfAPhoto(const std::string& path)
{
    const fs::path sidecar(path);
    if (!isXmpName(sidecar))
        return false;
    fs::path photo = fs::path(sidecar).replace_extension();
    if (photo.has_extension())
        return imaging::isImageFileName(photo.filename()) && isFile(photo);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sidecar.parent_path(), ec))
        if (entry.path().stem() == photo.filename() && !isXmpName(entry.path()) &&
            imaging::isImageFileName(entry.path().filename()))
            return true;
    return false;
}

std::string sidecarFor(const std::string& sidecar, const std::string& from, const std::string& to)
{
    fs::path ext = fs::path(sidecar).extension();
    if (sidecar == from + ext.string())
        return to + ext.string();
    return fs::path(to).replace_extension(ext).string();
}

} // namespace kavdb
