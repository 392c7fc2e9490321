/*
 * Entries that follow their file: a photo that appears under a new path with the content
 * hash of a catalogued entry whose file is gone was moved or renamed, so that entry (its
 * comment, tags, mark) moves to the new path instead of a new entry being made. Used by
 * `add` and `watch`. The look-up is one indexed query on the Fingerprint table.
 */
#pragma once

#include "catalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace kavdb {

/* A catalogued path holding contentHash whose file is no longer on disk; none when the
 * configuration has no Fingerprint table or no such entry exists. */
std::optional<std::string> goneEntryWithContent(Catalogue& catalogue,
                                                const std::vector<ConfiguredItem>& configured,
                                                const std::string& contentHash,
                                                const std::string& newPath);

/* Moves the entry at `from` to `to`, first dropping the bare entry a folder walk gave `to`
 * (when toHasRow). The mark is kept. */
Outcome adoptEntry(Catalogue& catalogue, const std::string& from, const std::string& to,
                   bool toHasRow);

/* What is lost when the entry of path goes: "comment, mark, Caption", or empty (the
 * camera items and fingerprints are read from the file again and are no loss). */
std::string notesOf(Catalogue& catalogue, const std::string& path);

/* Makes the content-hash look-ups indexed ones, this one and the library's search for an
 * equal Fingerprint row when a photo's items are written (once per catalogue; later
 * calls find the index there). */
void indexContentHashes(Catalogue& catalogue);

} // namespace kavdb
