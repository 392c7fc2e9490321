/*
 * `kavdb tag`, `kavdb comment`, `kavdb mark`: change what the catalogue says about one
 * file. Item kinds (text, whole number, number) come from the catalogue's configuration,
 * so `tag FILE Rating Stars=4` stores the number 4 and `tag FILE Rating Label=4` the text
 * "4". A list item (Keywords, PersonName) is stored as its entries separated by "; ", as
 * photos' own keywords are, so that search --keyword finds each one.
 */
#include "commands/commands.h"
#include "commands/session.h"
#include "paths.h"

#include "metadata/values.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace kavdb::commands {
namespace {

constexpr std::size_t kLongestComment = 65535;

const ConfiguredItem* findItem(const std::vector<ConfiguredItem>& configured,
                               const std::string& table, const std::string& name)
{
    auto it = std::find_if(configured.begin(), configured.end(), [&](const ConfiguredItem& c) {
        return c.table == table && c.name == name;
    });
    return it == configured.end() ? nullptr : &*it;
}

std::string itemNames(const std::vector<ConfiguredItem>& configured, const std::string& table)
{
    std::string names;
    for (const ConfiguredItem& c : configured)
        if (c.table == table)
            names += (names.empty() ? "" : ", ") + c.name;
    return names;
}

std::string tableNames(const std::vector<ConfiguredItem>& configured)
{
    std::vector<std::string> tables;
    for (const ConfiguredItem& c : configured)
        if (std::find(tables.begin(), tables.end(), c.table) == tables.end())
            tables.push_back(c.table);
    std::string names;
    for (const std::string& t : tables)
        names += (names.empty() ? "" : ", ") + t;
    return names;
}

/* A list item's value with its entries separated by "; " (keywords also split at commas:
 * "sea, boats" is two keywords, while a person may be "Smith, Ann"); others unchanged. */
std::string listText(const std::string& item, const std::string& value)
{
    if (item == "Keywords" || item == "PersonName")
        return metadata::joinedList(metadata::splitList(value, item == "Keywords"));
    return value;
}

/* One ITEM=VALUE as a typed item; false (reported) when it does not fit the table. */
bool parseAssignment(const std::string& text, const std::string& table,
                     const std::vector<ConfiguredItem>& configured, Item& out)
{
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        report(text, "write items as ITEM=VALUE");
        return false;
    }
    const std::string name = text.substr(0, eq);
    const std::string value = text.substr(eq + 1);
    const ConfiguredItem* item = findItem(configured, table, name);
    if (!item) {
        report(name, "no such item in " + table + " (items: " + itemNames(configured, table) + ")");
        return false;
    }
    switch (item->type) {
    case 0:
        out = {name, listText(name, value)};
        return true;
    case 1: {
        int32_t number = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (ec != std::errc() || end != value.data() + value.size()) {
            report(text, name + " holds a whole number");
            return false;
        }
        out = {name, number};
        return true;
    }
    case 3: {
        char* end = nullptr;
        double number = std::strtod(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size()) {
            report(text, name + " holds a number");
            return false;
        }
        out = {name, number};
        return true;
    }
    default:
        report(name, "binary items cannot be set from the command line");
        return false;
    }
}

} // namespace

int runTag(const GlobalOptions& global, const TagOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Write);
    if (!catalogue)
        return kExitUsage;
    const std::vector<ConfiguredItem> configured = configuration();
    if (itemNames(configured, options.table).empty()) {
        report(options.table, "no such metadata table (tables: " + tableNames(configured) + ")");
        return kExitUsage;
    }
    TableItems items{options.table, {}};
    for (const std::string& assignment : options.assignments) {
        Item item;
        if (!parseAssignment(assignment, options.table, configured, item))
            return kExitUsage;
        items.items.push_back(std::move(item));
    }
    const std::string path = absolutePath(options.file);
    Outcome outcome = catalogue->writeItems(path, items);
    if (!outcome.ok()) {
        report(path, outcome.words());
        return kExitSomeFailed;
    }
    return kExitOk;
}

int runComment(const GlobalOptions& global, const CommentOptions& options)
{
    if (options.text.size() > kLongestComment) {
        report("a comment holds at most 65535 bytes");
        return kExitUsage;
    }
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Write);
    if (!catalogue)
        return kExitUsage;
    const std::string path = absolutePath(options.file);
    Outcome outcome = isCatalogued(*catalogue, path) ? catalogue->writeComment(path, options.text)
                                                     : Outcome{KAVDB_E_NOT_FOUND, {}};
    if (!outcome.ok()) {
        report(path, outcome.words());
        return kExitSomeFailed;
    }
    return kExitOk;
}

int runMark(const GlobalOptions& global, const MarkOptions& options)
{
    std::unique_ptr<Catalogue> catalogue = openCatalogue(global, Access::Write);
    if (!catalogue)
        return kExitUsage;
    const std::string path = absolutePath(options.file);
    // Checked first: setting a mark on an unknown file would register its folder.
    Outcome outcome = isCatalogued(*catalogue, path) ? catalogue->writeMark(path, options.mark)
                                                     : Outcome{KAVDB_E_NOT_FOUND, {}};
    if (!outcome.ok()) {
        report(path, outcome.words());
        return kExitSomeFailed;
    }
    return kExitOk;
}

} // namespace kavdb::commands
