/*
 * Plain words for the catalogue library's result codes, so that a failure reads as
 * "not in the catalogue" rather than its hexadecimal code.
 */
#pragma once

#include "kavdbmgr.h"

#include <string>

namespace kavdb {

/* A short phrase for code; unknown codes read as "error 0x........". */
std::string resultWords(HRESULT code);

/* The code as eight hex digits with 0x, for messages that show both. */
std::string resultHex(HRESULT code);

} // namespace kavdb
