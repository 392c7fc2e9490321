/*
 * The PNG contact sheet, composed with libvips: each photo becomes a fixed-size cell
 * (thumbnail centred, caption below), each folder a grid of cells under a title strip,
 * and the folders are stacked into one image. Captions are drawn with libvips' text
 * renderer; where no font is available the cells simply have blank captions.
 */
#include "sheet.h"

#include "imaging/thumbnail.h"
#include "imaging/vips_runtime.h"

#include <vips/vips8>

#include <algorithm>

namespace kavdb {
namespace {

using vips::VImage;

const std::vector<double> kWhite = {255, 255, 255};

VImage whiteImage(int width, int height)
{
    return VImage::black(width, height).cast(VIPS_FORMAT_UCHAR).new_from_image(kWhite);
}

std::string escapeMarkup(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

/* Dark text on white, cut to and placed in a width x height box. */
VImage textBox(const std::string& markup, const char* font, int width, int height)
{
    VImage box = whiteImage(width, height);
    try {
        VImage mask = VImage::text(
            markup.c_str(),
            VImage::option()->set("font", font)->set("width", width - 8)->set("dpi", 72));
        int w = std::min(mask.width(), width - 8);
        int h = std::min(mask.height(), height);
        if (w <= 0 || h <= 0)
            return box;
        VImage ink = mask.extract_area(0, 0, w, h).linear(-0.8, 255).cast(VIPS_FORMAT_UCHAR);
        ink = VImage::bandjoin({ink, ink, ink});
        return box.insert(ink, 4, 0);
    } catch (const vips::VError&) {
        vips_error_clear(); // no usable font: the caption stays blank
        return box;
    }
}

VImage cell(const SheetEntry& entry, const SheetGeometry& g)
{
    const int box = imaging::kThumbnailBox;
    VipsImage* raw =
        vips_image_new_from_memory_copy(entry.rgb.data(), entry.rgb.size(), entry.thumbWidth,
                                        entry.thumbHeight, 3, VIPS_FORMAT_UCHAR);
    if (!raw)
        throw imaging::ImageError(imaging::takeVipsError());
    VImage thumb(raw);
    const int pictureHeight = g.cellHeight - 36;
    VImage picture = thumb.embed(
        (g.cellWidth - entry.thumbWidth) / 2, 8 + (box - entry.thumbHeight) / 2, g.cellWidth,
        pictureHeight,
        VImage::option()->set("extend", VIPS_EXTEND_BACKGROUND)->set("background", kWhite));
    std::string caption = "<b>" + escapeMarkup(entry.name) + "</b>";
    if (!entry.camera.empty())
        caption += "\n" + escapeMarkup(entry.camera);
    VImage text = textBox(caption, "sans 9", g.cellWidth, g.cellHeight - pictureHeight);
    return picture.join(text, VIPS_DIRECTION_VERTICAL);
}

VImage folderGrid(const SheetGroup& group, int columns, const SheetGeometry& g)
{
    std::vector<VImage> cells;
    for (const SheetEntry& entry : group.entries)
        cells.push_back(cell(entry, g));
    const int across = std::min<int>(columns, static_cast<int>(cells.size()));
    VImage grid = VImage::arrayjoin(
        cells, VImage::option()->set("across", across)->set("background", kWhite));
    VImage header = textBox("<b>" + escapeMarkup(group.folder) + "</b>", "sans 11", grid.width(),
                            g.headerHeight);
    return header.join(grid, VIPS_DIRECTION_VERTICAL);
}

} // namespace

void writeSheetPng(const std::vector<SheetGroup>& groups, int columns, const std::string& path)
{
    imaging::startVips(nullptr);
    const SheetGeometry g = sheetGeometry();
    int width = 0;
    int height = 0;
    sheetPngSize(groups, columns, width, height);
    try {
        std::vector<VImage> parts;
        for (const SheetGroup& group : groups)
            if (!group.entries.empty())
                parts.push_back(folderGrid(group, std::max(columns, 1), g));
        VImage sheet =
            parts.empty()
                ? whiteImage(1, 1)
                : VImage::arrayjoin(parts,
                                    VImage::option()->set("across", 1)->set("background", kWhite));
        sheet = sheet.embed(
            g.margin, g.margin, width, height,
            VImage::option()->set("extend", VIPS_EXTEND_BACKGROUND)->set("background", kWhite));
        sheet.pngsave(path.c_str());
    } catch (const vips::VError& e) {
        throw imaging::vipsFailure(e.what());
    }
}

} // namespace kavdb
