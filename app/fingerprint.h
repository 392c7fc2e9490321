/*
 * A photo's fingerprints, kept as the items of the "Fingerprint" table (kadb.ini): the
 * content hash of the file's bytes (XXH3, 128 bits, 32 hex digits), the same for the
 * same bytes wherever the file lies, and the perceptual hashes of its picture (64 bits
 * in 16 hex digits, and the finer 256 bits in 64; perceptual_hash.h). All are texts of
 * fixed width: the catalogue's whole-number kind holds 32 bits only.
 */
#pragma once

#include "metadata/values.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavdb {

inline const char* const kFingerprintTable = "Fingerprint";
inline const char* const kContentHashItem = "ContentHash";
inline const char* const kImageHashItem = "ImageHash";
inline const char* const kDetailHashItem = "DetailHash";

/* The content hash of bytes, as its 32 hex digits. */
std::string contentHash(const uint8_t* data, std::size_t size);

/* A 64-bit hash as 16 hex digits, and back (none for a text that is not one). */
std::string hashText(uint64_t hash);
std::optional<uint64_t> parseHashText(const std::string& text);

/* Words of a longer hash as 16 hex digits each, and back (empty for a text that is not
 * one). */
std::string hashText(const std::vector<uint64_t>& words);
std::vector<uint64_t> parseHashWords(const std::string& text);

/* The fingerprints as the photo's items. */
metadata::PhotoItems fingerprintItems(const std::string& content, uint64_t image,
                                      const std::vector<uint64_t>& detail);

} // namespace kavdb
