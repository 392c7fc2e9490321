/*
 * `kavdb show FILE...`: everything the catalogue holds about a file: its image record,
 * comment, mark, and each metadata table linked to it, tables in configuration order.
 */
#include "commands/commands.h"
#include "commands/session.h"
#include "paths.h"

#include <algorithm>
#include <cstdio>

namespace kavdb::commands {
namespace {

std::string timeForPeople(const SYSTEMTIME& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

std::string valueText(const ItemValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* number = std::get_if<int32_t>(&value))
        return std::to_string(*number);
    return std::to_string(std::get<std::vector<uint8_t>>(value).size()) + " bytes";
}

void printImage(const ImageRecord& image, bool found)
{
    if (!found) {
        std::printf("image:      none\n");
        return;
    }
    std::printf("image:      %d x %d, %d bits per pixel\n", image.width, image.height,
                image.bitcount);
    if (image.hasThumbnail())
        std::printf("thumbnail:  %d x %d\n", image.thumbWidth, image.thumbHeight);
    else
        std::printf("thumbnail:  none\n");
    std::printf("modified:   %s\n", timeForPeople(image.updated).c_str());
}

/* Tables in the order the configuration lists them (the library hands them out last first). */
void sortByConfiguration(std::vector<TableItems>& tables,
                         const std::vector<ConfiguredItem>& configured)
{
    auto rank = [&](const std::string& table) {
        auto it = std::find_if(configured.begin(), configured.end(),
                               [&](const ConfiguredItem& c) { return c.table == table; });
        return it - configured.begin();
    };
    std::stable_sort(tables.begin(), tables.end(), [&](const TableItems& a, const TableItems& b) {
        return rank(a.table) < rank(b.table);
    });
}

void printTables(const std::vector<TableItems>& tables)
{
    for (const TableItems& table : tables) {
        std::printf("%s:\n", table.table.c_str());
        for (const Item& item : table.items)
            std::printf("  %-14s %s\n", (item.name + ":").c_str(), valueText(item.value).c_str());
    }
}

bool showOne(Catalogue& catalogue, const std::string& path,
             const std::vector<ConfiguredItem>& configured)
{
    std::string comment;
    Outcome found = catalogue.readComment(path, comment);
    if (!found.ok()) {
        report(path, found.words());
        return false;
    }
    ImageRecord image;
    bool hasImage = catalogue.readImage(path, image).ok();
    int32_t mark = 0;
    catalogue.readMark(path, mark);
    std::vector<TableItems> tables;
    catalogue.readItems(path, tables);
    sortByConfiguration(tables, configured);

    std::printf("file:       %s\n", path.c_str());
    printImage(image, hasImage);
    std::printf("comment:    %s\n", comment.c_str());
    std::printf("mark:       %d\n", mark);
    printTables(tables);
    return true;
}

} // namespace

int runShow(const GlobalOptions& global, const ShowOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, false);
    if (!catalogue)
        return kExitUsage;
    std::vector<ConfiguredItem> configured;
    catalogue->configuredItems(configured);
    bool ok = true;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        if (i > 0)
            std::printf("\n");
        ok = showOne(*catalogue, absolutePath(options.files[i]), configured) && ok;
    }
    return ok ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
