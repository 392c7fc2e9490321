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
    uint32_t code;
    const char* words;
};

constexpr CodeWords kWords[] = {
    {0x00000000u, "done"},
    {0x80070057u, "invalid argument (a missing, malformed or too long path or value)"},
    {0x80004005u, "the operation failed"},
    {0x8007000Eu, "out of memory"},
    {0x80004003u, "the statement or record could not be opened"},
    {0x8000FFFFu, "unexpected failure while reading a table"},
    {0x8878000Au, "already in the catalogue"},
    {0x8878000Bu, "not in the catalogue"},
    {0x8878000Eu, "row position beyond the end of the table"},
    {0x88780010u, "the catalogue's engine has no such index"},
    {0x88780011u, "the backup failed its checks and was removed"},
    {0x80040E14u, "SQL syntax error or statement the catalogue cannot run"},
    {0x80040E37u, "no such table"},
    {0x80040E10u, "unknown column in the statement"},
    {0x800A0CC1u, "the statement returns no such column"},
    {0x800A0BCDu, "no current row"},
    {0x800A0E78u, "the catalogue object is closed"},
    {0x80040E2Fu, "key or constraint violation"},
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
        if (w.code == static_cast<uint32_t>(code))
            return w.words;
    return "error " + resultHex(code);
}

} // namespace kavdb
