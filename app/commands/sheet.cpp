/*
 * `kavdb sheet [FOLDER]`: the contact sheet of the catalogue, or of one folder tree in it,
 * as an HTML page (-o) and/or a PNG image (--png). Thumbnails come from the catalogue,
 * read one folder at a time; captions from the ExifInfo items and the file on disk.
 */
#include "sheet.h"
#include "camera_items.h"
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "imaging/pixels.h"
#include "imaging/vips_runtime.h"
#include "paths.h"
#include "progress.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

std::string textItem(const std::vector<TableItems>& tables, const char* name)
{
    for (const TableItems& table : tables)
        if (table.table == kCameraTable)
            for (const Item& item : table.items)
                if (item.name == name)
                    if (const auto* text = std::get_if<std::string>(&item.value))
                        return *text;
    return {};
}

SheetEntry entryFor(Catalogue& catalogue, const std::string& path, const ImageRecord& image)
{
    SheetEntry entry;
    entry.name = fileName(path);
    entry.width = image.width;
    entry.height = image.height;
    std::error_code ec;
    std::uintmax_t bytes = fs::file_size(path, ec);
    entry.fileBytes = ec ? 0 : bytes;
    std::vector<TableItems> tables;
    catalogue.readItems(path, tables);
    entry.dateTaken = textItem(tables, "DateTaken");
    entry.camera = cameraName(textItem(tables, "Make"), textItem(tables, "Model"));
    entry.thumbWidth = image.thumbWidth;
    entry.thumbHeight = image.thumbHeight;
    entry.rgb =
        imaging::paddedBgrToRgb(image.thumbnail.data(), image.thumbWidth, image.thumbHeight);
    return entry;
}

/* One folder's photos that have a thumbnail, in name order. The captions are read after
 * the image walk: no library call is made from inside its callback. */
SheetGroup folderGroup(Catalogue& catalogue, const std::string& folderText,
                       const std::vector<std::string>& files, Progress& progress)
{
    std::vector<std::pair<std::size_t, ImageRecord>> found;
    catalogue.readImages(files, [&](std::size_t index, const ImageRecord* record) {
        if (record && record->hasThumbnail() && index < files.size())
            found.emplace_back(index, *record);
    });
    SheetGroup group{folderFromKey(folderText), {}};
    for (const auto& [index, image] : found) {
        group.entries.push_back(entryFor(catalogue, files[index], image));
        progress.advance();
    }
    progress.advance(files.size() - found.size());
    return group;
}

bool writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        report(path, "cannot write the contact sheet");
        return false;
    }
    return true;
}

} // namespace

int runSheet(const GlobalOptions& global, const SheetOptions& options)
{
    if (options.html.empty() && options.png.empty()) {
        report("say where the sheet goes: -o FILE.html and/or --png FILE.png");
        return kExitUsage;
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    std::vector<std::string> folders;
    if (options.folder.empty())
        cataloguedFolders(*catalogue, folders);
    else
        cataloguedFoldersWithin(*catalogue, absolutePath(options.folder), folders);

    std::vector<std::vector<std::string>> files(folders.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        cataloguedFiles(*catalogue, folders[i], files[i]);
        total += files[i].size();
    }
    Progress progress(stderr, progressWanted(global.quiet, 2), total, "sheet");
    std::vector<SheetGroup> groups;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        SheetGroup group = folderGroup(*catalogue, folders[i], files[i], progress);
        if (!group.entries.empty())
            groups.push_back(std::move(group));
    }
    progress.finish();

    bool ok = true;
    try {
        if (!options.html.empty())
            ok = writeText(options.html, renderSheetHtml(groups, "kavdb contact sheet")) && ok;
        if (!options.png.empty())
            writeSheetPng(groups, options.columns, options.png);
    } catch (const imaging::ImageError& e) {
        report(options.png.empty() ? options.html : options.png, e.what());
        ok = false;
    }
    if (ok && !global.quiet) {
        std::size_t photos = 0;
        for (const SheetGroup& group : groups)
            photos += group.entries.size();
        std::printf("contact sheet of %zu photo%s in %zu folder%s\n", photos,
                    photos == 1 ? "" : "s", groups.size(), groups.size() == 1 ? "" : "s");
    }
    return ok ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
