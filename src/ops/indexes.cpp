/*
 * Making the text and place indexes (indexes.h), over store/text_index and
 * store/place_index.
 */
#include "ops/indexes.h"

#include "store/config.h"
#include "store/place_index.h"
#include "store/statistics.h"
#include "store/text_index.h"

#include <algorithm>

namespace kavdb::ops {

using store::IndexedItem;

namespace {

/* The item as the index stores it: E_INVALIDARG for a name that is not plain,
 * KAVDB_E_NOT_FOUND for a table or item the configuration or catalogue lacks. */
HResult resolveItem(DBHandle* h, const std::string& table, const std::string& item,
                    IndexedItem& out)
{
    if (store::CheckName(table) < 0 || store::CheckName(item) < 0) {
        return E_INVALIDARG;
    }
    std::string link;
    std::vector<std::string> names;
    store::Config config = store::configOf(h);
    if (store::kaGetLinkColumn(config, table, link) < 0 ||
        store::kaGetItemNames(config, table, names) < 0 ||
        std::find(names.begin(), names.end(), item) == names.end()) {
        return KAVDB_E_NOT_FOUND;
    }
    engine::Connection& c = store::connectionOf(h);
    std::vector<std::string> columns = c.driver().columnNames(table);
    std::vector<std::string> links = c.driver().columnNames("MainTable");
    if (std::find(columns.begin(), columns.end(), item) == columns.end() ||
        std::find(links.begin(), links.end(), link) == links.end()) {
        return KAVDB_E_NOT_FOUND;
    }
    out = {table, item, link};
    return S_OK;
}

HResult resolveQualified(DBHandle* h, const std::string& qualified, IndexedItem& out)
{
    std::size_t dot = qualified.find('.');
    if (dot == std::string::npos) {
        return E_INVALIDARG;
    }
    return resolveItem(h, qualified.substr(0, dot), qualified.substr(dot + 1), out);
}

HResult make(const store::CatalogueIndex& index, engine::Connection& c,
             const std::vector<IndexedItem>& items)
{
    if (!index.madeOf(c, items)) {
        index.create(c, items);
    }
    return S_OK;
}

} // namespace

HResult createTextIndex(DBHandle* h, const StringList* items)
{
    if (h == nullptr || items == nullptr) {
        return E_INVALIDARG;
    }
    return store::guarded("Failed to create the text index", [&] {
        engine::Connection& c = store::connectionOf(h);
        if (!store::textIndex().available(c)) {
            return KAVDB_E_NOT_SUPPORTED;
        }
        std::vector<IndexedItem> resolved(items->size());
        auto next = resolved.begin();
        for (const std::string& qualified : *items) {
            HResult hr = resolveQualified(h, qualified, *next++);
            if (hr < 0) {
                return hr;
            }
        }
        return make(store::textIndex(), c, resolved);
    });
}

HResult createPlaceIndex(DBHandle* h, const char* table, const char* latitude,
                         const char* longitude)
{
    if (h == nullptr || table == nullptr || latitude == nullptr || longitude == nullptr) {
        return E_INVALIDARG;
    }
    return store::guarded("Failed to create the place index", [&] {
        engine::Connection& c = store::connectionOf(h);
        if (!store::placeIndex().available(c)) {
            return KAVDB_E_NOT_SUPPORTED;
        }
        std::vector<IndexedItem> items(2);
        HResult hr = resolveItem(h, table, latitude, items[0]);
        if (hr < 0 || (hr = resolveItem(h, table, longitude, items[1])) < 0) {
            return hr;
        }
        return make(store::placeIndex(), c, items);
    });
}

HResult refreshStatistics(DBHandle* h)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    return store::guarded("Failed to refresh the statistics", [&] {
        store::refreshStatistics(store::connectionOf(h));
        return S_OK;
    });
}

} // namespace kavdb::ops
