/*
 * A person's search text as a full-text query, for SQLite's FTS5 or a server's index. Whatever is
 * typed is accepted: words (all required), "quoted phrases", a trailing * for a prefix; every other
 * character only separates words. The query is built from the terms alone, each term a quoted
 * string, so no text can be read as query syntax and no search text is an error.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb::query {

struct TextTerm {
    std::string text; // the words of the term, as typed
    bool phrase = false;
    bool prefix = false; // the term's last word may be the start of a longer one
};

/* The terms of a search text; terms without a letter or digit are dropped. */
std::vector<TextTerm> textTerms(const std::string& text);
/* The FTS5 query for the terms ("" for none): each a quoted string, ANDed. */
std::string matchExpression(const std::vector<TextTerm>& terms);
/* The terms as a server's text index takes them (server_text_index.h), "" for none: the
 * server cuts and folds their words as it cuts a document's. */
std::string serverTerms(const std::vector<TextTerm>& terms);

} // namespace kavdb::query
