/*
 * The JSON writer (json.h).
 */
#include "json.h"

#include "utf8.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kavdb {
std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        std::size_t n = utf8SequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD for a byte that is not UTF-8
            ++i;
            continue;
        }
        const char* shortForm = c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : nullptr;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (shortForm) {
            out += shortForm;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    return out + "\"";
}

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::open(char bracket)
{
    separate();
    out_ += bracket;
    first_.push_back(true);
}

void JsonWriter::close(char bracket)
{
    out_ += bracket;
    first_.pop_back();
}

JsonWriter& JsonWriter::beginObject()
{
    open('{');
    return *this;
}

JsonWriter& JsonWriter::endObject()
{
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray()
{
    open('[');
    return *this;
}

JsonWriter& JsonWriter::endArray()
{
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name)
{
    separate();
    out_ += jsonString(name) + ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text)
{
    separate();
    out_ += jsonString(text);
    return *this;
}

JsonWriter& JsonWriter::value(int64_t number)
{
    separate();
    out_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(double number)
{
    if (!std::isfinite(number))
        return null();
    separate();
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, number);
    out_.append(text, ec == std::errc() ? end : text);
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    out_ += "null";
    return *this;
}

std::string JsonWriter::take()
{
    std::string text = std::move(out_);
    out_.clear();
    first_.clear();
    afterKey_ = false;
    return text;
}

} // namespace kavdb
