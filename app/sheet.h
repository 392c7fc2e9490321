/*
 * The contact sheet: every catalogued photo's thumbnail with its name, size, date taken
 * and camera, grouped by folder. Two renderings: one self-contained HTML page (thumbnails
 * as PNG data URIs, no network needed) and one PNG image (a grid composed with libvips).
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb {

struct SheetEntry {
    std::string name;
    int width = 0; // the photo's size in pixels
    int height = 0;
    std::uintmax_t fileBytes = 0; // 0 when the file is gone from disk
    std::string dateTaken;
    std::string camera;
    int thumbWidth = 0;
    int thumbHeight = 0;
    std::vector<uint8_t> rgb; // thumbnail, packed 8-bit RGB
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

/* The whole HTML page. */
std::string renderSheetHtml(const std::vector<SheetGroup>& groups, const std::string& title);

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

/* Writes the PNG sheet; throws imaging::ImageError. */
void writeSheetPng(const std::vector<SheetGroup>& groups, int columns, const std::string& path);

} // namespace kavdb
