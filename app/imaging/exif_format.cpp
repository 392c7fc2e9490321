/*
 * Text forms of camera values (exif_format.h).
 */
#include "imaging/exif_format.h"

#include <cmath>
#include <cstdio>
#include <regex>

namespace kavdb::imaging {

std::optional<std::string> decimalText(int64_t numerator, int64_t denominator)
{
    if (denominator <= 0 || numerator < 0)
        return std::nullopt;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(numerator) / denominator);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0)
        s.resize(s.size() - 2);
    return s;
}

std::optional<std::string> exposureText(int64_t numerator, int64_t denominator)
{
    if (numerator <= 0 || denominator <= 0)
        return std::nullopt;
    if (numerator >= denominator)
        return decimalText(numerator, denominator);
    long reciprocal = std::lround(static_cast<double>(denominator) / numerator);
    return "1/" + std::to_string(reciprocal);
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

std::string degreesText(double degrees, double minutes, double seconds, char hemisphere)
{
    double value = degrees + minutes / 60.0 + seconds / 3600.0;
    if (hemisphere == 'S' || hemisphere == 'W' || hemisphere == 's' || hemisphere == 'w')
        value = -value;
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
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

} // namespace kavdb::imaging
