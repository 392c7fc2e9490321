/*
 * Date-time text under the names the frame's exports use. The text itself, its parser
 * and the file-time reader live in store/datetext.h, where the layers below reach them
 * too; these are the frame's spellings of the same helpers.
 */
#pragma once

#include "kavdbmgr.h"
#include "store/datetext.h"

#include <cstdint>
#include <string>

namespace kavdb::frame {

/* Appends value to the NUL-terminated text, '0'-padded to width digits; returns text. */
inline char* AppendPaddedNumber(uint16_t value, char* text, int width) noexcept
{
    return store::appendPaddedNumber(value, text, width);
}

/* The 19-digit stored text of a time. */
inline std::string dateText(const SYSTEMTIME& t)
{
    return store::dateText(t);
}

} // namespace kavdb::frame
