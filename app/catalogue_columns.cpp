/*
 * Adding missing item columns (catalogue_columns.h).
 */
#include "catalogue_columns.h"

namespace kavdb {
namespace {

/* The engine's answer for a column the statement names but the table lacks. */
constexpr HRESULT kUnknownColumn = static_cast<HRESULT>(0x80040E10);

} // namespace

std::string jetColumnType(int32_t kind)
{
    switch (kind) {
    case 0:
        return "LONGTEXT";
    case 1:
        return "INTEGER";
    case 2:
        return "LONGBINARY";
    case 3:
        return "DOUBLE";
    default:
        return {};
    }
}

Outcome addMissingColumns(Catalogue& catalogue, const std::vector<ConfiguredItem>& configured)
{
    for (const ConfiguredItem& item : configured) {
        std::vector<std::string> none;
        Outcome probe = catalogue.fileList(
            "SELECT " + item.name + " AS Filename FROM " + item.table + " WHERE 1 = 0", true, none);
        const std::string type = jetColumnType(item.type);
        if (!probe.is(kUnknownColumn) || type.empty())
            continue;
        Outcome added =
            catalogue.execute("ALTER TABLE " + item.table + " ADD " + item.name + " " + type);
        if (!added.ok())
            return added;
    }
    return Outcome{};
}

} // namespace kavdb
