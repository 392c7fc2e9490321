/*
 * Record access: the small layer every catalogue operation reaches the engine through.
 *
 * The library's statements with their bound values, opening recordsets on them, the one
 * "exactly one row" rule, reading fields as integers and text, the (column name, value)
 * lists that row operations pass around, the path keys (folder text and file name), and
 * the guard that turns an engine error into an operation's result code.
 */
#pragma once

#include "kavdbmgr.h"
#include "store/engine/recordset.h"
#include "store/handle.h"
#include "store/report.h"

#include <cstddef>
#include <list>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace kavdb::store {

using engine::Cursor;
using engine::EngineError;
using engine::Recordset;
using engine::Value;
using HResult = int32_t;

/* Fixed limits of texts: input that does not fit is refused, never cut. */
inline constexpr std::size_t kFolderMax = 519; // a folder text
inline constexpr std::size_t kNameMax = 259;   // a file name
inline constexpr std::size_t kSqlMax = 149999; // one statement
inline constexpr std::size_t kConfigMax = 127; // one configuration value

/* The fixed MainTable columns, in their stored order, and PathTable's. */
inline constexpr const char* kMainColumns[12] = {
    "FieldID",        "PathID",          "Filename",  "Width",    "Height",  "Bitcount",
    "ThumbnailWidth", "ThumbnailHeight", "Thumbnail", "UpdateTM", "Comment", "Marking"};
inline constexpr const char* kPathColumns[3] = {"PathID", "Pathname", "Comment"};

/* One (column name, value) pair; the name is normally text (an integer names a
 * metadata table by number in a link list). An empty value means "not given". */
struct FieldValue {
    Value name;
    Value value;
};
using FieldValueList = std::list<FieldValue>;

/* The first entry whose name is text equal (case-sensitive) to name; null when none. */
FieldValue* findField(FieldValueList& list, std::string_view name);
const FieldValue* findField(const FieldValueList& list, std::string_view name);

/* A statement: Jet text and the values bound to its '?' placeholders, in order. The
 * library's own statements are constant texts (names the library checked aside); the
 * application's SQL travels as its text alone. */
struct Query {
    Query() = default;
    Query(std::string text, std::vector<Value> bound = {})
        : sql(std::move(text)), values(std::move(bound))
    {
    }
    std::string sql;
    std::vector<Value> values;
};

/* Opens q on the handle's connection; raises what the engine raises. */
Recordset openRows(DBHandle* h, const Query& q, Cursor cursor);
/* The same, reporting: on an engine error the sink gets "Failed to open recordset", out
 * stays null and the error's code is returned. */
HResult OpenRecordset(DBHandle* h, const Query& q, Cursor cursor, std::unique_ptr<Recordset>& out);
/* Moves to the first row and counts rows until BOF or EOF. */
long CountRows(Recordset& rs);
/* Stands an open recordset on its only row: KAVDB_E_NOT_FOUND when it holds none, E_FAIL
 * when it holds more than one (the cursor is then left where counting left it). */
HResult standOnOnlyRow(Recordset& rs);
/* OpenRecordset with a keyset, then standOnOnlyRow. A statement that cannot be opened is
 * reported and then raises kPointer: the caller's guard sees a move on a recordset that
 * does not exist. */
HResult openOnlyRow(DBHandle* h, const Query& q, std::unique_ptr<Recordset>& rs);
/* In a long call: lets other programs at the catalogue between slices of its work. True
 * when it did: what was read before may have changed. */
bool yieldSlice(DBHandle* h);
/* Field reads with the engine's conversion (raise when it fails). */
int32_t readInt(Recordset& rs, const std::string& column);
std::string readText(Recordset& rs, const std::string& column);

/* Path keys. Both / and \ separate; "X:" at the start is a drive. */
HResult GetFolderPart(const char* path, std::string& out);   // drive + directory + separator
HResult GetFileNamePart(const char* path, std::string& out); // name + extension
/* Both keys of a file path, each within its limit, before anything is looked up or
 * written: a call refused for a limit changes nothing. */
HResult SplitFilePath(const char* path, std::string& folder, std::string& name);
bool IsFolderPath(const char* path); // non-empty and no '.'
bool hasSeparator(std::string_view text);
bool endsWithSeparator(std::string_view text);
/* Appends a separator of the kind the text already uses (its last one), else '/'. */
void appendSeparator(std::string& text);

/* A caller's table or item name that the library places in its own SQL must be a plain
 * name (a letter, '_' or a non-ASCII byte, then also digits): anything else would change
 * the statement around it. S_OK, or KAVDB_E_SYNTAX as the engine gives for bad SQL. */
HResult CheckName(std::string_view name);

/* The catch convention of every operation: an engine error goes to the sink with the
 * operation's message and its code is the result; anything else gives failCode. */
template <class F>
HResult guarded(const char* message, F&& work, HResult failCode = E_FAIL) noexcept
{
    try {
        return work();
    } catch (const EngineError& e) {
        ReportComError(message, e);
        return e.code();
    } catch (...) {
        return failCode;
    }
}

/* The connection of a handle, or raise kPointer when it has none. */
engine::Connection& connectionOf(DBHandle* h);
/* Raises an error of the library's own with the given code (as the engine would). */
[[noreturn]] void raiseError(HResult code, const std::string& description);

} // namespace kavdb::store
