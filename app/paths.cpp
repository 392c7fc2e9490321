/*
 * Argument paths and the folder walk that finds photos (paths.h).
 */
#include "paths.h"

#include "imaging/formats.h"

#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <map>

namespace fs = std::filesystem;

namespace kavdb {

std::string absolutePath(const std::string& argument)
{
    std::string text = fs::absolute(fs::path(argument)).lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string folderKey(const std::string& folder)
{
    std::string text = absolutePath(folder);
    if (text.back() != '/')
        text += '/';
    return text;
}

std::string folderFromKey(const std::string& folderText)
{
    std::string text = folderText;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string parentFolder(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileName(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool folderWithin(const std::string& folderText, const std::string& folder)
{
    std::string key = folder == "/" ? "/" : folder + "/";
    return folderText.compare(0, key.size(), key) == 0;
}

namespace {

void walkInto(const fs::path& folder, FolderWalk& walk)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        // Links to folders are not followed (no cycles); links to files count as files.
        if (it->is_directory(entryError) && !it->is_symlink(entryError))
            walkInto(it->path(), walk);
        else if (!it->is_directory(entryError) && it->is_regular_file(entryError))
            walk.files.push_back(it->path().string());
    }
    if (ec)
        walk.unreadable.emplace_back(folder.string(), ec.message());
}

} // namespace

FolderWalk walkFolder(const std::string& root)
{
    FolderWalk walk;
    walkInto(root, walk);
    std::sort(walk.files.begin(), walk.files.end());
    return walk;
}

std::vector<std::string> findFiles(const std::string& root)
{
    return walkFolder(root).files;
}

std::vector<FolderImages> groupImages(const std::vector<std::string>& files)
{
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& path : files)
        if (imaging::isImageFileName(fileName(path)))
            byFolder[parentFolder(path)].push_back(path);
    std::vector<FolderImages> groups;
    for (auto& [folder, paths] : byFolder)
        groups.push_back({folder, std::move(paths)});
    return groups;
}

std::vector<FolderImages> findImages(const std::string& root)
{
    return groupImages(findFiles(root));
}

bool goneFromDisk(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

} // namespace kavdb
