/*
 * Photo items shaped by the configuration (photo_items.h).
 */
#include "photo_items.h"

#include <charconv>
#include <cmath>

namespace kavdb {
namespace {

constexpr int32_t kText = 0;
constexpr int32_t kWhole = 1;
constexpr int32_t kNumber = 3;

const ConfiguredItem* findItem(const std::vector<ConfiguredItem>& configured,
                               const metadata::PhotoItem& item)
{
    for (const ConfiguredItem& c : configured)
        if (c.table == item.table && c.name == item.name)
            return &c;
    return nullptr;
}

std::string asText(const metadata::ItemValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* whole = std::get_if<int32_t>(&value))
        return std::to_string(*whole);
    return numberText(std::get<double>(value));
}

/* The value in the configured kind; false when it has no form there (a text where a
 * number is wanted, a fraction where a whole number is). */
bool shape(const metadata::ItemValue& value, const ConfiguredItem& config, ItemValue& out)
{
    const auto* whole = std::get_if<int32_t>(&value);
    const auto* number = std::get_if<double>(&value);
    switch (config.type) {
    case kText: {
        std::string text = asText(value);
        // The configured size counts the terminating NUL.
        if (config.size > 1)
            text = metadata::cutText(text, static_cast<std::size_t>(config.size - 1));
        out = text;
        return true;
    }
    case kWhole:
        if (whole)
            out = *whole;
        else if (number && std::trunc(*number) == *number && std::abs(*number) < 2e9)
            out = static_cast<int32_t>(*number);
        else
            return false;
        return true;
    case kNumber:
        if (whole)
            out = static_cast<double>(*whole);
        else if (number)
            out = *number;
        return whole || number;
    default:
        return false;
    }
}

} // namespace

std::string numberText(double value)
{
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? end : text);
}

int tableNumber(const std::vector<ConfiguredItem>& configured, const std::string& table)
{
    int number = 0;
    std::string previous;
    for (const ConfiguredItem& c : configured) {
        if (c.table != previous) {
            ++number;
            previous = c.table;
        }
        if (c.table == table)
            return number;
    }
    return 0;
}

std::vector<TableItems> configuredTables(const metadata::PhotoItems& items,
                                         const std::vector<ConfiguredItem>& configured)
{
    std::vector<TableItems> tables;
    for (const ConfiguredItem& c : configured) {
        if (tables.empty() || tables.back().table != c.table)
            tables.push_back({c.table, {}});
    }
    for (const metadata::PhotoItem& item : items) {
        const ConfiguredItem* config = findItem(configured, item);
        ItemValue value;
        if (!config || !shape(item.value, *config, value))
            continue;
        for (TableItems& table : tables)
            if (table.table == item.table)
                table.items.push_back({item.name, std::move(value)});
    }
    std::erase_if(tables, [](const TableItems& t) { return t.items.empty(); });
    return tables;
}

} // namespace kavdb
