/*
 * The contact sheet: every catalogued photo's thumbnail with its name, size, date taken
 * and camera, grouped by folder, in pages of a fixed number of photos. Two renderings:
 * an HTML sheet (an index page and one page per N photos, thumbnails as files loaded
 * lazily, each linking to the original photo; a folder to copy, nothing fetched from the
 * network) and PNG images (a grid composed with libvips, one image per page).
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb {

struct SheetEntry {
    std::string name;
    std::string path; // the original photo, for the link
    int width = 0;    // the photo's displayed size in pixels, as its thumbnail shows it
    int height = 0;
    std::uintmax_t fileBytes = 0; // 0 when the file is gone from disk
    std::string dateTaken;
    std::string camera;
    int thumbWidth = 0;
    int thumbHeight = 0;
    std::vector<uint8_t> rgb; // thumbnail, packed 8-bit RGB (released once drawn)
    std::string thumbnail;    // the thumbnail's file, relative to the sheet's folder
};

struct SheetGroup {
    std::string folder;
    std::vector<SheetEntry> entries;
};

/* "Canon EOS 40D" from make "Canon" and model "Canon EOS 40D"; "FUJIFILM FinePix E500"
 * from "FUJIFILM" and "FinePix E500": the make is left out when the model repeats it. */
std::string cameraName(const std::string& make, const std::string& model);

/* "12 KB", "1.4 MB": a file size for people. */
std::string sizeText(std::uintmax_t bytes);

/* A local file as a file: URL, every byte outside the unreserved set percent-encoded. */
std::string fileUrl(const std::string& path);

/* The file name of page n (from 1): "page-0001.html". */
std::string pageFileName(int page);

/* One page of the HTML sheet; previous and next pages are linked when they exist. */
std::string renderPageHtml(const std::vector<SheetGroup>& groups, const std::string& title,
                           int page, bool hasNext);

/* What the index lists of one page. */
struct PageSummary {
    int page = 0;
    std::size_t photos = 0;
    std::vector<std::string> folders;
};
std::string renderIndexHtml(const std::vector<PageSummary>& pages, const std::string& title);

/* The PNG sheet's geometry: cells of a fixed size, `columns` per row, a title strip above
 * each folder's grid. */
struct SheetGeometry {
    int cellWidth = 0;
    int cellHeight = 0;
    int headerHeight = 0;
    int margin = 0;
};
SheetGeometry sheetGeometry();

/* The PNG sheet's size in pixels for these groups and columns. */
void sheetPngSize(const std::vector<SheetGroup>& groups, int columns, int& width, int& height);

/* Writes one PNG sheet of the groups (one page's); throws imaging::ImageError. */
void writeSheetPng(const std::vector<SheetGroup>& groups, int columns, const std::string& path);

} // namespace kavdb
