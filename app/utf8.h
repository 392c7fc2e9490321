/*
 * UTF-8 sequences: the length of the valid one at a position of a text. JSON output
 * (which must stay valid UTF-8 whatever a file name holds) and IPTC-IIM texts (Latin-1
 * unless they are UTF-8) both ask it.
 */
#pragma once

#include <cstddef>
#include <string>

namespace kavdb {

/* The length of the valid UTF-8 sequence starting at text[i]; 0 when none starts there. */
inline std::size_t utf8SequenceLength(const std::string& text, std::size_t i)
{
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80             ? 1
                    : (c & 0xE0) == 0xC0 ? 2
                    : (c & 0xF0) == 0xE0 ? 3
                    : (c & 0xF8) == 0xF0 ? 4
                                         : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

} // namespace kavdb
