/*
 * Private to the engine layer: the shape of a statement with its compared literals taken
 * out as parameters.
 *
 * The library's statements name files, folders and rows by value ("Filename = 'a.jpg'"),
 * so nearly every one has a text of its own, and preparing it anew each time would cost
 * more than running it. A literal compared with = <> < > <= >= LIKE or GLOB becomes a
 * numbered parameter instead, so statements that differ only in those values share one
 * prepared statement. Anonymous '?' placeholders keep their indexes (1..k); the literals
 * follow from k+1.
 */
#pragma once

#include "store/engine/value.h"

#include <string>
#include <vector>

namespace kavdb::engine {

struct LiteralShape {
    std::string sql;             // the statement with literals as ?N
    std::vector<Value> literals; // their values, to bind from firstIndex on
    int firstIndex = 1;
};

/* The shape of a data statement (SELECT, INSERT, UPDATE, DELETE, WITH, REPLACE); any
 * other statement, or one that already names its parameters, comes back as it is. */
LiteralShape shapeOf(const std::string& sql);

/* Literals taken out of Jet text, before translation, are numbered from here on: above
 * every parameter the statements the engine derives from a select use of their own. */
inline constexpr int kJetLiteralBase = 10;

/* The shape of a Jet data statement: a text or whole number compared with a column by
 * = <> < > <= >= becomes ?N (N from kJetLiteralBase + 1), which translation passes
 * through untouched. Anything the translator reads (StrComp's "= 0", TOP n, LIKE patterns,
 * #dates#) stays. A statement holding parameters of its own comes back as it is. */
LiteralShape jetShapeOf(const std::string& jet);

/* Jet text whose '?' placeholders, count of them, take values bound from outside: each
 * becomes ?N, N from kJetLiteralBase + 1, like a literal taken out. Raises kInvalidArg
 * when the text holds another number of them, or parameters of other forms. */
std::string numberPlaceholders(const std::string& jet, std::size_t count);

/* A statement used as it stands: no literal is looked for. */
inline LiteralShape verbatim(std::string sql)
{
    return LiteralShape{std::move(sql), {}, 1};
}

} // namespace kavdb::engine
