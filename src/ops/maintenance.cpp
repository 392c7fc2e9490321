/*
 * Metadata table maintenance. Links are found through the MainTable(DataIDk) indexes, one
 * metadata row at a time, so the cost follows the rows touched rather than the size of
 * the catalogue; the renamed item column itself is walked in place.
 */
#include "ops/maintenance.h"

#include "store/config.h"
#include "store/folder_rows.h"
#include "store/row_ops.h"

#include <cstring>
#include <strings.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kavdb::ops {

using namespace kavdb::store;

namespace {

// Item values are worked on in buffers of this many characters plus the NUL; a rename
// that does not fit is refused rather than cut.
constexpr std::size_t kValueMax = 519;

const char* const kDeleteInfoMessage = "Failed to KaAVDBDeleteInfo";
const char* const kUpdateMessage = "Failed To KaAVDBUpdateTableData";

bool isEmpty(const char* text)
{
    return text == nullptr || *text == '\0';
}

/* Puts value into the link column of every file linked to row dataId; an empty value
 * clears the link. */
void moveLinks(DBHandle* h, const std::string& column, int32_t dataId, const Value& value)
{
    Recordset rs = openRows(h, rowsWhere("MainTable", column, dataId), Cursor::Keyset);
    for (; !rs.bof() && !rs.eof(); rs.moveNext()) {
        rs.put(column, value);
        rs.update();
    }
}

/* The table name of "... FROM <table> WHERE ...": the text is cut at " WHERE ". */
HResult cutTableName(char* sql, const char* from, std::string& table)
{
    char* where = std::strstr(sql, " WHERE ");
    if (where == nullptr) {
        return E_INVALIDARG;
    }
    *where = '\0';
    const char* name = from + std::strlen("FROM ");
    table =
        where > name ? std::string(name, static_cast<std::size_t>(where - name)) : std::string();
    return S_OK;
}

/* Every occurrence of from replaced by to, left to right; the scan goes on after each
 * inserted text, so a new text that contains the old one cannot loop. */
std::string replaceAll(const std::string& text, const std::string& from, const std::string& to)
{
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos;
         pos = hit + from.size()) {
        out.append(text, pos, hit - pos).append(to);
    }
    return out.append(text, pos);
}

