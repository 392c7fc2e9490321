/*
 * Output forms (output.h).
 */
#include "commands/output.h"

#include "json.h"

#include <cstdio>

namespace kavdb::commands {

void printLine(const std::string& text, const OutputOptions& output)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc(output.nul ? '\0' : '\n', stdout);
}

void printJson(const std::string& json)
{
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
}

void printPaths(const std::vector<std::string>& paths, const OutputOptions& output)
{
    JsonWriter json;
    if (output.json) {
        json.beginObject().key("paths").beginArray();
        for (const std::string& path : paths)
            json.value(path);
        printJson(json.endArray().endObject().take());
        return;
    }
    for (const std::string& path : paths) {
        if (output.ndjson)
            printJson(json.beginObject().key("path").value(path).endObject().take());
        else
            printLine(path, output);
    }
}

} // namespace kavdb::commands
