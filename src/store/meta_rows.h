/*
 * Metadata rows: the conversion between a MetaTag and a column value, and the row
 * operations that keep one row per distinct tuple of a metadata table, shared by every
 * file whose link column holds its DataID.
 */
#pragma once

#include "store/record_access.h"

#include <vector>

namespace kavdb::store {

/* A tag from a column value (Name from the column); E_FAIL for Null or an unsupported
 * kind, and no tag then. Buffers come from the library's allocator. */
HResult kaSetMetaTag(const std::string& column, const Value& value, MetaTag* out);
/* A column value from a tag; E_INVALIDARG for an empty Name or null Data. */
HResult kaMetaTagToValue(const MetaTag& tag, Value* out);

/* Overwrites row dataId of the table in place with the tags' values. */
HResult kaUpdateMetaData(DBHandle* h, const MetaData& data, int32_t dataId);
/* Registration: the DataID of a row equal to the tags (items not given must be Null),
 * added when none exists. dataId may be null. */
HResult kaSetMetaData(DBHandle* h, const MetaData& data, int32_t* dataId);
/* Merging: the tags laid over row *dataId (or over nothing when below 1) give a tuple;
 * *dataId becomes the row holding it, added when none exists and add is set. Binary
 * items take no part in the match. */
HResult kaFindOrAddData(DBHandle* h, const MetaData& data, int32_t* dataId, bool add);

HResult kaCountFileLinks(DBHandle* h, const std::string& column, int32_t dataId, int32_t* count);
HResult kaDelDataRow(DBHandle* h, const std::string& table, int32_t dataId);
/* Appends one MetaData for the row of that DataID. */
HResult kaReadDataRow(DBHandle* h, const std::string& table, const Value& dataId,
                      MetaDataList& out);
/* Appends the tags of the row at a 1-based position. */
HResult kaReadTableRow(DBHandle* h, int32_t position, const std::string& table, MetaTagList& tags,
                       const std::vector<std::string>& names);

/* Tags of the current row of rs for the item names; tags that do not convert are left
 * out. */
void readTags(Recordset& rs, const std::vector<std::string>& names, MetaTagList& tags);
/* Releases a tag's buffer (kinds 0-3 own theirs) and clears its pointer; the list form
 * releases every tag and empties the list. */
void releaseTag(MetaTag& tag) noexcept;
void releaseTags(MetaTagList& tags) noexcept;
/* Copies a table name into a MetaData (bounded by its buffer). */
void setTableName(MetaData& data, const std::string& table);

} // namespace kavdb::store
