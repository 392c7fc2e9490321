/*
 * Search text into terms and a full-text query (text_match.h).
 */
#include "query/text_match.h"

#include "store/server_text_index.h"

#include <cstdint>

namespace kavdb::query {

namespace {

bool isSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v';
}

/* Code points that are punctuation or symbols, which the tokenizer drops: Latin-1's
 * signs, general punctuation up to the miscellaneous symbols, CJK punctuation, emoji. */
bool isSymbol(uint32_t cp)
{
    return (cp >= 0x80 && cp <= 0xBF) || cp == 0xD7 || cp == 0xF7 ||
           (cp >= 0x2000 && cp <= 0x2BFF) || (cp >= 0x3000 && cp <= 0x303F) || cp >= 0x1F000;
}

/* The code point starting at text[i] (advancing i); a stray byte stands for itself. */
uint32_t nextCodePoint(const std::string& text, std::size_t& i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i++);
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    uint32_t cp = more == 0 ? lead : lead & (0x3F >> more);
    for (; more > 0 && i < text.size() && (byte(i) & 0xC0) == 0x80; --more) {
        cp = (cp << 6) | (byte(i++) & 0x3F);
    }
    return cp;
}

/* A letter or digit: ASCII's, or any other code point that is not a symbol (accented
 * letters, scripts other than Latin); the tokenizer decides the rest. */
bool hasWordCharacter(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp = nextCodePoint(text, i);
        if ((cp >= '0' && cp <= '9') || ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') ||
            (cp >= 0x80 && !isSymbol(cp))) {
            return true;
        }
    }
    return false;
}

void addTerm(std::vector<TextTerm>& terms, std::string text, bool phrase)
{
    bool prefix = false;
    while (!text.empty() && (text.back() == '*' || isSpace(text.back()))) {
        prefix = prefix || text.back() == '*';
        text.pop_back();
    }
    if (hasWordCharacter(text)) {
        terms.push_back({std::move(text), phrase, prefix});
    }
}

/* The length of the well-formed UTF-8 sequence at text[i] (RFC 3629: no overlong form,
 * no surrogate, nothing past U+10FFFF); 0 when there is none. */
std::size_t sequenceAt(const std::string& text, std::size_t i)
{
    auto byte = [&](std::size_t k) {
        return k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
    };
    const unsigned char lead = byte(i);
    const std::size_t n = lead < 0x80   ? 1
                          : lead < 0xC2 ? 0
                          : lead < 0xE0 ? 2
                          : lead < 0xF0 ? 3
                          : lead < 0xF5 ? 4
                                        : 0;
    // The second byte's range where the lead narrows it, else any continuation byte.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char b = byte(i + k);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return n;
}

} // namespace

std::vector<TextTerm> textTerms(const std::string& text)
{
    std::vector<TextTerm> terms;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            ++i;
        } else if (text[i] == '"') { // a phrase runs to the next quote, or to the end
            std::size_t end = text.find('"', i + 1);
            std::size_t stop = end == std::string::npos ? text.size() : end;
            std::size_t next = stop < text.size() ? stop + 1 : stop;
            // A star right after the closing quote makes the phrase's last word a prefix.
            bool star = next < text.size() && text[next] == '*';
            addTerm(terms, text.substr(i + 1, stop - i - 1) + (star ? "*" : ""), true);
            i = star ? next + 1 : next;
        } else {
            std::size_t end = i;
            while (end < text.size() && !isSpace(text[end]) && text[end] != '"') {
                ++end;
            }
            addTerm(terms, text.substr(i, end - i), false);
            i = end;
        }
    }
    return terms;
}

std::string matchExpression(const std::vector<TextTerm>& terms)
{
    std::string match;
    for (const TextTerm& term : terms) {
        std::string quoted = "\"";
        for (char ch : term.text) {
            quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        }
        quoted += "\"";
        match += (match.empty() ? "" : " AND ") + quoted + (term.prefix ? " *" : "");
    }
    return match;
}

std::string serverTerms(const std::vector<TextTerm>& terms)
{
    std::string encoded;
    for (const TextTerm& term : terms) {
        encoded += encoded.empty() ? "" : std::string(1, store::kTermSeparator);
        encoded += term.prefix ? '*' : ' ';
        // A server takes only well-formed UTF-8, and the separator marks the terms: a space
        // stands in for a stray byte or a typed separator, neither a word character.
        for (std::size_t i = 0; i < term.text.size();) {
            const std::size_t n = sequenceAt(term.text, i);
            const bool word = n > 0 && term.text[i] != store::kTermSeparator;
            encoded += word ? term.text.substr(i, n) : std::string(" ");
            i += n > 0 ? n : 1;
        }
    }
    return encoded;
}

} // namespace kavdb::query
