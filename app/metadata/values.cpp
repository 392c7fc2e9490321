/*
 * Forms of metadata values (values.h).
 */
#include "metadata/values.h"

#include "utf8.h"

#include <algorithm>
#include <cmath>
#include <regex>

namespace kavdb::metadata {

std::optional<double> ratio(int64_t numerator, int64_t denominator)
{
    if (denominator <= 0 || numerator < 0)
        return std::nullopt;
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}

std::optional<std::string> exposureText(int64_t numerator, int64_t denominator)
{
    if (numerator <= 0 || denominator <= 0)
        return std::nullopt;
    if (numerator < denominator) {
        long reciprocal = std::lround(static_cast<double>(denominator) / numerator);
        return "1/" + std::to_string(reciprocal);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(numerator) / denominator);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0)
        s.resize(s.size() - 2);
    return s;
}

std::string dateText(const std::string& exifDate)
{
    static const std::regex exifForm(R"((\d{4}):(\d{2}):(\d{2})([ T]\d{2}:\d{2}:\d{2})?.*)");
    std::string trimmed = trimmedText(exifDate);
    if (trimmed.find_first_of("0123456789") == std::string::npos)
        return {}; // cameras without a clock write blanks and colons
    std::smatch m;
    if (!std::regex_match(trimmed, m, exifForm))
        return trimmed;
    std::string out = m[1].str() + "-" + m[2].str() + "-" + m[3].str();
    if (m[4].matched)
        out += " " + m[4].str().substr(1);
    return out;
}

std::string xmpDateText(const std::string& xmpDate)
{
    static const std::regex xmpForm(
        R"((\d{4})(-\d{2})?(-\d{2})?(T(\d{2}:\d{2})(:\d{2})?(\.\d+)?)?(Z|[+-]\d{2}:\d{2})?)");
    std::smatch m;
    std::string trimmed = trimmedText(xmpDate);
    // Exiv2 hands some XMP dates over in the EXIF form.
    if (trimmed.size() >= 10 && trimmed[4] == ':' && trimmed[7] == ':')
        trimmed = dateText(trimmed.substr(0, 10)) + (trimmed.size() > 10 ? trimmed.substr(10) : "");
    if (trimmed.size() > 10 && trimmed[10] == ' ')
        trimmed[10] = 'T';
    if (!std::regex_match(trimmed, m, xmpForm))
        return {};
    std::string out = m[1].str() + m[2].str() + m[3].str();
    if (m[5].matched)
        out += " " + m[5].str() + (m[6].matched ? m[6].str() : ":00");
    return out;
}

double signedDegrees(double degrees, double minutes, double seconds, char hemisphere)
{
    double value = degrees + minutes / 60.0 + seconds / 3600.0;
    bool negative =
        hemisphere == 'S' || hemisphere == 'W' || hemisphere == 's' || hemisphere == 'w';
    return negative ? -value : value;
}

std::string trimmedText(const std::string& text)
{
    const char* blanks = " \t\r\n";
    std::string s = text.substr(0, text.find('\0'));
    auto first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string cutText(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over UTF-8 continuation bytes so the cut lands between characters.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

namespace {

bool validUtf8(const std::string& text)
{
    for (std::size_t i = 0, n = 0; i < text.size(); i += n)
        if ((n = utf8SequenceLength(text, i)) == 0)
            return false;
    return true;
}

} // namespace

std::string utf8Text(const std::string& text)
{
    if (validUtf8(text))
        return text;
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string joinedList(const std::vector<std::string>& entries)
{
    std::vector<std::string> kept;
    for (std::string entry : entries) {
        std::replace(entry.begin(), entry.end(), ';', ',');
        entry = trimmedText(entry);
        if (!entry.empty() && std::find(kept.begin(), kept.end(), entry) == kept.end())
            kept.push_back(entry);
    }
    std::string out;
    for (const std::string& entry : kept)
        out += (out.empty() ? "" : "; ") + entry;
    return out;
}

std::vector<std::string> splitList(const std::string& text, bool commas)
{
    std::vector<std::string> entries;
    std::string current;
    for (char c : text) {
        if (c == ';' || (commas && c == ',')) {
            entries.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    entries.push_back(current);
    return entries;
}

} // namespace kavdb::metadata
