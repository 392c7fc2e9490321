/*
 * Paths as the catalogue keys them. The catalogue stores files by their full path, so
 * every FILE or FOLDER argument becomes absolute and lexically normal, a folder without
 * a trailing slash; the catalogue itself keeps a folder as that text plus "/".
 */
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kavdb {

/* The argument as an absolute, lexically normal path without a trailing slash. */
std::string absolutePath(const std::string& argument);

/* A folder as the catalogue's folder text: the absolute path followed by one "/". */
std::string folderKey(const std::string& folder);

/* A catalogue folder text ("/a/b/") as a folder path ("/a/b"). */
std::string folderFromKey(const std::string& folderText);

/* The folder part of a full file path, without its trailing slash. */
std::string parentFolder(const std::string& path);

/* The name part of a full file path. */
std::string fileName(const std::string& path);

/* True when the file is certainly absent (one that cannot be looked at is not gone). */
bool goneFromDisk(const std::string& path);

/* True when folderText (a catalogue folder text, ending in "/") is folder or lies below it. */
bool folderWithin(const std::string& folderText, const std::string& folder);

/* Every file under root (regular files and links to them), sorted byte-wise, descending
 * into sub-folders but not through symbolic links to folders; the folders that could not
 * be read are listed with the reason. */
struct FolderWalk {
    std::vector<std::string> files;
    std::vector<std::pair<std::string, std::string>> unreadable; // folder, reason
};
FolderWalk walkFolder(const std::string& root);
std::vector<std::string> findFiles(const std::string& root);

/* The image files under root, one group per folder (folders and names sorted byte-wise),
 * descending into sub-folders but not through symbolic links to folders. */
struct FolderImages {
    std::string folder;
    std::vector<std::string> paths;
};
std::vector<FolderImages> findImages(const std::string& root);
/* The image files among files (sorted), grouped the same way. */
std::vector<FolderImages> groupImages(const std::vector<std::string>& files);

} // namespace kavdb
