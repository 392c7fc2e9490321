/*
 * The contact sheet's captions, links and the PNG sheet's geometry (sheet.h).
 */
#include "sheet.h"

#include "imaging/thumbnail.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kavdb {

std::string cameraName(const std::string& make, const std::string& model)
{
    if (make.empty() || model.empty())
        return make.empty() ? model : make;
    std::string brand = make.substr(0, make.find(' '));
    bool repeated = model.size() >= brand.size();
    for (std::size_t i = 0; repeated && i < brand.size(); ++i)
        repeated = std::tolower(static_cast<unsigned char>(model[i])) ==
                   std::tolower(static_cast<unsigned char>(brand[i]));
    return repeated ? model : make + " " + model;
}

std::string sizeText(std::uintmax_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%ju B", bytes);
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.0f KB", bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string fileUrl(const std::string& path)
{
    static const char* digits = "0123456789ABCDEF";
    std::string url = "file://";
    for (char ch : path) {
        auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += ch;
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 15];
        }
    }
    return url;
}

std::string pageFileName(int page)
{
    char name[32];
    std::snprintf(name, sizeof name, "page-%04d.html", page);
    return name;
}

SheetGeometry sheetGeometry()
{
    SheetGeometry g;
    g.cellWidth = imaging::kThumbnailBox + 24;
    g.cellHeight = imaging::kThumbnailBox + 16 + 36; // thumbnail, gap, two caption lines
    g.headerHeight = 32;
    g.margin = 16;
    return g;
}

void sheetPngSize(const std::vector<SheetGroup>& groups, int columns, int& width, int& height)
{
    const SheetGeometry g = sheetGeometry();
    int across = 0;
    height = 0;
    for (const SheetGroup& group : groups) {
        int n = static_cast<int>(group.entries.size());
        if (n == 0)
            continue;
        int cols = std::min(columns, n);
        int rows = (n + columns - 1) / columns;
        across = std::max(across, cols);
        height += g.headerHeight + rows * g.cellHeight;
    }
    width = std::max(across * g.cellWidth, 1) + 2 * g.margin;
    height = std::max(height, 1) + 2 * g.margin;
}

} // namespace kavdb
