/*
 * Writing records to standard output in the form the options ask for (commands.h,
 * OutputOptions): plain lines ended by a newline or, with -0, by a NUL byte; JSON text
 * ended by a newline.
 */
#pragma once

#include "commands/commands.h"

#include <string>
#include <vector>

namespace kavdb::commands {

/* One line of plain output. */
void printLine(const std::string& text, const OutputOptions& output);

/* One JSON document, or one line of NDJSON. */
void printJson(const std::string& json);

/* Paths as the options ask: lines, {"paths": [...]}, or {"path": ...} per line. */
void printPaths(const std::vector<std::string>& paths, const OutputOptions& output);

} // namespace kavdb::commands
