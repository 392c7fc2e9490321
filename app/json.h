/*
 * A small JSON writer for kavdb's machine-readable output (--json, --ndjson): compact
 * text, strings escaped as RFC 8259 requires, bytes that are not UTF-8 replaced by
 * U+FFFD so that the document stays valid whatever a file name holds.
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavdb {

class JsonWriter {
  public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    /* The name of the next member of the open object. */
    JsonWriter& key(const std::string& name);
    JsonWriter& value(const std::string& text);
    JsonWriter& value(const char* text) { return value(std::string(text)); }
    JsonWriter& value(int64_t number);
    JsonWriter& value(int32_t number) { return value(static_cast<int64_t>(number)); }
    JsonWriter& value(double number); // not finite: null
    JsonWriter& null();

    /* The text written so far; the writer starts again empty. */
    std::string take();

  private:
    void separate();
    void open(char bracket);
    void close(char bracket);

    std::string out_;
    std::vector<bool> first_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

/* text as a JSON string literal, quotes included. */
std::string jsonString(const std::string& text);

} // namespace kavdb
