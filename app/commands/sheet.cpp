/*
 * `kavdb sheet [FOLDER]`: the contact sheet of the catalogue, or of one folder tree in it,
 * as an HTML sheet in a folder of its own (-o DIR: index.html, a page per N photos, the
 * thumbnails) and/or PNG images (--png FILE.png, one per page). Thumbnails come from the
 * catalogue, read a slice of a folder at a time; captions from the catalogued items and
 * the file on disk.
 */
#include "catalogue_listing.h"
#include "commands/commands.h"
#include "commands/session.h"
#include "imaging/pixels.h"
#include "metadata/camera.h"
#include "paths.h"
#include "progress.h"
#include "sheet_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kavdb::commands {
namespace {

/* Thumbnails read in one library call: a slice keeps the memory of a huge folder small. */
constexpr std::size_t kSlice = 256;

std::string textItem(const std::vector<TableItems>& tables, const char* name)
{
    for (const TableItems& table : tables)
        if (table.table == metadata::kCameraTable)
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
    entry.path = path;
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

/* One folder's photos that have a thumbnail, in name order, into the sheet. The captions
 * are read after each image walk: no library call is made from inside its callback. */
void addFolder(Catalogue& catalogue, const std::string& folderText,
               const std::vector<std::string>& files, SheetWriter& sheet, Progress& progress)
{
    const std::string folder = folderFromKey(folderText);
    for (std::size_t start = 0; start < files.size(); start += kSlice) {
        std::vector<std::string> slice(
            files.begin() + static_cast<std::ptrdiff_t>(start),
            files.begin() + static_cast<std::ptrdiff_t>(std::min(files.size(), start + kSlice)));
        std::vector<std::pair<std::size_t, ImageRecord>> found;
        catalogue.readImages(slice, [&](std::size_t index, const ImageRecord* record) {
            if (record && record->hasThumbnail() && index < slice.size())
                found.emplace_back(index, *record);
        });
        for (const auto& [index, image] : found)
            sheet.add(folder, entryFor(catalogue, slice[index], image));
        progress.advance(slice.size());
    }
}

bool pngName(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext == ".png";
}

void printSummary(const SheetWriter& sheet, const SheetOptions& options)
{
    std::printf("contact sheet of %zu photo%s in %zu folder%s, %zu page%s", sheet.photos(),
                sheet.photos() == 1 ? "" : "s", sheet.folders(), sheet.folders() == 1 ? "" : "s",
                sheet.pages().size(), sheet.pages().size() == 1 ? "" : "s");
    if (!options.html.empty())
        std::printf(": %s", (fs::path(absolutePath(options.html)) / "index.html").c_str());
    std::printf("\n");
    for (const std::string& png : sheet.pngFiles())
        std::printf("%s\n", png.c_str());
}

} // namespace

int runSheet(const GlobalOptions& global, const SheetOptions& options)
{
    if (options.html.empty() && options.png.empty()) {
        report("say where the sheet goes: -o FOLDER and/or --png FILE.png");
        return kExitUsage;
    }
    if (!options.png.empty() && !pngName(options.png)) {
        report(options.png, "a PNG sheet's name ends in .png");
        return kExitUsage;
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    std::vector<std::string> folders;
    if (!foldersInScope(*catalogue, options.folder, folders))
        return kExitSomeFailed;
    std::vector<std::vector<std::string>> files(folders.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        cataloguedFiles(*catalogue, folders[i], files[i]);
        total += files[i].size();
    }
    Progress progress(stderr, progressWanted(global.quiet, 2), total, "sheet");
    try {
        SheetWriter sheet({options.html, options.png, options.columns, options.perPage});
        for (std::size_t i = 0; i < folders.size(); ++i)
            addFolder(*catalogue, folders[i], files[i], sheet, progress);
        sheet.finish();
        progress.finish();
        if (!global.quiet)
            printSummary(sheet, options);
    } catch (const SheetError& e) {
        progress.finish();
        report(e.what());
        return kExitSomeFailed;
    }
    return kExitOk;
}

} // namespace kavdb::commands
