/*
 * Row operations by statement: count, read, overwrite and delete the rows a complete SQL
 * text selects, and collect their DataID values. Each is a whole unit of work with its own
 * recordset and its own fixed message. "Exactly one row" operations give
 * KAVDB_E_NOT_FOUND for none and E_FAIL for more than one, changing nothing.
 */
#pragma once

#include "store/record_access.h"

#include <list>

namespace kavdb::store {

/* Stands an open recordset on its only row: KAVDB_E_NOT_FOUND when it holds none, E_FAIL
 * when it holds more than one (the cursor is then left where counting left it). */
HResult standOnOnlyRow(Recordset& rs);
/* Opens sql with a keyset cursor and stands on its only row, as above. A statement that
 * cannot be opened is reported as "Failed to open recordset" and then raises kPointer:
 * the caller's guard sees a move on a recordset that does not exist. */
HResult openOnlyRow(DBHandle* h, const std::string& sql, std::unique_ptr<Recordset>& rs);

HResult kaGetDataCount(DBHandle* h, const std::string& sql, int32_t* count);
HResult kaGetData(DBHandle* h, const std::string& sql, const Value& column, Value* out);
HResult kaGetData(DBHandle* h, const std::string& sql, FieldValueList& list);
HResult kaSetData(DBHandle* h, const std::string& sql, const FieldValue& field);
HResult kaSetData(DBHandle* h, const std::string& sql, const FieldValueList& list);
HResult kaDelData(DBHandle* h, const std::string& sql);
HResult kaDelAllData(DBHandle* h, const std::string& sql);
HResult kaGetDataIDList(DBHandle* h, const std::string& sql, std::list<int32_t>& ids);

} // namespace kavdb::store

namespace kavdb::store {

/* Whether sql selects any row at all; reads at most one row, however many match, so
 * "is this folder or metadata row still used" costs the same in any catalogue. */
HResult kaAnyRow(DBHandle* h, const std::string& sql, bool* any);
/* The same for a text whose '?' placeholders take values, in order: for the look-ups a
 * folder walk makes once per file. */
HResult kaAnyRow(DBHandle* h, const std::string& sql, std::vector<Value> values, bool* any);

} // namespace kavdb::store
