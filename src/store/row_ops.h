/*
 * Row operations by statement: count, read, overwrite and delete the rows a statement
 * selects, and collect their DataID values. Each is a whole unit of work with its own
 * recordset and its own fixed message. "Exactly one row" operations give
 * KAVDB_E_NOT_FOUND for none and E_FAIL for more than one, changing nothing.
 */
#pragma once

#include "store/record_access.h"

#include <list>

namespace kavdb::store {

HResult kaGetDataCount(DBHandle* h, const Query& q, int32_t* count);
HResult kaGetData(DBHandle* h, const Query& q, const Value& column, Value* out);
HResult kaGetData(DBHandle* h, const Query& q, FieldValueList& list);
HResult kaSetData(DBHandle* h, const Query& q, const FieldValue& field);
HResult kaSetData(DBHandle* h, const Query& q, const FieldValueList& list);
HResult kaDelData(DBHandle* h, const Query& q);
HResult kaDelAllData(DBHandle* h, const Query& q);
HResult kaGetDataIDList(DBHandle* h, const Query& q, std::list<int32_t>& ids);

/* Whether q selects any row at all; reads at most one row, however many match, so "is
 * this folder or metadata row still used" costs the same in any catalogue. */
HResult kaAnyRow(DBHandle* h, const Query& q, bool* any);

} // namespace kavdb::store
