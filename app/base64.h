/*
 * Base64 (RFC 4648, with padding), for the contact sheet's data URIs.
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb {

std::string base64Encode(const std::vector<uint8_t>& bytes);

/* Decodes padded base64; returns false on any character outside the alphabet. */
bool base64Decode(const std::string& text, std::vector<uint8_t>& out);

} // namespace kavdb
