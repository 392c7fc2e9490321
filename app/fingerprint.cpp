/*
 * Fingerprint texts (fingerprint.h), with the xxHash library's XXH3.
 */
#include "fingerprint.h"

#include <xxhash.h>

#include <charconv>
#include <cstdio>

namespace kavdb {

std::string contentHash(const uint8_t* data, std::size_t size)
{
    XXH128_hash_t h = XXH3_128bits(data, size);
    return hashText(h.high64) + hashText(h.low64);
}

std::string hashText(uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::optional<uint64_t> parseHashText(const std::string& text)
{
    uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 16 || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string hashText(const std::vector<uint64_t>& words)
{
    std::string text;
    for (uint64_t word : words)
        text += hashText(word);
    return text;
}

std::vector<uint64_t> parseHashWords(const std::string& text)
{
    std::vector<uint64_t> words;
    for (std::size_t at = 0; at + 16 <= text.size(); at += 16) {
        std::optional<uint64_t> word = parseHashText(text.substr(at, 16));
        if (!word)
            return {};
        words.push_back(*word);
    }
    return text.size() % 16 == 0 ? words : std::vector<uint64_t>{};
}

metadata::PhotoItems fingerprintItems(const std::string& content, uint64_t image,
                                      const std::vector<uint64_t>& detail)
{
    return {{kFingerprintTable, kContentHashItem, content},
            {kFingerprintTable, kImageHashItem, hashText(image)},
            {kFingerprintTable, kDetailHashItem, hashText(detail)}};
}

} // namespace kavdb
