/*
 * The catalogue's text and place indexes as kavdb makes them (catalogue_indexes.h).
 */
#include "catalogue_indexes.h"

namespace kavdb {
namespace {

// Captions, descriptions, keywords, people and places, and what a camera calls itself.
constexpr const char* kTextItems[] = {
    "Caption.Title",    "Caption.Description", "Caption.Keywords", "People.PersonName",
    "Location.Country", "Location.City",       "Location.Place",   "ExifInfo.Make",
    "ExifInfo.Model",   "ExifInfo.Lens"};

constexpr const char* kPlaceTable = "ExifInfo";
constexpr const char* kDateTaken = "DateTaken";
constexpr const char* kLatitude = "GPSLatitude";
constexpr const char* kLongitude = "GPSLongitude";

bool configured(const std::vector<ConfiguredItem>& items, const std::string& table,
                const std::string& name, int32_t type)
{
    for (const ConfiguredItem& item : items)
        if (item.table == table && item.name == name && item.type == type)
            return true;
    return false;
}

bool unsupported(const Outcome& outcome)
{
    return outcome.is(KAVDB_E_NOT_SUPPORTED);
}

} // namespace

std::vector<std::string> textIndexItems(const std::vector<ConfiguredItem>& items)
{
    std::vector<std::string> chosen;
    for (const std::string qualified : kTextItems) {
        std::size_t dot = qualified.find('.');
        if (configured(items, qualified.substr(0, dot), qualified.substr(dot + 1), 0))
            chosen.push_back(qualified);
    }
    return chosen;
}

Outcome ensureIndexes(Catalogue& catalogue, const std::vector<ConfiguredItem>& items)
{
    Outcome text = catalogue.createTextIndex(textIndexItems(items));
    if (!text.ok() && !unsupported(text))
        return text;
    // A --where search joins metadata tables to MainTable; planned without statistics it
    // reads every file's record, 1.4 s at a million photos where a planned one takes 0.1 s.
    Outcome statistics = catalogue.refreshStatistics();
    if (!statistics.ok())
        return statistics;
    // --from and --to read the date taken; without an index each reads every camera row.
    // Fails harmlessly when the index is there already.
    if (configured(items, kPlaceTable, kDateTaken, 0))
        catalogue.execute("CREATE INDEX ExifInfo_DateTaken ON " + std::string(kPlaceTable) + " (" +
                          kDateTaken + ")");
    if (!configured(items, kPlaceTable, kLatitude, 3) ||
        !configured(items, kPlaceTable, kLongitude, 3))
        return Outcome{};
    Outcome place = catalogue.createPlaceIndex(kPlaceTable, kLatitude, kLongitude);
    return unsupported(place) ? Outcome{} : place;
}

} // namespace kavdb
