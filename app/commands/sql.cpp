/*
 * `kavdb sql STATEMENT`: runs one statement as it stands. A SELECT prints every column it
 * selects (sql_rows.h): tab-separated lines (Null as an empty field), a JSON document
 * {"columns": [...], "rows": [[...], ...]}, or one JSON object per row. An UPDATE or
 * DELETE prints how many rows it changed; anything else prints nothing.
 */
#include "catalogue_location.h"
#include "commands/commands.h"
#include "commands/output.h"
#include "commands/session.h"
#include "json.h"
#include "sql_rows.h"
#include "sql_text.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace kavdb::commands {
namespace {

const char* const kMainColumns[] = {"FieldID",   "PathID",   "Filename",       "Width",
                                    "Height",    "Bitcount", "ThumbnailWidth", "ThumbnailHeight",
                                    "Thumbnail", "UpdateTM", "Comment",        "Marking"};

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

/* The catalogue's tables and columns as its configuration makes them. */
KnownSchema knownSchema(const std::vector<ConfiguredItem>& configured)
{
    KnownSchema schema;
    std::vector<std::string>& main = schema.columns["MAINTABLE"];
    main.assign(std::begin(kMainColumns), std::end(kMainColumns));
    schema.columns["PATHTABLE"] = {"PathID", "Pathname", "Comment"};
    schema.binary.insert("THUMBNAIL");
    for (const ConfiguredItem& item : configured) {
        std::vector<std::string>& columns = schema.columns[upper(item.table)];
        if (columns.empty()) {
            columns.push_back("DataID");
            main.push_back("DataID" + std::to_string(schema.columns.size() - 2));
        }
        columns.push_back(item.name);
        if (item.type == 2)
            schema.binary.insert(upper(item.name));
    }
    return schema;
}

void printRows(const PackedSelect& select, const std::vector<std::string>& packed,
               const SqlOptions& options)
{
    JsonWriter json;
    const OutputOptions& output = options.output;
    if (output.json) {
        json.beginObject().key("columns").beginArray();
        for (const std::string& column : select.columns)
            json.value(column);
        json.endArray().key("rows").beginArray();
    } else if (options.header && !output.ndjson) {
        std::string line;
        for (const std::string& column : select.columns)
            line += (line.empty() ? "" : "\t") + column;
        printLine(line, output);
    }
    for (const std::string& row : packed) {
        auto values = unpackRow(row);
        values.resize(select.columns.size());
        if (output.json || output.ndjson) {
            output.json ? json.beginArray() : json.beginObject();
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (output.ndjson)
                    json.key(select.columns[i]);
                values[i] ? json.value(*values[i]) : json.null();
            }
            output.json ? json.endArray() : json.endObject();
            if (output.ndjson)
                printJson(json.take());
            continue;
        }
        std::string line;
        for (std::size_t i = 0; i < values.size(); ++i)
            line += (i ? "\t" : "") + values[i].value_or("");
        printLine(line, output);
    }
    if (output.json)
        printJson(json.endArray().endObject().take());
}

int runSelect(Catalogue& catalogue, const SqlOptions& options)
{
    PackedSelect select = packSelect(options.statement, knownSchema(configuration()));
    if (select.sql.empty()) {
        report(select.error);
        return kExitUsage;
    }
    std::vector<std::string> rows;
    Outcome outcome = catalogue.fileList(select.sql, true, rows);
    if (!outcome.ok()) {
        report("statement failed: " + outcome.words());
        return statementExitCode(outcome);
    }
    printRows(select, rows, options);
    return kExitOk;
}

/* Why a change failed, in words; the library reports nothing of its own for free SQL, so
 * a catalogue this process may not write is named here. */
std::string changeFailure(const Outcome& outcome, const std::string& path)
{
    if (outcome.detail.empty() && ::access(path.c_str(), W_OK) != 0)
        return "the catalogue cannot be written (" + std::string(std::strerror(errno)) + ")";
    return outcome.words();
}

int runChange(Catalogue& catalogue, const SqlOptions& options, const std::string& path)
{
    std::optional<std::string> counting = changedRowsCount(options.statement);
    std::vector<std::string> counted;
    if (counting)
        catalogue.fileList(*counting, true, counted);
    Outcome outcome = catalogue.execute(options.statement);
    if (!outcome.ok()) {
        report("statement failed: " + changeFailure(outcome, path));
        return statementExitCode(outcome);
    }
    if (!counting || counted.size() != 1)
        return kExitOk;
    const std::string& n = counted.front();
    const bool deleted = sqltext::firstWord(options.statement) == "DELETE";
    JsonWriter json;
    if (options.output.json || options.output.ndjson)
        printJson(json.beginObject()
                      .key("changed")
                      .value(static_cast<int64_t>(std::stoll(n)))
                      .endObject()
                      .take());
    else
        printLine(n + (n == "1" ? " row " : " rows ") + (deleted ? "deleted" : "updated"),
                  OutputOptions{});
    return kExitOk;
}

} // namespace

int runSql(const GlobalOptions& global, const SqlOptions& options)
{
    const bool select = sqltext::firstWord(options.statement) == "SELECT";
    std::unique_ptr<Catalogue> catalogue =
        openCatalogue(global, select ? Access::Read : Access::Write);
    if (!catalogue)
        return kExitUsage;
    return select ? runSelect(*catalogue, options)
                  : runChange(*catalogue, options, cataloguePath(global.db));
}

} // namespace kavdb::commands