/* Texts compare as the engine's "=" compares item columns: ASCII letters ignore case. */
std::string comparisonKey(const std::string& text)
{
    std::string key = text;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

struct Rename {
    std::string table, item, from, to;
};

/* One row's item text after the rename. */
struct ItemText {
    int32_t dataId;
    std::string text;
    bool renamed;
};

/* A configured kind other than text for the item refuses the rename up front, even when
 * no row holds a value yet. */
bool configuredNonText(DBHandle* h, const Rename& r)
{
    std::vector<ConfiguredItem> items;
    configuredItems(configOf(h), items);
    for (const auto& it : items) {
        ItemSpec spec = parseItem(it.value);
        if (it.tableName == r.table && strcasecmp(spec.name.c_str(), r.item.c_str()) == 0) {
            return spec.hasSecondComma && spec.kind != 0;
        }
    }
    return false;
}

/* Every row holding a value, renamed in memory; E_INVALIDARG (nothing written) for a
 * value that is not text or a rename that would not fit. */
HResult collectRenamed(Recordset& rs, const Rename& r, std::vector<ItemText>& rows)
{
    for (; !rs.bof() && !rs.eof(); rs.moveNext()) {
        Value v = rs.get(r.item);
        if (v.isNothing()) {
            continue;
        }
        if (!v.isText()) {
            return E_INVALIDARG;
        }
        const std::string& text = v.asText();
        bool hit = text.find(r.from) != std::string::npos;
        std::string renamed = hit ? replaceAll(text, r.from, r.to) : text;
        if (hit && (text.size() > kValueMax || renamed.size() > kValueMax)) {
            return E_INVALIDARG;
        }
        rows.push_back({readInt(rs, "DataID"), std::move(renamed), hit});
    }
    return S_OK;
}

/* The rename pass: rows receives every row's text after the rename, in row order. */
HResult renameValues(DBHandle* h, const Rename& r, std::vector<ItemText>& rows)
{
    return guarded(kUpdateMessage, [&] {
        Recordset rs =
            openRows(h, {"SELECT DataID, " + r.item + " FROM " + r.table + " "}, Cursor::Keyset);
        if (rs.recordCount() < 1) {
            return E_FAIL;
        }
        HResult hr = collectRenamed(rs, r, rows);
        if (hr != S_OK) {
            return hr;
        }
        auto next = rows.begin();
        for (rs.moveFirst(); !rs.bof() && !rs.eof() && next != rows.end(); rs.moveNext()) {
            if (readInt(rs, "DataID") != next->dataId) {
                continue;
            }
            if (next->renamed) {
                rs.put(r.item, Value::text(next->text));
                rs.update();
            }
            ++next;
        }
        return S_OK;
    });
}

/* Rows holding equal texts merge into the first of them in row order: pairs of (row that
 * goes, row that stays). Empty texts merge nothing. */
std::vector<std::pair<int32_t, int32_t>> mergePairs(const std::vector<ItemText>& rows)
{
    std::unordered_map<std::string, int32_t> keeper;
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (const auto& row : rows) {
        if (row.text.empty()) {
            continue;
        }
        auto [it, first] = keeper.emplace(comparisonKey(row.text), row.dataId);
        if (!first) {
            pairs.emplace_back(row.dataId, it->second);
        }
    }
    return pairs;
}

/* Moves the files of every row that goes to the row that stays, then deletes those
 * rows; the rows stay when a relink fails. */
HResult mergeRows(DBHandle* h, const Rename& r,
                  const std::vector<std::pair<int32_t, int32_t>>& pairs)
{
    std::string column;
    if (kaGetLinkColumn(configOf(h), r.table, column) < 0) {
        return E_FAIL;
    }
    HResult hr = guarded(kUpdateMessage, [&] {
        for (const auto& [gone, stays] : pairs) {
            moveLinks(h, column, gone, Value::integer(stays));
            yieldSlice(h);
        }
        return S_OK;
    });
    if (hr != S_OK) {
        return hr;
    }
    return guarded(kUpdateMessage, [&] {
        for (const auto& pair : pairs) {
            Recordset rs = openRows(h, rowsWhere(r.table, "DataID", pair.first), Cursor::Keyset);
            if (!rs.eof()) {
                rs.deleteCurrent();
                rs.update();
            }
        }
        return S_OK;
    });
}

} // namespace

HResult deleteInfo(DBHandle* h, char* sql)
{
    const char* from = sql == nullptr ? nullptr : std::strstr(sql, "FROM ");
    if (h == nullptr || isEmpty(sql) || from == nullptr || std::strlen(sql) > kSqlMax) {
        return E_INVALIDARG;
    }
    const Query idSql{std::string("SELECT DataID ") + from, {}};
    std::list<int32_t> ids;
    HResult hr = kaGetDataIDList(h, idSql, ids);
    std::string table, column;
    if (hr < 0 || (hr = cutTableName(sql, from, table)) < 0 ||
        (hr = kaGetLinkColumn(configOf(h), table, column)) < 0) {
        return hr;
    }
    // A row is deleted only once no file links to it any more.
    hr = guarded(kDeleteInfoMessage, [&] {
        for (int32_t id : ids) {
            moveLinks(h, column, id, Value());
            yieldSlice(h);
        }
        return S_OK;
    });
    return hr < 0 ? hr : kaDelAllData(h, idSql);
}

HResult updateTableData(DBHandle* h, const char* table, const char* item, const char* oldText,
                        const char* newText)
{
    if (h == nullptr || isEmpty(table) || isEmpty(item) || isEmpty(oldText) || isEmpty(newText)) {
        return E_INVALIDARG;
    }
    HResult named = CheckName(table);
    if (named < 0 || (named = CheckName(item)) < 0) {
        return named;
    }
    const Rename r{table, item, oldText, newText};
    if (configuredNonText(h, r)) {
        return E_INVALIDARG;
    }
    std::vector<ItemText> rows;
    HResult hr = renameValues(h, r, rows);
    if (hr != S_OK) {
        return hr == E_INVALIDARG ? hr : E_FAIL;
    }
    auto pairs = mergePairs(rows);
    if (!pairs.empty() && mergeRows(h, r, pairs) != S_OK) {
        return E_FAIL;
    }
    return S_OK;
}

} // namespace kavdb::ops
