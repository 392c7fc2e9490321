/*
 * Private to the engine layer: what Recordset::find compares.
 *
 * A criterion is ADO's "Column = 12" or "Column = "text"" (a doubled quote inside the
 * text is one quote). A row matches when its column equals the value: numbers by value,
 * texts exactly for the file-name columns and ignoring ASCII case otherwise, as the
 * columns themselves compare.
 */
#pragma once

#include "store/engine/value.h"

#include <string>

namespace kavdb::engine {

struct Criterion {
    std::string column;
    Value value;
};

/* Raises kSyntax for a criterion of another shape. */
Criterion parseCriterion(const std::string& text);

/* cell (a column's value) equals wanted; exactText for the exact text columns. */
bool findMatches(const Value& cell, const Value& wanted, bool exactText);

} // namespace kavdb::engine
