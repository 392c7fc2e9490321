/*
 * Result codes to words. Besides the library's own codes, the storage engine's codes
 * pass through the library unchanged, so the common ones are named too.
 */
#include "result_words.h"

#include <cstdint>
#include <cstdio>

namespace kavdb {
namespace {

struct CodeWords {
    HRESULT code;
    const char* words;
};

constexpr CodeWords kWords[] = {
    {S_OK, "done"},
    {E_INVALIDARG, "invalid argument (a missing, malformed or too long path or value)"},
    {E_FAIL, "the operation failed"},
    {E_OUTOFMEMORY, "out of memory"},
    {E_POINTER, "the statement or record could not be opened"},
    {E_UNEXPECTED, "unexpected failure while reading a table"},
    {KAVDB_E_ALREADY_EXISTS, "already in the catalogue"},
    {KAVDB_E_NOT_FOUND, "not in the catalogue"},
    {KAVDB_E_OUT_OF_RANGE, "row position beyond the end of the table"},
    {KAVDB_E_NOT_SUPPORTED, "not on this catalogue's engine (a server catalogue's own tools "
                            "check and back it up)"},
    {KAVDB_E_DAMAGED, "the backup failed its checks and was removed"},
    {KAVDB_E_SERVER_LOST, "the connection to the catalogue's server was lost; nothing was "
                          "changed"},
    {KAVDB_E_SYNTAX, "SQL syntax error or statement the catalogue cannot run"},
    {KAVDB_E_NO_SUCH_TABLE, "no such table"},
    {KAVDB_E_UNKNOWN_COLUMN, "unknown column in the statement"},
    {KAVDB_E_FIELD_NOT_FOUND, "the statement returns no such column"},
    {KAVDB_E_NO_CURRENT_ROW, "no current row"},
    {KAVDB_E_OBJECT_CLOSED, "the catalogue object is closed"},
    {KAVDB_E_CONSTRAINT, "key or constraint violation"},
    {KAVDB_E_TYPE_MISMATCH, "a stored value is not of the kind asked for"},
    {KAVDB_E_DATA_MISMATCH, "a value of the wrong type for its column"},
    {KAVDB_E_FIELD_TOO_SMALL, "a value too long or too large for its column"},
};

} // namespace

std::string resultHex(HRESULT code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(code));
    return text;
}

std::string resultWords(HRESULT code)
{
    for (const CodeWords& w : kWords)
        if (w.code == code)
            return w.words;
    return "error " + resultHex(code);
}

} // namespace kavdb
