/*
 * Fuzz target for the date-time text: any bytes parse without reading past the text's
 * end, and any time written back reads to the same fields when they fit their widths.
 */
#include "store/datetext.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    SYSTEMTIME t{};
    kavdb::store::parseDateText(text.c_str(), &t);
    std::string written = kavdb::store::dateText(t);
    SYSTEMTIME back{};
    kavdb::store::parseDateText(written.c_str(), &back);
    bool fits = t.wYear < 10000 && t.wMonth < 100 && t.wDay < 100 && t.wDayOfWeek < 100 &&
                t.wHour < 100 && t.wMinute < 100 && t.wSecond < 100 && t.wMilliseconds < 1000;
    if (fits && std::memcmp(&t, &back, sizeof t) != 0) {
        std::abort();
    }
    return 0;
}
