/*
 * Argument paths and the folder walk that finds photos (paths.h).
 */
#include "paths.h"

#include "imaging/formats.h"

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

std::vector<std::string> findFiles(const std::string& root)
{
    std::vector<std::string> files;
    std::error_code ec;
    auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(root, options, ec), end; !ec && it != end;
         it.increment(ec)) {
        // Regular files and links to them count; links to folders are not followed.
        if (!it->is_directory(ec) && it->is_regular_file(ec))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<FolderImages> findImages(const std::string& root)
{
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& path : findFiles(root))
        if (imaging::isImageFileName(fileName(path)))
            byFolder[parentFolder(path)].push_back(path);
    std::vector<FolderImages> groups;
    for (auto& [folder, paths] : byFolder)
        groups.push_back({folder, std::move(paths)});
    return groups;
}

} // namespace kavdb
