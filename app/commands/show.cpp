/*
 * `kavdb show FILE...`: everything the catalogue holds about a file: its image record,
 * comment, mark, and each metadata table linked to it, tables in configuration order.
 * As text for people, or as JSON: per file {"path", "image": null or {"width", "height",
 * "bitcount", "thumbnail": null or {"width", "height"}, "modified"}, "comment", "mark",
 * "tables": {"ExifInfo": {"Make": "Canon", "ISO": 100, "FNumber": 7.1, ...}, ...}}, all
 * files in {"files": [...]} (--json) or one per line (--ndjson).
 */
#include "commands/commands.h"
#include "commands/output.h"
#include "commands/session.h"
#include "json.h"
#include "paths.h"
#include "photo_items.h"

#include <algorithm>
#include <cstdio>

namespace kavdb::commands {
namespace {

struct FileRecord {
    std::string path;
    bool hasImage = false;
    ImageRecord image;
    std::string comment;
    int32_t mark = 0;
    std::vector<TableItems> tables;
};

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
    if (const auto* real = std::get_if<double>(&value))
        return numberText(*real);
    return std::to_string(std::get<std::vector<uint8_t>>(value).size()) + " bytes";
}

void jsonValue(JsonWriter& json, const ItemValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        json.value(*text);
    else if (const auto* number = std::get_if<int32_t>(&value))
        json.value(*number);
    else if (const auto* real = std::get_if<double>(&value))
        json.value(*real);
    else
        json.value(static_cast<int64_t>(std::get<std::vector<uint8_t>>(value).size()));
}

/* Tables in the order the configuration lists them (the library hands them out last first). */
void sortByConfiguration(std::vector<TableItems>& tables,
                         const std::vector<ConfiguredItem>& configured)
{
    auto rank = [&](const std::string& table) { return tableNumber(configured, table); };
    std::stable_sort(tables.begin(), tables.end(), [&](const TableItems& a, const TableItems& b) {
        return rank(a.table) < rank(b.table);
    });
}

void printText(const FileRecord& r)
{
    std::printf("file:       %s\n", r.path.c_str());
    if (!r.hasImage) {
        std::printf("image:      none\n");
    } else {
        std::printf("image:      %d x %d, %d bits per pixel\n", r.image.width, r.image.height,
                    r.image.bitcount);
        if (r.image.hasThumbnail())
            std::printf("thumbnail:  %d x %d\n", r.image.thumbWidth, r.image.thumbHeight);
        else
            std::printf("thumbnail:  none\n");
        std::printf("modified:   %s\n", timeForPeople(r.image.updated).c_str());
    }
    std::printf("comment:    %s\n", r.comment.c_str());
    std::printf("mark:       %d\n", r.mark);
    for (const TableItems& table : r.tables) {
        std::printf("%s:\n", table.table.c_str());
        for (const Item& item : table.items)
            std::printf("  %-14s %s\n", (item.name + ":").c_str(), valueText(item.value).c_str());
    }
}

void writeJson(JsonWriter& json, const FileRecord& r)
{
    json.beginObject().key("path").value(r.path).key("image");
    if (!r.hasImage) {
        json.null();
    } else {
        json.beginObject().key("width").value(r.image.width).key("height").value(r.image.height);
        json.key("bitcount").value(r.image.bitcount).key("thumbnail");
        if (r.image.hasThumbnail())
            json.beginObject()
                .key("width")
                .value(r.image.thumbWidth)
                .key("height")
                .value(r.image.thumbHeight)
                .endObject();
        else
            json.null();
        json.key("modified").value(timeForPeople(r.image.updated)).endObject();
    }
    json.key("comment").value(r.comment).key("mark").value(r.mark).key("tables").beginObject();
    for (const TableItems& table : r.tables) {
        json.key(table.table).beginObject();
        for (const Item& item : table.items) {
            json.key(item.name);
            jsonValue(json, item.value);
        }
        json.endObject();
    }
    json.endObject().endObject();
}

bool readRecord(Catalogue& catalogue, const std::string& path,
                const std::vector<ConfiguredItem>& configured, FileRecord& r)
{
    r.path = path;
    Outcome found = catalogue.readComment(path, r.comment);
    if (!found.ok()) {
        report(path, found.words());
        return false;
    }
    r.hasImage = catalogue.readImage(path, r.image).ok();
    catalogue.readMark(path, r.mark);
    catalogue.readItems(path, r.tables);
    sortByConfiguration(r.tables, configured);
    return true;
}

} // namespace

int runShow(const GlobalOptions& global, const ShowOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Read);
    if (!catalogue)
        return kExitUsage;
    const std::vector<ConfiguredItem> configured = configuration();
    const OutputOptions& output = options.output;
    JsonWriter json;
    if (output.json)
        json.beginObject().key("files").beginArray();
    bool ok = true;
    bool first = true;
    for (const std::string& file : options.files) {
        FileRecord record;
        if (!readRecord(*catalogue, absolutePath(file), configured, record)) {
            ok = false;
            continue;
        }
        if (output.json || output.ndjson) {
            writeJson(json, record);
            if (output.ndjson)
                printJson(json.take());
            continue;
        }
        if (!first)
            std::printf("\n");
        first = false;
        printText(record);
    }
    if (output.json)
        printJson(json.endArray().endObject().take());
    return ok ? kExitOk : kExitSomeFailed;
}

} // namespace kavdb::commands
